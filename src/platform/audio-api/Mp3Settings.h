#pragma once

namespace qsr::audio {

// The MP3 encoder options, one get/set pair each, with the value codings the
// MP3 options dialog uses. The file component takes a whole object as its MP3
// parameters.
class IMp3Settings {
  public:
    virtual ~IMp3Settings() = default;

    virtual int MaxVbrBitrate() const = 0;  // kbit/s
    virtual void SetMaxVbrBitrate(int kbps) = 0;
    virtual int VbrQuality() const = 0;  // 0..9
    virtual void SetVbrQuality(int q) = 0;
    virtual int VbrMethod() const = 0;  // -1 none, 0 default, 1 old, 2 new, 3 MTRH, 4 ABR
    virtual void SetVbrMethod(int method) = 0;
    virtual int AbrBitrate() const = 0;  // kbit/s
    virtual void SetAbrBitrate(int kbps) = 0;
    virtual int ChannelMode() const = 0;  // 1 stereo, 2 joint, 3 forced joint, 4 dual, 5 mono
    virtual void SetChannelMode(int mode) = 0;
    virtual int EncoderQuality() const = 0;  // 0..9
    virtual void SetEncoderQuality(int q) = 0;
    virtual bool WriteVbrHeader() const = 0;
    virtual void SetWriteVbrHeader(bool on) = 0;
    virtual bool BitReservoir() const = 0;
    virtual void SetBitReservoir(bool on) = 0;
    virtual bool DifferentBlockTypes() const = 0;
    virtual void SetDifferentBlockTypes(bool on) = 0;
    virtual bool ShortBlocks() const = 0;
    virtual void SetShortBlocks(bool on) = 0;
    virtual int Deemphasis() const = 0;  // 0 default, 1 0/15 us, 2 CCITT J.17
    virtual void SetDeemphasis(int value) = 0;
    virtual bool IsoCompliance() const = 0;
    virtual void SetIsoCompliance(bool on) = 0;
    virtual bool EnforceMinBitrate() const = 0;
    virtual void SetEnforceMinBitrate(bool on) = 0;
    virtual int AthControl() const = 0;  // 0 default, 1 only, 2 disabled, 3 short blocks only
    virtual void SetAthControl(int value) = 0;
    // Filter frequencies in Hz: -1 (the default) = no filter of ours, so the
    // encoder keeps its own choice, as does 0; widths in Hz, 0 = the
    // encoder's own transition band.
    virtual int LowPassFrequency() const = 0;
    virtual void SetLowPassFrequency(int hz) = 0;
    virtual int HighPassFrequency() const = 0;
    virtual void SetHighPassFrequency(int hz) = 0;
    virtual int LowPassWidth() const = 0;
    virtual void SetLowPassWidth(int hz) = 0;
    virtual int HighPassWidth() const = 0;
    virtual void SetHighPassWidth(int hz) = 0;
    virtual bool Crc() const = 0;
    virtual void SetCrc(bool on) = 0;
    virtual void SetSampleRate(int hz) = 0;  // write only
    virtual int Bitrate() const = 0;         // kbit/s
    virtual void SetBitrate(int kbps) = 0;
};

}  // namespace qsr::audio
