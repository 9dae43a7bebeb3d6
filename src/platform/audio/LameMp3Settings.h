#pragma once

#include "platform/audio-api/Mp3Settings.h"

namespace qsr::audio {

// Every MP3 encoder option, with the codings of IMp3Settings.
struct Mp3Options {
    int maxVbrBitrate = 320;
    int vbrQuality = 4;
    int vbrMethod = -1;  // -1 none (CBR), 0 default, 1 old, 2 new, 3 MTRH, 4 ABR
    int abrBitrate = 128;
    int channelMode = 2;  // 1 stereo, 2 joint, 3 forced joint, 4 dual, 5 mono
    int encoderQuality = 5;
    bool writeVbrHeader = true;
    bool bitReservoir = true;
    bool differentBlockTypes = false;
    bool shortBlocks = true;
    int deemphasis = 0;
    bool isoCompliance = false;
    bool enforceMinBitrate = false;
    int athControl = 0;
    // Hz; -1 = off (no filter of ours: the encoder keeps its default for the
    // bitrate, so an untouched object encodes as LAME would), 0 = the same.
    int lowPassFrequency = -1;
    int highPassFrequency = -1;
    // Hz; 0 = the encoder's own transition band.
    int lowPassWidth = 0;
    int highPassWidth = 0;
    bool crc = false;
    int sampleRate = 44100;
    int bitrate = 128;

    int Channels() const { return channelMode == 5 ? 1 : 2; }
};

// The MP3 settings object: a plain holder of the options; the file component
// maps them onto LAME when it takes the object.
class LameMp3Settings : public IMp3Settings {
  public:
    const Mp3Options& Options() const { return o_; }

    int MaxVbrBitrate() const override { return o_.maxVbrBitrate; }
    void SetMaxVbrBitrate(int v) override { o_.maxVbrBitrate = v; }
    int VbrQuality() const override { return o_.vbrQuality; }
    void SetVbrQuality(int v) override { o_.vbrQuality = v; }
    int VbrMethod() const override { return o_.vbrMethod; }
    void SetVbrMethod(int v) override { o_.vbrMethod = v; }
    int AbrBitrate() const override { return o_.abrBitrate; }
    void SetAbrBitrate(int v) override { o_.abrBitrate = v; }
    int ChannelMode() const override { return o_.channelMode; }
    void SetChannelMode(int v) override { o_.channelMode = v; }
    int EncoderQuality() const override { return o_.encoderQuality; }
    void SetEncoderQuality(int v) override { o_.encoderQuality = v; }
    bool WriteVbrHeader() const override { return o_.writeVbrHeader; }
    void SetWriteVbrHeader(bool v) override { o_.writeVbrHeader = v; }
    bool BitReservoir() const override { return o_.bitReservoir; }
    void SetBitReservoir(bool v) override { o_.bitReservoir = v; }
    bool DifferentBlockTypes() const override { return o_.differentBlockTypes; }
    void SetDifferentBlockTypes(bool v) override { o_.differentBlockTypes = v; }
    bool ShortBlocks() const override { return o_.shortBlocks; }
    void SetShortBlocks(bool v) override { o_.shortBlocks = v; }
    int Deemphasis() const override { return o_.deemphasis; }
    void SetDeemphasis(int v) override { o_.deemphasis = v; }
    bool IsoCompliance() const override { return o_.isoCompliance; }
    void SetIsoCompliance(bool v) override { o_.isoCompliance = v; }
    bool EnforceMinBitrate() const override { return o_.enforceMinBitrate; }
    void SetEnforceMinBitrate(bool v) override { o_.enforceMinBitrate = v; }
    int AthControl() const override { return o_.athControl; }
    void SetAthControl(int v) override { o_.athControl = v; }
    int LowPassFrequency() const override { return o_.lowPassFrequency; }
    void SetLowPassFrequency(int v) override { o_.lowPassFrequency = v; }
    int HighPassFrequency() const override { return o_.highPassFrequency; }
    void SetHighPassFrequency(int v) override { o_.highPassFrequency = v; }
    int LowPassWidth() const override { return o_.lowPassWidth; }
    void SetLowPassWidth(int v) override { o_.lowPassWidth = v; }
    int HighPassWidth() const override { return o_.highPassWidth; }
    void SetHighPassWidth(int v) override { o_.highPassWidth = v; }
    bool Crc() const override { return o_.crc; }
    void SetCrc(bool v) override { o_.crc = v; }
    void SetSampleRate(int hz) override { o_.sampleRate = hz; }
    int Bitrate() const override { return o_.bitrate; }
    void SetBitrate(int kbps) override { o_.bitrate = kbps; }

  private:
    Mp3Options o_;
};

// Reads every option out of any settings object (the two write-only ones are
// kept from `base`).
Mp3Options OptionsFromSettings(const IMp3Settings& s, const Mp3Options& base);

}  // namespace qsr::audio
