#include "platform/audio/WavPcmWriter.h"

#include <fcntl.h>
#include <unistd.h>

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

bool WavPcmWriter::Fail() {
    error_ = std::strerror(errno);
    return false;
}

bool WavPcmWriter::Open(const std::string& path, int rate, int channels, std::string& error) {
    if (rate <= 0 || channels < 1 || channels > 2) {
        error = "unsupported WAV parameters";
        return false;
    }
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        error = std::strerror(errno);
        return false;
    }
    rate_ = rate;
    channels_ = channels;
    data_ = 0;
    rf64_ = false;
    error_.clear();
    // The header goes in place with pwrite; the data follows it.
    if (!PutHeader() || ::lseek(fd_, 0, SEEK_END) < 0) {
        if (error_.empty()) error_ = std::strerror(errno);
        error = error_;
        ::close(fd_);
        fd_ = -1;
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
    const ssize_t n = ::pwrite(fd_, h.data(), h.size(), 0);
    if (n == static_cast<ssize_t>(h.size())) return true;
    if (n >= 0) errno = ENOSPC;
    return Fail();
}

bool WavPcmWriter::Write(const std::int16_t* frames, long count) {
    if (fd_ < 0) return false;
    const std::size_t frameBytes = 2u * static_cast<std::size_t>(channels_);
    const std::size_t bytes = static_cast<std::size_t>(count) * frameBytes;
    std::vector<unsigned char> swapped;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(frames);
    if (!LittleEndianHost()) {
        swapped.reserve(bytes);
        for (std::size_t i = 0; i < bytes / 2; ++i)
            Put16(swapped, static_cast<std::uint16_t>(frames[i]));
        p = swapped.data();
    }
    std::size_t done = 0;
    int failure = 0;
    while (done < bytes) {
        const ssize_t n = ::write(fd_, p + done, bytes - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            failure = n < 0 ? errno : ENOSPC;
            break;
        }
    }
    // Only whole frames count; a torn frame at the end is cut off again.
    const std::size_t whole = done / frameBytes * frameBytes;
    // Should the cut fail, the header still names whole frames only and
    // readers ignore the stray bytes after them.
    if (whole < done && ::ftruncate(fd_, static_cast<off_t>(kHeaderBytes + data_ + whole)) == 0)
        ::lseek(fd_, 0, SEEK_END);
    data_ += whole;
    // Header after data: at every moment the sizes describe bytes already there.
    const bool headerOk = PutHeader();
    if (failure != 0) {
        errno = failure;
        return Fail();
    }
    return headerOk;
}

bool WavPcmWriter::Close() {
    if (fd_ < 0) return true;
    bool ok = PutHeader();
    if (::close(fd_) != 0 && ok) ok = Fail();
    fd_ = -1;
    return ok;
}

namespace {
class WavPcmEncoder : public IEncoder {
  public:
    bool Open(const std::string& path, int rate, int channels, std::string& error) {
        return w_.Open(path, rate, channels, error);
    }
    bool Write(const std::int16_t* frames, long count) override { return w_.Write(frames, count); }
    bool Finish() override { return w_.Close(); }
    std::string Error() const override { return w_.Error(); }

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
