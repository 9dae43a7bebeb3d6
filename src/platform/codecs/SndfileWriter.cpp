#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "platform/audio/FileCodecs.h"
#include "platform/codecs/Codecs.h"

// WAV variants, VOX and RAW through libsndfile, writing and reading back.
namespace qsr::audio::file {
namespace {

class SndfileEncoder : public IEncoder {
  public:
    // `sizeLimit` (0 = none) is where a WAV file whose coding has no RF64
    // form must end; `limitReason` says so to the user.
    SndfileEncoder(SNDFILE* sf, std::string path, bool evenCounts, std::uint64_t sizeLimit,
                   double bytesPerFrame, std::string limitReason)
        : sf_(sf),
          path_(std::move(path)),
          evenCounts_(evenCounts),
          limit_(sizeLimit),
          bytesPerFrame_(bytesPerFrame),
          limitReason_(std::move(limitReason)) {}
    ~SndfileEncoder() override { Finish(); }
    bool Write(const std::int16_t* frames, long count) override {
        if (!sf_) return false;
        long take = count;
        if (limit_ > 0) {
            // What fits below the limit is still written; the rest cannot be.
            std::error_code ec;
            const std::uintmax_t size = std::filesystem::file_size(path_, ec);
            const double room = ec || size >= limit_ ? 0.0 : static_cast<double>(limit_ - size);
            take = std::min(count, static_cast<long>(room / bytesPerFrame_));
        }
        const bool ok = evenCounts_ ? WriteEven(frames, take) : WriteFrames(frames, take);
        if (ok && take < count) {
            error_ = limitReason_;
            return false;
        }
        return ok;
    }
    bool Finish() override {
        if (!sf_) return true;
        bool ok = true;
        if (carried_) {
            // The last odd sample, completed by one sample of silence.
            const std::int16_t pair[2] = {*carried_, 0};
            carried_.reset();
            ok = WriteFrames(pair, 2);
        }
        // Closing writes the final header (and the last partial ADPCM block).
        errno = 0;
        if (sf_close(sf_) != 0 && ok) ok = System("the file could not be finished");
        sf_ = nullptr;
        return ok;
    }
    std::string Error() const override { return error_; }

  private:
    bool WriteFrames(const std::int16_t* frames, long count) {
        if (count <= 0) return true;
        errno = 0;
        const sf_count_t n = sf_writef_short(sf_, frames, count);
        // The ADPCM coders count a block as written even when the system
        // refused it; the error they leave behind tells.
        if (n != count || sf_error(sf_) != SF_ERR_NO_ERROR) return System(sf_strerror(sf_));
        // Hand each block to the system at once, header included, so a killed
        // program loses at most the block in hand.
        sf_write_sync(sf_);
        return true;
    }
    // The system's reason when there is one (libsndfile writes with write()).
    bool System(const char* fallback) {
        error_ = errno != 0 ? std::strerror(errno) : fallback;
        return false;
    }
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
        return WriteFrames(pending.data(), static_cast<long>(pending.size()));
    }

    SNDFILE* sf_;
    std::string path_;
    bool evenCounts_;
    std::uint64_t limit_;
    double bytesPerFrame_;
    std::string limitReason_;
    std::optional<std::int16_t> carried_;
    std::string error_;
};

// Bytes one frame may take on disk in a WAV coding, rounded up, block
// headers included (IMA and MS ADPCM near 4.1 bits, GSM 6.10 1.6 bits).
double WavBytesPerFrame(int sfFormat, int channels) {
    switch (sfFormat & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_GSM610:
            return 0.25 * channels;
        case SF_FORMAT_IMA_ADPCM:
        case SF_FORMAT_MS_ADPCM:
        case SF_FORMAT_G721_32:
            return 0.53 * channels;
        default:
            return 4.0 * channels;
    }
}

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

namespace codecs {

std::unique_ptr<IEncoder> OpenSndfileEncoder(const std::string& path, int sfFormat, int rate,
                                             int channels, std::string& error,
                                             std::uint64_t wavSizeLimit) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = sfFormat;
    if (!sf_format_check(&info)) {
        error = "the codec refuses these parameters";
        return nullptr;
    }
    const bool wav = (sfFormat & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV;
    // A WAV coding that RF64 also takes is written as RF64 that stays a plain
    // WAV file while it is small: past 4 GiB the recording goes on.
    SF_INFO rf64 = info;
    rf64.format = SF_FORMAT_RF64 | (sfFormat & SF_FORMAT_SUBMASK);
    const bool growsPast4GiB = wav && sf_format_check(&rf64);
    if (growsPast4GiB) info = rf64;
    errno = 0;
    SNDFILE* sf = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!sf) {
        error = errno != 0 ? std::strerror(errno) : sf_strerror(nullptr);
        return nullptr;
    }
    if (growsPast4GiB) sf_command(sf, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
    sf_command(sf, SFC_SET_UPDATE_HEADER_AUTO, nullptr, SF_TRUE);
    const bool vox = (sfFormat & SF_FORMAT_SUBMASK) == SF_FORMAT_VOX_ADPCM;
    if (!wav || growsPast4GiB) {
        return std::make_unique<SndfileEncoder>(sf, std::string(), vox, 0, 0.0, std::string());
    }
    // The other WAV codings end at the 32-bit size limit, cleanly.
    WavCoding coding = WavCoding::Pcm16;
    CodingOfSndfile(sfFormat, coding);
    return std::make_unique<SndfileEncoder>(
        sf, path, vox, wavSizeLimit, WavBytesPerFrame(sfFormat, channels),
        std::string("the WAV file reached its 4 GiB size limit (") + WavCodingName(coding) +
            " cannot continue as RF64)");
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

bool ReadSndfileShape(const std::string& path, SndfileShape& shape) {
    SF_INFO info{};
    SNDFILE* sf = sf_open(path.c_str(), SFM_READ, &info);
    if (!sf) return false;
    sf_close(sf);
    shape = {info.format, info.samplerate, info.channels};
    return true;
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

}  // namespace codecs
}  // namespace qsr::audio::file
