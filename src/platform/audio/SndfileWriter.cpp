#include <sndfile.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

#include "platform/audio/FileCodecs.h"

// WAV variants, VOX and RAW through libsndfile, writing and reading back.
namespace qsr::audio::file {
namespace {

class SndfileEncoder : public IEncoder {
  public:
    // `path` is given for WAV files: their 32-bit sizes end at 4 GiB.
    SndfileEncoder(SNDFILE* sf, std::string path, bool evenCounts)
        : sf_(sf), path_(std::move(path)), evenCounts_(evenCounts) {}
    ~SndfileEncoder() override { Finish(); }
    bool Write(const std::int16_t* frames, long count) override {
        if (!sf_) return false;
        if (!path_.empty()) {
            // The compressed WAV codings have no RF64 form here: stop short of
            // 4 GiB (more than a day of audio) rather than break the header.
            std::error_code ec;
            const auto size = std::filesystem::file_size(path_, ec);
            if (!ec && size + static_cast<std::uintmax_t>(count) * 8 + (1u << 20) > 0xFFFFFFFFull) {
                return false;
            }
        }
        if (evenCounts_) return WriteEven(frames, count);
        const sf_count_t n = sf_writef_short(sf_, frames, count);
        // Hand each block to the system at once, header included, so a killed
        // program loses at most the block in hand.
        sf_write_sync(sf_);
        return n == count;
    }
    bool Finish() override {
        if (!sf_) return true;
        bool ok = true;
        if (carried_) {
            // The last odd sample, completed by one sample of silence.
            const std::int16_t pair[2] = {*carried_, 0};
            carried_.reset();
            ok = sf_writef_short(sf_, pair, 2) == 2;
        }
        ok = sf_close(sf_) == 0 && ok;
        sf_ = nullptr;
        return ok;
    }

  private:
    // The VOX (OKI ADPCM) coder packs two samples a byte and takes only even
    // counts: an odd sample waits for the next block. Mono only.
    bool WriteEven(const std::int16_t* frames, long count) {
        std::vector<std::int16_t> pending;
        pending.reserve(static_cast<std::size_t>(count) + 1);
        if (carried_) pending.push_back(*carried_);
        pending.insert(pending.end(), frames, frames + count);
        carried_.reset();
        if (pending.size() % 2 != 0) {
            carried_ = pending.back();
            pending.pop_back();
        }
        const auto even = static_cast<sf_count_t>(pending.size());
        const sf_count_t n = even > 0 ? sf_writef_short(sf_, pending.data(), even) : 0;
        sf_write_sync(sf_);
        return n == even;
    }

    SNDFILE* sf_;
    std::string path_;
    bool evenCounts_;
    std::optional<std::int16_t> carried_;
};

class SndfileDecoder : public IDecoder {
  public:
    SndfileDecoder(SNDFILE* sf, const SF_INFO& info, std::string description)
        : sf_(sf), info_(info), description_(std::move(description)) {}
    ~SndfileDecoder() override { sf_close(sf_); }
    std::int64_t Total() const override { return info_.frames; }
    int Rate() const override { return info_.samplerate; }
    int Channels() const override { return info_.channels; }
    Samples Read(long frames) override {
        if (frames <= 0) return {};
        Samples s(static_cast<size_t>(frames) * static_cast<size_t>(info_.channels));
        const sf_count_t n = sf_readf_short(sf_, s.data(), frames);
        s.resize(static_cast<size_t>(n > 0 ? n : 0) * static_cast<size_t>(info_.channels));
        if (n > 0) position_ += n;
        return s;
    }
    // A place past the end is the end; a seek the coding cannot make (or a
    // damaged file refuses) leaves the position where it was.
    std::int64_t Seek(std::int64_t frame) override {
        frame = std::clamp<std::int64_t>(frame, 0, std::max<sf_count_t>(info_.frames, 0));
        const sf_count_t r = sf_seek(sf_, frame, SEEK_SET);
        if (r >= 0) position_ = r;
        return position_;
    }
    std::string Describe() const override { return description_; }

