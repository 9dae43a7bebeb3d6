#include "platform/audio/MarkerStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>

#include "core/AtomicFile.h"
#include "core/OutputFormats.h"
#include "core/TextFile.h"
#include "platform/audio/Modules.h"
#include "platform/audio/TagLibModule.h"

namespace qsr::audio {
namespace {

bool Fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
}

bool SystemFail(std::string* error) {
    return Fail(error, std::strerror(errno ? errno : EIO));
}

const TagLibModuleTable* TagLib() {
    static const auto* table = static_cast<const TagLibModuleTable*>(
        ModuleTable(kTagLibModuleFile, kTagLibModuleEntry, kTagLibModuleVersion));
    return table;
}

// Our own RIFF walk: libsndfile writes cue points only while it writes the
// whole file and keeps no labels, and a finished recording only needs two
// chunks appended after its last one.
std::uint64_t Get(const unsigned char* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

void Set(unsigned char* p, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

struct Chunk {
    std::uint64_t offset;  // of its id
    char id[5];
    std::uint64_t size;  // of its body
    bool markers;        // a `cue ` or LIST/adtl chunk
};

struct Riff {
    bool rf64 = false;
    std::uint64_t end = 0;   // 8 + the RIFF size: where the chunks end
    std::uint64_t ds64 = 0;  // offset of the ds64 chunk (RF64)
    int rate = 0;
    std::vector<Chunk> chunks;
};

bool ReadAt(int fd, void* buffer, std::size_t size, std::uint64_t offset) {
    return ::pread(fd, buffer, size, static_cast<off_t>(offset)) == static_cast<ssize_t>(size);
}

bool WriteAt(int fd, const void* buffer, std::size_t size, std::uint64_t offset) {
    return ::pwrite(fd, buffer, size, static_cast<off_t>(offset)) == static_cast<ssize_t>(size);
}

bool ReadRiff(int fd, Riff& riff, std::string* error) {
    unsigned char head[12];
    struct stat st {};
    if (::fstat(fd, &st) != 0) return SystemFail(error);
    const auto length = static_cast<std::uint64_t>(st.st_size);
    if (!ReadAt(fd, head, 12, 0) || std::memcmp(head + 8, "WAVE", 4) != 0 ||
        (std::memcmp(head, "RIFF", 4) != 0 && std::memcmp(head, "RF64", 4) != 0))
        return Fail(error, "not a WAV file");
    riff.rf64 = std::memcmp(head, "RF64", 4) == 0;
    riff.end = std::min<std::uint64_t>(length, 8 + Get(head + 4, 4));
    std::uint64_t rf64Data = 0;
    for (std::uint64_t at = 12; at + 8 <= riff.end;) {
        unsigned char h[8];
        if (!ReadAt(fd, h, 8, at)) return SystemFail(error);
        Chunk c{at, {}, Get(h + 4, 4), false};
        std::memcpy(c.id, h, 4);
        c.id[4] = '\0';
        if (riff.rf64 && std::strcmp(c.id, "ds64") == 0) {
            unsigned char sizes[16];
            if (!ReadAt(fd, sizes, 16, at + 8)) return SystemFail(error);
            riff.ds64 = at;
            riff.end = std::min<std::uint64_t>(length, 8 + Get(sizes, 8));
            rf64Data = Get(sizes + 8, 8);
        }
        if (riff.rf64 && std::strcmp(c.id, "data") == 0 && c.size == 0xFFFFFFFFu) c.size = rf64Data;
        if (std::strcmp(c.id, "fmt ") == 0 && c.size >= 8) {
            unsigned char rate[4];
            if (ReadAt(fd, rate, 4, at + 12)) riff.rate = static_cast<int>(Get(rate, 4));
        }
        char type[4] = {};
        if (std::strcmp(c.id, "LIST") == 0 && c.size >= 4) ReadAt(fd, type, 4, at + 8);
        c.markers = std::strcmp(c.id, "cue ") == 0 ||
                    (std::strcmp(c.id, "LIST") == 0 && std::memcmp(type, "adtl", 4) == 0);
        riff.chunks.push_back(c);
        at += 8 + c.size + (c.size & 1);
    }
    if (riff.rf64 && riff.ds64 == 0) return Fail(error, "an RF64 file without its sizes");
    return true;
}

// The RIFF size (RIFF or ds64) becomes end - 8.
bool SetRiffEnd(int fd, const Riff& riff, std::uint64_t end) {
    unsigned char size[8];
    if (riff.rf64) {
        Set(size, end - 8, 8);
        return WriteAt(fd, size, 8, riff.ds64 + 8);
    }
    Set(size, end - 8, 4);
    return WriteAt(fd, size, 4, 4);
}

bool CopyRange(int from, int to, std::uint64_t offset, std::uint64_t size, std::uint64_t& out) {
    char buffer[1 << 16];
    while (size > 0) {
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(size, sizeof buffer));
        if (!ReadAt(from, buffer, n, offset) || !WriteAt(to, buffer, n, out)) return false;
        offset += n;
        out += n;
        size -= n;
    }
    return true;
}

struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

std::string CueSheetPath(const std::string& path) {
    return std::filesystem::path(path).replace_extension(".cue").string();
}

bool StoreWavMarkers(const std::string& path, const std::vector<core::Marker>& markers,
                     std::string* error) {
    Fd file{::open(path.c_str(), O_RDWR | O_CLOEXEC)};
    if (file.fd < 0) return SystemFail(error);
    Riff riff;
    if (!ReadRiff(file.fd, riff, error)) return false;
    const std::string chunks = markers.empty() ? std::string() : core::WavCueChunks(markers);
    bool old = false;
    for (const Chunk& c : riff.chunks) old = old || c.markers;
    if (!old) {
        if (chunks.empty()) return true;
        // Appended past the end first: a kill before the size is set leaves
        // the file as it was, with bytes its readers pass over.
        const std::uint64_t at = riff.end + (riff.end & 1);
        const std::uint64_t end = at + chunks.size();
        if (!riff.rf64 && end - 8 > 0xFFFFFFFFu)
            return Fail(error, "the file is too long for more chunks");
        const char pad = 0;
        errno = 0;
        if ((at > riff.end && !WriteAt(file.fd, &pad, 1, riff.end)) ||
            !WriteAt(file.fd, chunks.data(), chunks.size(), at) ||
            ::ftruncate(file.fd, static_cast<off_t>(end)) != 0 || ::fsync(file.fd) != 0 ||
            !SetRiffEnd(file.fd, riff, end) || ::fsync(file.fd) != 0)
            return SystemFail(error);
        return true;
    }
    // Markers there already: a copy without them, the new ones at its end.
    core::ReplacingFile copy;
    if (!copy.Begin(path, error)) return false;
    std::uint64_t out = 0;
    errno = 0;
    bool ok = CopyRange(file.fd, copy.Fd(), 0, 12, out);
    for (const Chunk& c : riff.chunks) {
        if (!ok) break;
        if (c.markers) continue;
        ok = CopyRange(file.fd, copy.Fd(), c.offset,
                       std::min(8 + c.size + (c.size & 1), riff.end - c.offset), out);
        if (out & 1) {
            const char pad = 0;
            ok = ok && WriteAt(copy.Fd(), &pad, 1, out++);
        }
    }
    ok = ok && WriteAt(copy.Fd(), chunks.data(), chunks.size(), out);
    out += chunks.size();
    if (!riff.rf64 && out - 8 > 0xFFFFFFFFu) return Fail(error, "the file is too long");
    ok = ok && SetRiffEnd(copy.Fd(), riff, out);
    if (!ok) return SystemFail(error);
    return copy.Commit(error);
}

bool ReadWavMarkers(const std::string& path, std::vector<core::Marker>& markers, int& rate,
                    std::string* error) {
    markers.clear();
    Fd file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0) return SystemFail(error);
    Riff riff;
    if (!ReadRiff(file.fd, riff, error)) return false;
    rate = riff.rate;
    std::string cue, adtl;
    for (const Chunk& c : riff.chunks) {
        if (!c.markers || c.size > (16u << 20)) continue;
        std::string& body = std::strcmp(c.id, "cue ") == 0 ? cue : adtl;
        body.resize(static_cast<std::size_t>(c.size));
        if (!ReadAt(file.fd, body.data(), body.size(), c.offset + 8)) return SystemFail(error);
    }
    markers = core::MarkersFromWavChunks(cue, adtl);
    return true;
}

bool StoreMarkers(const std::string& path, int rate, const std::vector<core::Marker>& markers,
                  std::string* error) {
    const auto type = core::EncoderForPath(path);
    if (!type) return Fail(error, "this file type keeps no markers");
    switch (*type) {
        case core::Encoder::Wav:
            return StoreWavMarkers(path, markers, error);
        case core::Encoder::Mp3:
        case core::Encoder::Ogg:
        case core::Encoder::Opus:
        case core::Encoder::Flac: {
            const TagLibModuleTable* table = TagLib();
            if (!table) return Fail(error, "the tag module is missing");
            return table->writeChapters(path, rate, markers, error);
        }
        case core::Encoder::Vox:
        case core::Encoder::Raw:
        case core::Encoder::G726: {
            const std::string sheet = CueSheetPath(path);
            if (markers.empty()) {
                std::error_code ec;
                std::filesystem::remove(sheet, ec);
                return !ec || Fail(error, ec.message());
            }
            const std::string name = std::filesystem::path(path).filename().string();
            return core::WriteFileAtomically(sheet, core::CueSheet(name, markers, rate), error);
        }
        case core::Encoder::Wma:
            break;
    }
    return Fail(error, "this file type keeps no markers");
}

bool ReadMarkers(const std::string& path, std::vector<core::Marker>& markers, int& rate,
                 std::string* error) {
    markers.clear();
    const auto type = core::EncoderForPath(path);
    if (!type) return Fail(error, "this file type keeps no markers");
    switch (*type) {
        case core::Encoder::Wav:
            return ReadWavMarkers(path, markers, rate, error);
        case core::Encoder::Mp3:
        case core::Encoder::Ogg:
        case core::Encoder::Opus:
        case core::Encoder::Flac: {
            const TagLibModuleTable* table = TagLib();
            if (!table) return Fail(error, "the tag module is missing");
            return table->readChapters(path, markers, rate, error);
        }
        case core::Encoder::Vox:
        case core::Encoder::Raw:
        case core::Encoder::G726: {
            std::error_code ec;
            if (!std::filesystem::exists(CueSheetPath(path), ec)) return true;
            const core::TextFileRead sheet = core::ReadTextFile(CueSheetPath(path), 1 << 20);
            if (!sheet.ok) return Fail(error, sheet.why);
            markers = core::MarkersFromCueSheet(sheet.text, rate);
            return true;
        }
        case core::Encoder::Wma:
            break;
    }
    return Fail(error, "this file type keeps no markers");
}

}  // namespace qsr::audio
