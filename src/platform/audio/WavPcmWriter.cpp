#include "platform/audio/WavPcmWriter.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/audio/FileCodecs.h"

namespace qsr::audio::file {
namespace {

void Put32(std::vector<unsigned char>& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}
void Put64(std::vector<unsigned char>& b, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}
void Put16(std::vector<unsigned char>& b, std::uint16_t v) {
    b.push_back(static_cast<unsigned char>(v));
    b.push_back(static_cast<unsigned char>(v >> 8));
}
void PutId(std::vector<unsigned char>& b, const char* id) {
    b.insert(b.end(), id, id + 4);
}

bool LittleEndianHost() {
    const std::uint16_t one = 1;
    unsigned char c;
    std::memcpy(&c, &one, 1);
    return c == 1;
}

}  // namespace

WavPcmWriter::~WavPcmWriter() {
    Close();
}

bool WavPcmWriter::Open(const std::string& path, int rate, int channels, std::string& error) {
    if (rate <= 0 || channels < 1 || channels > 2) {
        error = "unsupported WAV parameters";
        return false;
    }
    f_ = std::fopen(path.c_str(), "wb");
    if (!f_) {
        error = std::strerror(errno);
        return false;
    }
    rate_ = rate;
    channels_ = channels;
    data_ = 0;
    rf64_ = false;
    if (!PutHeader() || std::fflush(f_) != 0) {
        error = std::strerror(errno);
        std::fclose(f_);
        f_ = nullptr;
        return false;
    }
    return true;
}

bool WavPcmWriter::PutHeader() {
    const std::uint64_t riff = kHeaderBytes - 8 + data_;
    if (!rf64_ && riff > limit_) rf64_ = true;
    std::vector<unsigned char> h;
    h.reserve(kHeaderBytes);
    PutId(h, rf64_ ? "RF64" : "RIFF");
    Put32(h, rf64_ ? 0xFFFFFFFFu : static_cast<std::uint32_t>(riff));
    PutId(h, "WAVE");
    PutId(h, rf64_ ? "ds64" : "JUNK");
    Put32(h, 28);
    if (rf64_) {
        Put64(h, riff);
        Put64(h, data_);
        Put64(h, data_ / (2u * static_cast<unsigned>(channels_)));
        Put32(h, 0);  // no table
    } else {
        h.insert(h.end(), 28, 0);
    }
    PutId(h, "fmt ");
    Put32(h, 16);
    Put16(h, 1);  // PCM
    Put16(h, static_cast<std::uint16_t>(channels_));
    Put32(h, static_cast<std::uint32_t>(rate_));
    Put32(h, static_cast<std::uint32_t>(rate_ * channels_ * 2));
    Put16(h, static_cast<std::uint16_t>(channels_ * 2));
    Put16(h, 16);
    PutId(h, "data");
    Put32(h, rf64_ ? 0xFFFFFFFFu : static_cast<std::uint32_t>(data_));
    return std::fseek(f_, 0, SEEK_SET) == 0 && std::fwrite(h.data(), 1, h.size(), f_) == h.size() &&
           std::fseek(f_, 0, SEEK_END) == 0;
}

bool WavPcmWriter::Write(const std::int16_t* frames, long count) {
    if (!f_) return false;
    const size_t values = static_cast<size_t>(count) * static_cast<size_t>(channels_);
    size_t written;
    if (LittleEndianHost()) {
        written = std::fwrite(frames, 2, values, f_);
    } else {
        std::vector<unsigned char> b;
        b.reserve(values * 2);
        for (size_t i = 0; i < values; ++i) Put16(b, static_cast<std::uint16_t>(frames[i]));
        written = std::fwrite(b.data(), 2, values, f_);
    }
    data_ += written * 2;
    // Header after data: at every moment the sizes describe bytes already there.
    return PutHeader() && std::fflush(f_) == 0 && written == values;
}

bool WavPcmWriter::Close() {
    if (!f_) return true;
    const bool ok = PutHeader();
    const bool closed = std::fclose(f_) == 0;
    f_ = nullptr;
    return ok && closed;
}

namespace {
class WavPcmEncoder : public IEncoder {
  public:
    bool Open(const std::string& path, int rate, int channels, std::string& error) {
        return w_.Open(path, rate, channels, error);
    }
    bool Write(const std::int16_t* frames, long count) override { return w_.Write(frames, count); }
    bool Finish() override { return w_.Close(); }

  private:
    WavPcmWriter w_;
};
}  // namespace

std::unique_ptr<IEncoder> OpenWavPcmEncoder(const std::string& path, int rate, int channels,
                                            std::string& error) {
    auto e = std::make_unique<WavPcmEncoder>();
    if (!e->Open(path, rate, channels, error)) return nullptr;
    return e;
}

}  // namespace qsr::audio::file