  private:
    SNDFILE* sf_;
    SF_INFO info_;
    std::string description_;
    std::int64_t position_ = 0;
};

}  // namespace

int SndfileWavFormat(WavCoding c) {
    int sub = SF_FORMAT_PCM_16;
    switch (c) {
        case WavCoding::Pcm16:
            sub = SF_FORMAT_PCM_16;
            break;
        case WavCoding::Pcm8:
            sub = SF_FORMAT_PCM_U8;
            break;
        case WavCoding::Pcm24:
            sub = SF_FORMAT_PCM_24;
            break;
        case WavCoding::Float32:
            sub = SF_FORMAT_FLOAT;
            break;
        case WavCoding::ImaAdpcm:
            sub = SF_FORMAT_IMA_ADPCM;
            break;
        case WavCoding::MsAdpcm:
            sub = SF_FORMAT_MS_ADPCM;
            break;
        case WavCoding::Gsm610:
            sub = SF_FORMAT_GSM610;
            break;
        case WavCoding::Alaw:
            sub = SF_FORMAT_ALAW;
            break;
        case WavCoding::Ulaw:
            sub = SF_FORMAT_ULAW;
            break;
        case WavCoding::G721:
            sub = SF_FORMAT_G721_32;
            break;
    }
    return SF_FORMAT_WAV | sub;
}

int SndfileVoxFormat() {
    return SF_FORMAT_RAW | SF_FORMAT_VOX_ADPCM;
}

int SndfileRawFormat(int compression) {
    switch (compression) {
        case 2:
            return SF_FORMAT_RAW | SF_FORMAT_ALAW;
        case 3:
            return SF_FORMAT_RAW | SF_FORMAT_ULAW;
        default:
            return SF_FORMAT_RAW | SF_FORMAT_PCM_16;
    }
}

std::unique_ptr<IEncoder> OpenSndfileEncoder(const std::string& path, int sfFormat, int rate,
                                             int channels, std::string& error) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = sfFormat;
    if (!sf_format_check(&info)) {
        error = "the codec refuses these parameters";
        return nullptr;
    }
    SNDFILE* sf = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!sf) {
        error = sf_strerror(nullptr);
        return nullptr;
    }
    sf_command(sf, SFC_SET_UPDATE_HEADER_AUTO, nullptr, SF_TRUE);
    const bool wav = (sfFormat & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV;
    const bool vox = (sfFormat & SF_FORMAT_SUBMASK) == SF_FORMAT_VOX_ADPCM;
    return std::make_unique<SndfileEncoder>(sf, wav ? path : std::string(), vox);
}

std::unique_ptr<IDecoder> OpenSndfileRawDecoder(const std::string& path, int sfFormat, int rate,
                                                int channels, const std::string& description,
                                                std::string& error) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = sfFormat;
    SNDFILE* sf = sf_open(path.c_str(), SFM_READ, &info);
    if (!sf) {
        error = sf_strerror(nullptr);
        return nullptr;
    }
    return std::make_unique<SndfileDecoder>(sf, info, description);
}

bool CodingOfSndfile(int format, WavCoding& c) {
    if ((format & SF_FORMAT_TYPEMASK) != SF_FORMAT_WAV &&
        (format & SF_FORMAT_TYPEMASK) != SF_FORMAT_RF64 &&
        (format & SF_FORMAT_TYPEMASK) != SF_FORMAT_WAVEX) {
        return false;
    }
    switch (format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_16:
            c = WavCoding::Pcm16;
            return true;
        case SF_FORMAT_PCM_U8:
            c = WavCoding::Pcm8;
            return true;
        case SF_FORMAT_PCM_24:
            c = WavCoding::Pcm24;
            return true;
        case SF_FORMAT_FLOAT:
            c = WavCoding::Float32;
            return true;
        case SF_FORMAT_IMA_ADPCM:
            c = WavCoding::ImaAdpcm;
            return true;
        case SF_FORMAT_MS_ADPCM:
            c = WavCoding::MsAdpcm;
            return true;
        case SF_FORMAT_GSM610:
            c = WavCoding::Gsm610;
            return true;
        case SF_FORMAT_ALAW:
            c = WavCoding::Alaw;
            return true;
        case SF_FORMAT_ULAW:
            c = WavCoding::Ulaw;
            return true;
        case SF_FORMAT_G721_32:
            c = WavCoding::G721;
            return true;
        default:
            return false;
    }
}

std::unique_ptr<IDecoder> OpenSndfileDecoder(const std::string& path, std::string& error) {
    SF_INFO info{};
    SNDFILE* sf = sf_open(path.c_str(), SFM_READ, &info);
    if (!sf) {
        error = sf_strerror(nullptr);
        return nullptr;
    }
    WavCoding coding;
    SF_FORMAT_INFO sub{};
    sub.format = info.format & SF_FORMAT_SUBMASK;
    sf_command(nullptr, SFC_GET_FORMAT_INFO, &sub, sizeof sub);
    const std::string name = CodingOfSndfile(info.format, coding) ? WavCodingName(coding)
                             : sub.name                           ? sub.name
                                                                  : "";
    const std::string description = "WAV " + name + ", " + std::to_string(info.samplerate) +
                                    " Hz, " + ChannelText(info.channels);
    return std::make_unique<SndfileDecoder>(sf, info, description);
}

}  // namespace qsr::audio::file
