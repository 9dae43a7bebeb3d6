#include "platform/audio/AudioFileComponent.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "core/OutputFormats.h"
#include "platform/audio-api/WmaProfiles.h"
#include "platform/audio/FileCodecs.h"
#include "platform/audio/InputAdapter.h"
#include "platform/audio/LameMp3Settings.h"
#include "platform/services/Services.h"

namespace qsr::audio {
namespace {

using namespace file;

struct MenuEntry {
    WavCoding coding;
    const char* text;
};
const MenuEntry kMenu[] = {
    {WavCoding::Pcm16, "PCM 16 bit"},
    {WavCoding::Pcm8, "PCM 8 bit"},
    {WavCoding::Pcm24, "PCM 24 bit"},
    {WavCoding::Float32, "PCM 32 bit float"},
    {WavCoding::ImaAdpcm, "IMA ADPCM"},
    {WavCoding::MsAdpcm, "Microsoft ADPCM"},
    {WavCoding::Gsm610, "GSM 6.10 (mono)"},
    {WavCoding::Alaw, "A-Law"},
    {WavCoding::Ulaw, "mu-Law"},
    {WavCoding::G721, "G.721 ADPCM 32 kbit/s (8000 Hz mono)"},
};

class AudioFileComponent : public IAudioFile {
  public:
    explicit AudioFileComponent(services::IInputBox* chooser) : chooser_(chooser) {}
    ~AudioFileComponent() override { Close(); }

    // ---- Formats: a refused call leaves the last accepted parameters in use ----
    void SetMp3Format(int rate, int kbps, int channels) override {
        Mp3Options o = Mp3();
        o.sampleRate = rate;
        o.bitrate = kbps;
        if (channels == 1) {
            o.channelMode = 5;
        } else if (channels == 2) {
            if (o.channelMode == 5) o.channelMode = 2;
        } else {
            Say({});
            return;
        }
        AcceptMp3(o);
    }
    void SetMp3Settings(const IMp3Settings& s) override {
        AcceptMp3(OptionsFromSettings(s, Mp3()));
    }
    void SetWavFormat(int rate, int channels, int bits) override {
        WavCoding c = WavCoding::Pcm16;
        if (bits == 8) {
            c = WavCoding::Pcm8;
        } else if (bits == 24) {
            c = WavCoding::Pcm24;
        } else if (bits != 16) {
            Say({});
            return;
        }
        AcceptWav({c, rate, channels});
    }
    // "ADPCM" stands for IMA ADPCM, which takes mono and stereo at any usual rate.
    void SetWavAdpcmFormat(int rate, int channels) override {
        AcceptWav({WavCoding::ImaAdpcm, rate, channels});
    }
    void SetWavGsmFormat(int rate) override { AcceptWav({WavCoding::Gsm610, rate, 1}); }
    int WavChannels() const override { return wav_.channels; }
    // "DSP" stands for G.721 ADPCM at 32 kbit/s, 8000 Hz mono.
    void SetWavDspFormat() override { AcceptWav({WavCoding::G721, 8000, 1}); }
    int ChooseWavFormatFromMenu() override {
        const int index =
            chooser_ ? chooser_->Choose("Choose the WAV coding", "Set WAV Format", WavMenuCodings())
                     : -1;
        if (index < 0 || index >= static_cast<int>(std::size(kMenu))) {
            // Nothing chosen: the WAV format in force stays, and the
            // description says so rather than naming whatever was set last.
            Say(DescribeWav(wav_));
            return -1;
        }
        const WavCoding c = kMenu[index].coding;
        // GSM and G.721 are mono; G.721 is 8000 Hz only.
        if (c == WavCoding::G721) {
            AcceptWav({c, 8000, 1});
        } else if (c == WavCoding::Gsm610) {
            AcceptWav({c, wav_.rate, 1});
        } else {
            AcceptWav({c, wav_.rate, wav_.channels});
        }
        return index;
    }
    void SetWavFormatLikeSample(const std::string& path) override {
        SndfileShape shape;
        WavCoding c;
        if (!ReadSndfileShape(path, shape) || !CodingOfSndfile(shape.format, c)) {
            Say({});
            return;
        }
        AcceptWav({c, shape.rate, shape.channels});
    }
    void SetVoxFormat(int rate) override {
        Say(DescribeVox(rate));
        if (!description_.empty()) voxRate_ = rate;
    }
    void SetOggFormat(int rate, int channels, int nominal, int minimum, int maximum,
                      int quality) override {
        Ogg();  // the format in force should this one be refused
        oggRequest_ = OggParams{rate, channels, nominal, minimum, maximum, quality};
        Say({});
        describes_ = Request::Ogg;
    }
    void SetRawFormat(int compression, int rate, int channels, int bits) override {
        const RawParams p{compression, rate, channels};
        Say(bits == 16 ? DescribeRaw(p) : std::string());
        if (!description_.empty()) raw_ = p;
    }
    void SetG726Format(int rate, int bitsCode) override {
        const G726Params p{rate, bitsCode};
        Say(DescribeG726(p));
        if (!description_.empty()) g726_ = p;
    }
    void SetWmaFormat(int profile) override {
        Say(DescribeWma(profile));
        if (!description_.empty()) wmaProfile_ = profile;
    }
    void SetFlacFormat(int rate, int channels, int bits, int level) override {
        const FlacParams p{rate, channels, bits, level};
        Say(DescribeFlac(p));
        if (!description_.empty()) flac_ = p;
    }
    void SetOpusFormat(int rate, int channels, int kbps, bool voip) override {
        const OpusParams p{rate, channels, kbps,
                           voip ? OpusApplication::Voip : OpusApplication::Audio};
        Say(DescribeOpus(p));
        if (!description_.empty()) opus_ = p;
    }
    std::string FormatDescription() const override {
        if (describes_ == Request::Mp3) Mp3();
        if (describes_ == Request::Ogg) Ogg();
        return description_;
    }
    // The option: dither. When on, every reduction to 16 bits (decoding MP3,
    // Ogg, WMA, FLAC or 24-bit input; resampling on the way in) adds triangular
    // dither instead of plain rounding. The converter turns it on.
    void SetOption(bool on) override { option_ = on; }
    bool Option() const override { return option_; }

