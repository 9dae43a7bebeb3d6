#pragma once

// Internals of the file component: one encoder or decoder per file type, all
// behind two small interfaces so the component only picks and feeds them.
//
// Most of them live in modules loaded on first use: for those, the functions
// below (the *Loader.cpp files) load the module and call through its table
// (the *Module.h files); the module's own bodies are declared in its folder
// (platform/codecs/Codecs.h, platform/ffmpeg/Ffmpeg.h, platform/g726/G726.h).

#include <cstdint>
#include <memory>
#include <string>

#include "platform/audio-api/AudioTypes.h"
#include "platform/audio/LameMp3Settings.h"

namespace qsr::audio::file {

// Writes interleaved 16-bit frames at the rate and channel count it was opened
// with. Every Write leaves the file decodable up to that block.
class IEncoder {
  public:
    virtual ~IEncoder() = default;
    virtual bool Write(const std::int16_t* frames, long count) = 0;
    virtual bool Finish() = 0;  // flushes and closes; false when the tail could not be written
    // Why the last Write or Finish failed ("No space left on device", ...);
    // empty when the encoder cannot tell, and the caller falls back on errno.
    virtual std::string Error() const { return {}; }
};

// Reads interleaved 16-bit frames.
class IDecoder {
  public:
    virtual ~IDecoder() = default;
    virtual std::int64_t Total() const = 0;
    virtual int Rate() const = 0;
    virtual int Channels() const = 0;
    virtual Samples Read(long frames) = 0;  // empty at the end
    virtual std::int64_t Seek(std::int64_t frame) = 0;
    virtual std::string Describe() const = 0;
    // Frames or packets passed over as damaged so far; reading goes on after them.
    virtual std::int64_t DamagedFrames() const { return 0; }
};

// ---- Parameters of each type -------------------------------------------------

struct OggParams {
    int rate = 44100, channels = 2;
    int nominal = 128, minimum = 0, maximum = 0;  // kbit/s, 0 = not given
    int quality = -1;                             // hundredths; -1 = bitrate mode
};

// WAV codings that libsndfile writes; PCM16 goes through our own writer.
enum class WavCoding { Pcm16, Pcm8, Pcm24, Float32, ImaAdpcm, MsAdpcm, Gsm610, Alaw, Ulaw, G721 };
struct WavParams {
    WavCoding coding = WavCoding::Pcm16;
    int rate = 44100, channels = 2;
};

struct RawParams {
    int compression = 1;  // 1 PCM16, 2 A-law, 3 mu-law
    int rate = 44100, channels = 2;
};

struct G726Params {
    int rate = 8000, bitsCode = 4;  // bits per sample 2..5
};

struct FlacParams {
    int rate = 44100, channels = 2;
    int bits = 16;  // 16 or 24
    int level = 5;  // compression level 0..8
};

// Ogg Opus: libopus codes at 48 kHz; other rates are resampled on the way in
// and the header records the rate the sound came in at.
enum class OpusApplication { Audio = 0, Voip = 1 };
struct OpusParams {
    int rate = 48000, channels = 2;
    int kbps = 96;  // per channel pair, 6..256
    OpusApplication application = OpusApplication::Audio;
};

// ---- Checks and descriptions (empty description = refused) -------------------

// Initialises LAME with the options to validate them; fills `effective` with
// what LAME actually uses (it adjusts some values in VBR modes).
std::string DescribeMp3(const Mp3Options& options, Mp3Options* effective);
std::string DescribeOgg(const OggParams& p);
std::string DescribeWav(const WavParams& p);
std::string DescribeVox(int rate);
std::string DescribeRaw(const RawParams& p);
std::string DescribeG726(const G726Params& p);
std::string DescribeWma(int profile);
std::string DescribeFlac(const FlacParams& p);
std::string DescribeOpus(const OpusParams& p);
// The bitrate an Opus stream is coded at: per channel pair, so a mono stream
// gets half, never below the codec's 6 kbit/s.
int OpusBitsPerSecond(const OpusParams& p);
const char* WavCodingName(WavCoding c);
std::string ChannelText(int channels);

// ---- Factories; on failure they return null and set `error` ------------------

std::unique_ptr<IEncoder> OpenMp3Encoder(const std::string& path, const Mp3Options& o,
                                         std::string& error);
std::unique_ptr<IEncoder> OpenOggEncoder(const std::string& path, const OggParams& p,
                                         std::string& error);
std::unique_ptr<IEncoder> OpenWavPcmEncoder(const std::string& path, int rate, int channels,
                                            std::string& error);
// WAV codings without an RF64 form stop at this size, before their 32-bit
// sizes overflow, room for the last ADPCM block and the header kept.
constexpr std::uint64_t kWavSizeLimit = 0xFFFFFFFFull - (1u << 16);
// WAV codings that RF64 also takes (8/24-bit PCM, float, A-law, mu-law) go on
// past 4 GiB; the others fail the write that would pass `wavSizeLimit` (a
// test sets a small one), with a reason that says so.
std::unique_ptr<IEncoder> OpenSndfileEncoder(const std::string& path, int sfFormat, int rate,
                                             int channels, std::string& error,
                                             std::uint64_t wavSizeLimit = kWavSizeLimit);
std::unique_ptr<IEncoder> OpenG726Encoder(const std::string& path, const G726Params& p,
                                          std::string& error);
// FLAC through libFLAC; each finished frame reaches the file at once.
std::unique_ptr<IEncoder> OpenFlacEncoder(const std::string& path, const FlacParams& p,
                                          std::string& error);
// Ogg Opus through libopusenc; pages reach the file within a tenth of a
// second of sound, each closing a whole packet.
std::unique_ptr<IEncoder> OpenOpusEncoder(const std::string& path, const OpusParams& p,
                                          std::string& error);
std::unique_ptr<IEncoder> OpenWmaEncoder(const std::string& path, int profile, std::string& error);

std::unique_ptr<IDecoder> OpenFfmpegDecoder(const std::string& path, bool dither,
                                            std::string& error);
// WAV files: libsndfile honours the exact length a WAV file records, where
// FFmpeg pads the last ADPCM block and reads G.721 differently.
std::unique_ptr<IDecoder> OpenSndfileDecoder(const std::string& path, std::string& error);
std::unique_ptr<IDecoder> OpenSndfileRawDecoder(const std::string& path, int sfFormat, int rate,
                                                int channels, const std::string& description,
                                                std::string& error);
std::unique_ptr<IDecoder> OpenG726Decoder(const std::string& path, const G726Params& p,
                                          std::string& error);

// What libsndfile reads in a file's header; false when it cannot read it.
struct SndfileShape {
    int format = 0, rate = 0, channels = 0;
};
bool ReadSndfileShape(const std::string& path, SndfileShape& shape);

// The WAV coding of a libsndfile format word, when we can write it.
bool CodingOfSndfile(int sfFormat, WavCoding& c);
// libsndfile format word of a WAV coding, a VOX file and a RAW coding.
int SndfileWavFormat(WavCoding c);
int SndfileVoxFormat();
int SndfileRawFormat(int compression);

// The extension of a path, lower case, without the dot ("" when none).
std::string LowerExtension(const std::string& path);

}  // namespace qsr::audio::file
