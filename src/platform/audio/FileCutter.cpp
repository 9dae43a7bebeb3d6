#include "platform/audio/FileCutter.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "core/AtomicFile.h"
#include "platform/audio/FileCodecs.h"

namespace qsr::audio::file {

MappedFile::~MappedFile() {
    if (data_) ::munmap(const_cast<unsigned char*>(data_), size_);
}

bool MappedFile::Open(const std::string& path, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (!ok) error = "not a regular file";
    if (ok && st.st_size > 0) {
        void* p =
            ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (p == MAP_FAILED) {
            error = std::strerror(errno);
            ok = false;
        } else {
            ::madvise(p, static_cast<std::size_t>(st.st_size), MADV_SEQUENTIAL);
            data_ = static_cast<const unsigned char*>(p);
            size_ = static_cast<std::size_t>(st.st_size);
        }
    }
    ::close(fd);
    if (ok && !data_) {
        error = "the file is empty";
        ok = false;
    }
    return ok;
}

CutSink::CutSink(int fd) : fd_(fd) {
    if (const char* at = std::getenv("QSR_TEST_KILL_SAVE_AT")) killAt_ = std::atoll(at);
}

bool CutSink::Fail() {
    error_ = std::strerror(errno != 0 ? errno : EIO);
    return false;
}

bool CutSink::Write(const void* data, std::size_t n) {
    const auto* p = static_cast<const unsigned char*>(data);
    while (n > 0) {
        std::size_t piece = n;
        const bool kill = killAt_ >= 0 && written_ + static_cast<std::int64_t>(n) >= killAt_;
        if (kill) piece = static_cast<std::size_t>(killAt_ - written_);
        while (piece > 0) {
            const ssize_t put = ::write(fd_, p, piece);
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) {
                if (put == 0) errno = ENOSPC;
                return Fail();
            }
            p += put;
            n -= static_cast<std::size_t>(put);
            piece -= static_cast<std::size_t>(put);
            written_ += put;
        }
        if (kill) std::raise(SIGKILL);
    }
    return true;
}

bool CutSink::WriteAt(std::int64_t at, const void* data, std::size_t n) {
    if (::pwrite(fd_, data, n, static_cast<off_t>(at)) != static_cast<ssize_t>(n)) return Fail();
    return true;
}

namespace {

bool InOrder(const std::vector<SampleSpan>& kept) {
    if (kept.empty()) return false;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (kept[i].begin < 0 || kept[i].begin >= kept[i].end) return false;
        if (i > 0 && kept[i].begin < kept[i - 1].end) return false;
    }
    return true;
}

class FileCutter : public IFileCutter {
  public:
    void SetRawFrameBytes(int bytes) override { rawFrameBytes_ = bytes; }
    void SetHeaderlessFormat(int rate, int g726Bits) override {
        rate_ = rate;
        g726Bits_ = g726Bits;
    }

    CutAbility Ability(const std::string& path, const std::vector<SampleSpan>& kept) override {
        CutAbility a;
        a.joins = kept.size() > 1;
        const std::string ext = LowerExtension(path);
        if (ext == "wav") {
            MappedFile f;
            std::string error;
            a.note = f.Open(path, error) ? WavCutRefusal(f) : error;
        } else if (ext == "mp3") {
            if (a.joins) a.note = "An MP3 file keeps one span: a cut inside it would code it again";
        } else if (ext == "opus") {
            if (a.joins)
                a.note = "An Opus file keeps one span: a cut inside it would code it again";
        } else if (ext == "raw") {
            if (rawFrameBytes_ <= 0) a.note = "the RAW format is not known";
        } else if (ext == "vox") {
            a.note =
                "VOX is coded again from each cut on; the old codes are copied only where "
                "the coder falls in step with them, which is rare";
        } else if (ext == "g726") {
            if (g726Bits_ < 2 || g726Bits_ > 5) {
                a.note = "the G.726 format is not known";
            } else {
                a.note =
                    "G.726 is coded again after each cut until the coder falls in step with "
                    "the old codes, copied from there on (at 4 and 5 bits, or on a steady "
                    "tone, that seldom happens)";
            }
        } else if (ext == "ogg") {
            a.note = "Ogg Vorbis files cannot be cut without coding them again yet";
        } else if (ext != "flac") {
            a.note = "This format cannot be cut without coding it again";
        }
        // VOX and G.726 cut with a note of what is coded again.
        const bool adpcm = (ext == "vox" || (ext == "g726" && g726Bits_ >= 2 && g726Bits_ <= 5));
        if ((a.note.empty() || adpcm) && !InOrder(kept)) {
            a.note = "nothing is kept";
            a.possible = false;
            return a;
        }
        a.possible = a.note.empty() || adpcm;
        return a;
    }

    CutResult Cut(const std::string& in, const std::vector<SampleSpan>& kept,
                  const std::string& out, const Progress& progress) override {
        CutResult r;
        const CutAbility ability = Ability(in, kept);
        if (!ability.possible) {
            r.error = ability.note;
            return r;
        }
        const std::string ext = LowerExtension(in);
        // What a killed cut of this file left behind goes first.
        core::RemoveLeftCopies(out);
        core::ReplacingFile copy;
        if (!copy.Begin(out, &r.error)) return r;
        if (ext == "flac") {
            r = CutFlac(in, kept, copy.TempPath(), progress);
        } else if (ext == "opus") {
            r = CutOpus(in, kept, copy.TempPath(), progress);
        } else if (ext == "vox") {
            r = CutVox(in, rate_, kept, copy.TempPath(), progress);
        } else if (ext == "g726") {
            r = CutG726(in, G726Params{rate_ > 0 ? rate_ : 8000, g726Bits_}, kept, copy.TempPath(),
                        progress);
        } else {
            MappedFile source;
            if (!source.Open(in, r.error)) return r;
            CutSink sink(copy.Fd());
            if (ext == "wav") r = CutPcmWav(source, kept, sink, progress);
            if (ext == "raw") r = CutRaw(source, rawFrameBytes_, kept, sink, progress);
            if (ext == "mp3") r = CutMp3(source, kept, sink, progress);
        }
        if (!r.ok) return r;
        // The copy is read back before it replaces anything.
        std::string wrong;
        if (ext == "wav") wrong = CheckWav(copy.TempPath(), r.samples);
        if (ext == "mp3") wrong = CheckMp3(copy.TempPath(), r.samples);
        if (ext == "raw" || ext == "vox" || ext == "g726") {
            // Headerless: the size says how many samples it holds.
            const std::int64_t bytes = ext == "raw"   ? r.samples * rawFrameBytes_
                                       : ext == "vox" ? r.samples / 2
                                                      : r.samples * g726Bits_ / 8;
            struct stat st {};
            if (::stat(copy.TempPath().c_str(), &st) != 0 || st.st_size != bytes) {
                wrong = "the written copy does not hold the kept sound";
            }
        }
        if (wrong.empty() && !copy.Commit(&wrong) && wrong.empty()) wrong = "unknown error";
        if (!wrong.empty()) {
            r.ok = false;
            r.error = wrong;
        }
        return r;
    }

  private:
    int rawFrameBytes_ = 0;
    int rate_ = 0, g726Bits_ = 0;
};

}  // namespace

std::unique_ptr<IFileCutter> CreateFileCutter() {
    return std::make_unique<FileCutter>();
}

}  // namespace qsr::audio::file