    // ---- Writing ----
    int CreateFile(const std::string& path) override {
        Close();
        error_.clear();
        const std::string ext = LowerExtension(path);
        const auto folder = std::filesystem::path(path).parent_path();
        std::error_code ec;
        if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
            if (std::filesystem::exists(folder, ec))
                return Failed("the output folder " + folder.string() + " is a file, not a folder");
            return Failed("the folder " + folder.string() + " does not exist");
        }
        const std::optional<core::Encoder> encoder = core::EncoderForPath(path);
        if (!encoder) return Failed(core::UnknownFileTypeMessage(ext));
        std::string err;
        int rate = 0, channels = 0;
        // Whatever stood at the path (a file, a link, a folder) is the user's.
        const bool existed = std::filesystem::symlink_status(path, ec).type() !=
                             std::filesystem::file_type::not_found;
        switch (*encoder) {
            case core::Encoder::Mp3:
                rate = Mp3().sampleRate;
                channels = mp3_.Channels();
                encoder_ = OpenMp3Encoder(path, mp3_, err);
                break;
            case core::Encoder::Wav:
                rate = wav_.rate;
                channels = wav_.channels;
                encoder_ = wav_.coding == WavCoding::Pcm16
                               ? OpenWavPcmEncoder(path, rate, channels, err)
                               : OpenSndfileEncoder(path, SndfileWavFormat(wav_.coding), rate,
                                                    channels, err);
                break;
            case core::Encoder::Vox:
                rate = voxRate_;
                channels = 1;
                encoder_ = OpenSndfileEncoder(path, SndfileVoxFormat(), rate, 1, err);
                break;
            case core::Encoder::Raw:
                rate = raw_.rate;
                channels = raw_.channels;
                encoder_ = OpenSndfileEncoder(path, SndfileRawFormat(raw_.compression), rate,
                                              channels, err);
                break;
            case core::Encoder::G726:
                rate = g726_.rate;
                channels = 1;
                encoder_ = OpenG726Encoder(path, g726_, err);
                break;
            case core::Encoder::Ogg:
                rate = Ogg().rate;
                channels = ogg_.channels;
                encoder_ = OpenOggEncoder(path, ogg_, err);
                break;
            case core::Encoder::Flac:
                rate = flac_.rate;
                channels = flac_.channels;
                encoder_ = OpenFlacEncoder(path, flac_, err);
                break;
            case core::Encoder::Opus:
                rate = opus_.rate;
                channels = opus_.channels;
                encoder_ = OpenOpusEncoder(path, opus_, err);
                break;
            case core::Encoder::Wma: {
                const WmaProfile* w = FindWmaProfile(wmaProfile_);
                rate = w ? w->rate : 0;
                channels = w ? w->channels : 0;
                encoder_ = OpenWmaEncoder(path, wmaProfile_, err);
                // No half-made file, but never one that was there before.
                if (!encoder_ && !existed) std::filesystem::remove(path, ec);
                break;
            }
        }
        if (!encoder_) return Failed("cannot create " + path + ": " + err);
        // From now on the description names the file being written, not the
        // type whose format happened to be set last.
        Say(Describe(*encoder));
        encRate_ = rate;
        encChannels_ = channels;
        adapter_.Configure(rate, channels, rate, channels, option_);
        return status_ = 0;
    }
    int EncoderRate() const override { return encRate_; }
    int EncoderChannels() const override { return encChannels_; }
    void SetInputFormat(int rate, int channels) override {
        if (rate > 0 && channels > 0) {
            adapter_.Configure(rate, channels, encRate_, encChannels_, option_);
        }
    }
    int WriteBlock(const Samples& block) override {
        if (!encoder_) return status_ = -1;
        if (!adapter_.CanConvert()) {
            error_ = "the sample rate cannot be converted (the reason on standard error)";
            return status_ = -1;
        }
        const int inCh = adapter_.InChannels() > 0 ? adapter_.InChannels() : 1;
        const long frames = static_cast<long>(block.size()) / inCh;
        bool ok;
        errno = 0;
        if (adapter_.Passthrough()) {
            ok = encoder_->Write(block.data(), frames);
        } else {
            const auto out = adapter_.Convert(block.data(), frames);
            ok = encoder_->Write(out.data(), static_cast<long>(out.size()) / encChannels_);
        }
        if (!ok) error_ = Reason(errno, "writing failed");
        return status_ = ok ? 0 : -1;
    }
    // A finish that fails (the resampler's tail, the LAME tag, the last Ogg
    // page, the WAV header, the WMA trailer) leaves Status below 0 and says
    // why, as a failed write does; a good finish leaves the status as it was.
    void Close() override {
        if (encoder_) {
            errno = 0;
            bool ok = true;
            const auto tail = adapter_.Flush();
            if (!tail.empty())
                ok = encoder_->Write(tail.data(), static_cast<long>(tail.size()) / encChannels_);
            // The tail's reason first: the finish may fail for the same cause.
            std::string why = ok ? std::string() : Reason(errno, "writing failed");
            errno = 0;
            if (!encoder_->Finish() && ok) {
                ok = false;
                why = Reason(errno, "the file could not be finished");
            }
            encoder_.reset();
            if (!ok) {
                error_ = why;
                status_ = -1;
            }
        }
        decoder_.reset();
    }

