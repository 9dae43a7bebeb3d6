#pragma once

#include <cstdint>
#include <string>

#include "platform/audio-api/AudioTypes.h"
#include "platform/audio-api/Mp3Settings.h"

namespace qsr::audio {

// Encoders and decoders for every file type. One object writes or reads one
// file at a time. The extension of a created file picks the encoder, with the
// parameters last set for that type.
class IAudioFile {
  public:
    virtual ~IAudioFile() = default;

    // Format of each type; the description below tells whether it was accepted.
    virtual void SetMp3Format(int rate, int kbps, int channels) = 0;
    virtual void SetMp3Settings(const IMp3Settings& settings) = 0;
    virtual void SetWavFormat(int rate, int channels, int bits) = 0;
    virtual void SetWavAdpcmFormat(int rate, int channels) = 0;
    virtual void SetWavGsmFormat(int rate) = 0;
    virtual void SetWavDspFormat() = 0;
    // Lets the user pick one of the supported WAV codings; returns the index
    // chosen, or -1 when the user cancelled.
    virtual int ChooseWavFormatFromMenu() = 0;
    virtual void SetWavFormatLikeSample(const std::string& path) = 0;
    virtual void SetVoxFormat(int rate) = 0;
    // nominal/minimum/maximum in kbit/s; quality in hundredths, -1 = bitrate mode.
    virtual void SetOggFormat(int rate, int channels, int nominal, int minimum, int maximum,
                              int quality) = 0;
    // compression: 1 = 16-bit PCM, 2 = 8-bit A-law, 3 = 8-bit mu-law.
    virtual void SetRawFormat(int compression, int rate, int channels, int bits) = 0;
    virtual void SetG726Format(int rate, int bitsCode) = 0;  // bitsCode 2..5
    virtual void SetWmaFormat(int profile) = 0;
    // bits: 16 or 24; level: compression 0..8.
    virtual void SetFlacFormat(int rate, int channels, int bits, int level) = 0;
    // kbps per channel pair, 6..256; voip: tuned for speech rather than music.
    // `rate` is the rate the sound comes in at (coded at 48 kHz).
    virtual void SetOpusFormat(int rate, int channels, int kbps, bool voip) = 0;
    // The channels of the WAV coding in force: a mono-only coding (GSM, the
    // DSP coding) makes it 1 whatever was asked.
    virtual int WavChannels() const = 0;
    // Human-readable line for the format last set; empty when it was refused.
    virtual std::string FormatDescription() const = 0;
    virtual void SetOption(bool on) = 0;
    virtual bool Option() const = 0;

    // Writing.
    virtual int CreateFile(const std::string& path) = 0;  // below 0 = failure
    virtual int EncoderRate() const = 0;
    virtual int EncoderChannels() const = 0;
    virtual void SetInputFormat(int rate, int channels) = 0;
    virtual int WriteBlock(const Samples& block) = 0;  // below 0 = failure
    // Finishes the file (encoder tail, headers, trailers). A finish that fails
    // leaves Status below 0, as a failed write does; a good one leaves the
    // status as it was.
    virtual void Close() = 0;

    // Reading.
    virtual int OpenFile(const std::string& path) = 0;  // below 0 = failure
    virtual std::int64_t TotalSamples() const = 0;
    virtual int SampleRate() const = 0;
    virtual int ChannelCount() const = 0;
    virtual Samples ReadBlock(long n) = 0;                 // empty at the end
    virtual std::int64_t Seek(std::int64_t position) = 0;  // the new position
    virtual double SizeValue() const = 0;                  // bytes that make one unit of the total
    // Damaged frames the open file's reader has passed over so far (it goes on
    // after each one); 0 for an undamaged file.
    virtual std::int64_t DamagedFrames() const { return 0; }

    virtual int Status() const = 0;  // below 0 = failure
    // Why the last create, open, write or finish failed, for the caller's
    // message: the system's own words where it gave the reason ("No space
    // left on device").
    virtual std::string LastError() const = 0;
};

}  // namespace qsr::audio
