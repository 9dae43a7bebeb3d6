// G.726 cuts. Every code changes the decoder's adaptive state (step sizes,
// predictor), so copied codes would be decoded from the wrong state. From the
// start of each kept span the decoded original is coded again, the coder
// starting in the state a decoder of the new file is in there, until that
// state is the original decoder's at the same sample; from there the original
// codes are copied and decode to exactly the original's samples. At 2 and 3
// bits a code this takes about a second to five; at 4 and 5 bits the states
// often never meet, and the span is coded again whole.
extern "C" {
#include <spandsp.h>
#include <spandsp/private/bitstream.h>
#include <spandsp/private/g726.h>
}
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/g726/G726.h"

namespace qsr::audio::file::g726 {
namespace {

// The state a code leaves behind, without the bit packing's part.
bool SameState(const g726_state_t& a, const g726_state_t& b) {
    return a.yl == b.yl && a.yu == b.yu && a.dms == b.dms && a.dml == b.dml && a.ap == b.ap &&
           std::memcmp(a.a, b.a, sizeof a.a) == 0 && std::memcmp(a.b, b.b, sizeof a.b) == 0 &&
           std::memcmp(a.pk, b.pk, sizeof a.pk) == 0 && std::memcmp(a.dq, b.dq, sizeof a.dq) == 0 &&
           std::memcmp(a.sr, b.sr, sizeof a.sr) == 0 && a.td == b.td;
}

// One code a byte in and out, so the state can be seen after each sample.
struct State {
    explicit State(int bitsCode)
        : s(g726_init(nullptr, bitsCode * 8000, G726_ENCODING_LINEAR, G726_PACKING_NONE)) {}
    ~State() {
        if (s) g726_free(s);
    }
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    g726_state_t* s;
};

// The file's codes, packed from each byte's high bit (as the writer packs them).
class CodeReader {
  public:
    CodeReader(const unsigned char* data, std::size_t size, int bits)
        : data_(data), size_(size), bits_(bits) {}
    std::int64_t Count() const { return static_cast<std::int64_t>(size_ * 8 / bits_); }
    std::uint8_t At(std::int64_t i) const {
        const std::int64_t bit = i * bits_;
        const std::size_t byte = static_cast<std::size_t>(bit / 8);
        unsigned window = static_cast<unsigned>(data_[byte]) << 8;
        if (byte + 1 < size_) window |= data_[byte + 1];
        const int shift = 16 - static_cast<int>(bit % 8) - bits_;
        return static_cast<std::uint8_t>((window >> shift) & ((1u << bits_) - 1));
    }

  private:
    const unsigned char* data_;
    std::size_t size_;
    int bits_;
};

// The new file, its codes packed from the high bit; a whole number of bytes
// of codes is put in (the caller sees to that).
class Out {
  public:
    explicit Out(const std::string& path)
        : fd_(::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC)) {}
    ~Out() {
        if (fd_ >= 0) ::close(fd_);
    }
    Out(const Out&) = delete;
    Out& operator=(const Out&) = delete;
    bool Ok() const { return fd_ >= 0 && ok_; }
    void Put(std::uint8_t code, int bits) {
        word_ = (word_ << bits) | code;
        held_ += bits;
        while (held_ >= 8) {
            held_ -= 8;
            buffer_.push_back(static_cast<unsigned char>(word_ >> held_));
        }
        if (buffer_.size() >= (1u << 16)) Flush();
    }
    bool Close() {
        Flush();
        const bool closed = fd_ >= 0 && ::close(fd_) == 0;
        fd_ = -1;
        return ok_ && closed;
    }

  private:
    void Flush() {
        const unsigned char* from = buffer_.data();
        std::size_t left = buffer_.size();
        while (ok_ && left > 0) {
            const ssize_t n = ::write(fd_, from, left);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                if (n == 0) errno = ENOSPC;
                ok_ = false;
                break;
            }
            from += n;
            left -= static_cast<std::size_t>(n);
        }
        buffer_.clear();
    }
    int fd_;
    bool ok_ = true;
    std::uint32_t word_ = 0;
    int held_ = 0;
    std::vector<unsigned char> buffer_;
};

}  // namespace

CutResult CutG726(const std::string& in, const G726Params& p, const std::vector<SampleSpan>& kept,
                  const std::string& out, const IFileCutter::Progress& progress) {
    CutResult r;
    const int bits = p.bitsCode;
    if (bits < 2 || bits > 5) {
        r.error = "the G.726 format is not known";
        return r;
    }
    const int fd = ::open(in.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || st.st_size <= 0) {
        r.error = fd < 0 ? std::strerror(errno) : "the file is empty";
        if (fd >= 0) ::close(fd);
        return r;
    }
    const auto size = static_cast<std::size_t>(st.st_size);
    void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (map == MAP_FAILED) {
        r.error = std::strerror(errno);
        return r;
    }
    struct Unmap {
        void* p;
        std::size_t n;
        ~Unmap() { ::munmap(p, n); }
    } unmap{map, size};
    const CodeReader codes(static_cast<const unsigned char*>(map), size, bits);

    // Whole bytes only: what is left is cut to a whole number of bytes' codes.
    const std::int64_t perBytes = bits % 2 == 0 ? 8 / bits : 8;
    std::vector<SampleSpan> spans;
    std::int64_t length = 0;
    for (SampleSpan s : kept) {
        s.end = std::min(s.end, codes.Count());
        if (s.begin >= s.end) continue;
        spans.push_back(s);
        length += s.Length();
    }
    for (std::int64_t extra = length % perBytes; extra > 0 && !spans.empty();) {
        const std::int64_t take = std::min(extra, spans.back().Length());
        spans.back().end -= take;
        length -= take;
        extra -= take;
        if (spans.back().Length() == 0) spans.pop_back();
    }
    if (length <= 0) {
        r.error = "nothing is kept";
        return r;
    }

    State original(bits), coder(bits), result(bits);
    if (!original.s || !coder.s || !result.s) {
        r.error = "the G.726 coder could not start";
        return r;
    }
    // Codes packed from the high bit, as the writer does, and written a piece
    // at a time.
    Out file(out);
    if (!file.Ok()) {
        r.error = std::strerror(errno);
        return r;
    }
    std::int64_t at = 0, done = 0;
    for (const SampleSpan& s : spans) {
        std::int16_t sample = 0;
        for (; at < s.begin; ++at) {
            const std::uint8_t c = codes.At(at);
            g726_decode(original.s, &sample, &c, 1);
        }
        // The coder starts where a decoder of the new file is.
        *coder.s = *result.s;
        bool met = false;
        for (; at < s.end; ++at, ++done) {
            const std::uint8_t c = codes.At(at);
            g726_decode(original.s, &sample, &c, 1);
            if (met) {
                file.Put(c, bits);
            } else {
                std::uint8_t again = 0;
                g726_encode(coder.s, &again, &sample, 1);
                file.Put(again, bits);
                met = SameState(*coder.s, *original.s);
            }
            if (done % 65536 == 0 &&
                ((progress && !progress(static_cast<double>(done) / static_cast<double>(length))) ||
                 !file.Ok())) {
                r.error = file.Ok() ? "cancelled" : std::strerror(errno ? errno : ENOSPC);
                return r;
            }
        }
        *result.s = met ? *original.s : *coder.s;
    }
    if (!file.Close()) {
        r.error = std::strerror(errno ? errno : ENOSPC);
        return r;
    }
    if (progress && !progress(1.0)) {
        r.error = "cancelled";
        return r;
    }
    r.samples = length;
    r.ok = true;
    return r;
}

}  // namespace qsr::audio::file::g726