    // ---- Reading: headerless types use the parameters last set for them ----
    int OpenFile(const std::string& path) override {
        Close();
        error_.clear();
        const std::string ext = LowerExtension(path);
        std::string err;
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec)) return Failed("cannot open " + path);
        if (ext == "vox") {
            decoder_ = OpenSndfileRawDecoder(path, SndfileVoxFormat(), voxRate_, 1,
                                             DescribeVox(voxRate_), err);
        } else if (ext == "raw") {
            decoder_ = OpenSndfileRawDecoder(path, SndfileRawFormat(raw_.compression), raw_.rate,
                                             raw_.channels, DescribeRaw(raw_), err);
        } else if (ext == "g726") {
            decoder_ = OpenG726Decoder(path, g726_, err);
        } else {
            if (ext == "wav") decoder_ = OpenSndfileDecoder(path, err);
            if (!decoder_) decoder_ = OpenFfmpegDecoder(path, option_, err);
        }
        if (!decoder_) return Failed("cannot read " + path + ": " + err);
        // Playing a file shows what that file holds.
        Say(decoder_->Describe());
        return status_ = 0;
    }
    std::int64_t TotalSamples() const override { return decoder_ ? decoder_->Total() : 0; }
    int SampleRate() const override { return decoder_ ? decoder_->Rate() : 0; }
    int ChannelCount() const override { return decoder_ ? decoder_->Channels() : 0; }
    Samples ReadBlock(long n) override { return decoder_ ? decoder_->Read(n) : Samples(); }
    std::int64_t Seek(std::int64_t position) override {
        return decoder_ ? decoder_->Seek(position) : 0;
    }
    std::int64_t DamagedFrames() const override { return decoder_ ? decoder_->DamagedFrames() : 0; }
    // The total counts frames and blocks are 16-bit interleaved: one frame is
    // 2 bytes per channel.
    double SizeValue() const override { return decoder_ ? 2.0 * decoder_->Channels() : 0.0; }

    int Status() const override { return status_; }
    std::string LastError() const override { return error_; }

  private:
    // The description of the format in force for one encoder.
    std::string Describe(core::Encoder encoder) const {
        switch (encoder) {
            case core::Encoder::Mp3:
                return DescribeMp3(Mp3(), nullptr);
            case core::Encoder::Wav:
                return DescribeWav(wav_);
            case core::Encoder::Vox:
                return DescribeVox(voxRate_);
            case core::Encoder::Raw:
                return DescribeRaw(raw_);
            case core::Encoder::G726:
                return DescribeG726(g726_);
            case core::Encoder::Ogg:
                return DescribeOgg(Ogg());
            case core::Encoder::Wma:
                return DescribeWma(wmaProfile_);
            case core::Encoder::Flac:
                return DescribeFlac(flac_);
            case core::Encoder::Opus:
                return DescribeOpus(opus_);
        }
        return {};
    }
    // The encoder's own reason, else what the system said, else `fallback`.
    std::string Reason(int savedErrno, const char* fallback) const {
        std::string why = encoder_ ? encoder_->Error() : std::string();
        if (why.empty() && savedErrno != 0) why = std::strerror(savedErrno);
        return why.empty() ? fallback : why;
    }
    int Failed(const std::string& why) {
        error_ = why;
        encoder_.reset();
        decoder_.reset();
        return status_ = -1;
    }
    // The MP3 and Ogg encoders check their own formats, and they live in a
    // module: a format set is held as a request and checked when first
    // needed (its description, a file, the next change), so applying the
    // stored settings at start-up loads no encoder.
    void AcceptMp3(const Mp3Options& o) {
        mp3Request_ = o;
        Say({});
        describes_ = Request::Mp3;
    }
    // The options in force, once any request is checked.
    const Mp3Options& Mp3() const {
        if (mp3Request_) {
            const Mp3Options o = *mp3Request_;
            mp3Request_.reset();
            Mp3Options effective;
            const std::string text = DescribeMp3(o, &effective);
            if (!text.empty()) mp3_ = effective;
            if (describes_ == Request::Mp3) Say(text);
        }
        return mp3_;
    }
    const OggParams& Ogg() const {
        if (oggRequest_) {
            const OggParams p = *oggRequest_;
            oggRequest_.reset();
            const std::string text = DescribeOgg(p);
            if (!text.empty()) ogg_ = p;
            if (describes_ == Request::Ogg) Say(text);
        }
        return ogg_;
    }
    void Say(std::string text) const {
        description_ = std::move(text);
        describes_ = Request::None;
    }
    void AcceptWav(const WavParams& p) {
        Say(DescribeWav(p));
        if (!description_.empty()) wav_ = p;
    }

    services::IInputBox* chooser_;
    mutable Mp3Options mp3_;
    mutable std::optional<Mp3Options> mp3Request_;
    WavParams wav_;
    int voxRate_ = 8000;
    RawParams raw_;
    G726Params g726_;
    mutable OggParams ogg_;
    mutable std::optional<OggParams> oggRequest_;
    int wmaProfile_ = 24;
    FlacParams flac_;
    OpusParams opus_;
    mutable std::string description_;
    // Which request's description, not yet made, the description is.
    enum class Request { None, Mp3, Ogg };
    mutable Request describes_ = Request::None;
    bool option_ = false;

    std::unique_ptr<IEncoder> encoder_;
    InputAdapter adapter_;
    int encRate_ = 0, encChannels_ = 0;
    std::unique_ptr<IDecoder> decoder_;
    int status_ = 0;
    std::string error_;
};

}  // namespace

std::vector<std::string> WavMenuCodings() {
    std::vector<std::string> items;
    for (const auto& e : kMenu) items.emplace_back(e.text);
    return items;
}

std::unique_ptr<IAudioFile> CreateRealAudioFile(services::IInputBox* chooser) {
    return std::make_unique<AudioFileComponent>(chooser);
}

}  // namespace qsr::audio
