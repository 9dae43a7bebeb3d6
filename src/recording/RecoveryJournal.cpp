#include "recording/RecoveryJournal.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>

#include "core/AtomicFile.h"
#include "core/TextFile.h"

namespace qsr::recording {
namespace {

// The journal names a few recordings in progress; a larger file is not one.
constexpr std::size_t kMaxJournalBytes = 16 * 1024 * 1024;

std::string ReadText(const std::string& file) {
    return core::ReadTextFile(file, kMaxJournalBytes).text;
}

std::uint32_t Get32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void Set32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
void Set64(unsigned char* p, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

// Other processes and the next start may run in another folder.
std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

// Held while the journal is read and rewritten: the window and quorvin-cli
// change it at the same moment, and neither may drop the other's entry. A
// lock file beside it, as the journal itself is replaced on each change.
class ChangeLock {
  public:
    explicit ChangeLock(const std::string& journal)
        : fd_(::open((journal + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)) {
        if (fd_ >= 0)
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
    }
    ~ChangeLock() {
        if (fd_ >= 0) ::close(fd_);  // closing lets go of the lock
    }
    ChangeLock(const ChangeLock&) = delete;
    ChangeLock& operator=(const ChangeLock&) = delete;

  private:
    int fd_;
};

bool Fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
}

// Reads the entry whose line starts at `at` and ends at `end` (the next line
// feed or the text's end); a path given with its length may hold line feeds
// and moves `end` past them. False for a line that does not parse.
bool ParseEntry(const std::string& text, std::size_t at, std::size_t& end, JournalEntry& e) {
    const auto tab1 = text.find('\t', at);
    const auto tab2 = tab1 >= end ? end : text.find('\t', tab1 + 1);
    if (tab2 >= end || tab2 + 1 >= end) return false;
    const char* const base = text.c_str();
    char* stop = nullptr;
    e.pid = std::strtol(base + at, &stop, 10);
    if (e.pid <= 0) return false;
    if (*stop == ':') e.processStart = std::strtoull(stop + 1, &stop, 10);
    if (stop != base + tab1) return false;
    e.startTime = std::strtoll(base + tab1 + 1, &stop, 10);
    if (stop != base + tab2) return false;
    // "LENGTH<TAB>path": the path's bytes as they are. An older journal holds
    // the path alone, to the end of the line; those paths are absolute.
    std::size_t digits = tab2 + 1;
    while (digits < end && digits - tab2 <= 9 &&
           std::isdigit(static_cast<unsigned char>(text[digits])))
        ++digits;
    if (digits > tab2 + 1 && digits < end && text[digits] == '\t') {
        const std::size_t length = std::stoul(text.substr(tab2 + 1, digits - tab2 - 1));
        const std::size_t pathEnd = digits + 1 + length;
        if (length == 0 || pathEnd > text.size() ||
            (pathEnd < text.size() && text[pathEnd] != '\n'))
            return false;
        e.path = text.substr(digits + 1, length);
        end = pathEnd;
        return true;
    }
    e.path = text.substr(tab2 + 1, end - tab2 - 1);
    if (e.path.back() == '\r') e.path.pop_back();
    return !e.path.empty();
}

// Reads a marker line "M<TAB>rate<TAB>frame<TAB>setAt<TAB>length<TAB>label"
// starting at `at`; moves `end` past a label holding line feeds.
bool ParseMarker(const std::string& text, std::size_t at, std::size_t& end, int& rate,
                 core::Marker& m) {
    if (text.compare(at, 2, "M\t") != 0) return false;
    const char* const base = text.c_str();
    char* stop = nullptr;
    rate = static_cast<int>(std::strtol(base + at + 2, &stop, 10));
    if (*stop != '\t' || rate <= 0) return false;
    m.frame = std::strtoll(stop + 1, &stop, 10);
    if (*stop != '\t' || m.frame < 0) return false;
    m.setAtMs = std::strtoll(stop + 1, &stop, 10);
    if (*stop != '\t') return false;
    const unsigned long long length = std::strtoull(stop + 1, &stop, 10);
    if (*stop != '\t') return false;
    const std::size_t labelAt = static_cast<std::size_t>(stop + 1 - base);
    if (length > text.size() - labelAt) return false;
    const std::size_t labelEnd = labelAt + length;
    if (labelEnd < text.size() && text[labelEnd] != '\n') return false;
    m.label = text.substr(labelAt, length);
    end = labelEnd;
    return true;
}

}  // namespace

std::vector<JournalEntry> ParseJournal(const std::string& text) {
    std::vector<JournalEntry> entries;
    std::size_t at = 0;
    bool lastKept = false;  // a marker line belongs to the entry before it
    while (at < text.size()) {
        std::size_t end = std::min(text.find('\n', at), text.size());
        JournalEntry e;
        int rate = 0;
        core::Marker m;
        if (ParseMarker(text, at, end, rate, m)) {
            if (lastKept) {
                entries.back().rate = rate;
                entries.back().markers.push_back(std::move(m));
            }
        } else {
            lastKept = ParseEntry(text, at, end, e);
            if (lastKept) entries.push_back(std::move(e));
        }
        at = end + 1;
    }
    return entries;
}

std::string JournalText(const std::vector<JournalEntry>& entries) {
    std::string text;
    for (const JournalEntry& e : entries) {
        text += std::to_string(e.pid);
        if (e.processStart != 0) text += ':' + std::to_string(e.processStart);
        text += '\t' + std::to_string(e.startTime) + '\t' + std::to_string(e.path.size()) + '\t' +
                e.path + '\n';
        for (const core::Marker& m : e.markers)
            text += "M\t" + std::to_string(e.rate) + '\t' + std::to_string(m.frame) + '\t' +
                    std::to_string(m.setAtMs) + '\t' + std::to_string(m.label.size()) + '\t' +
                    m.label + '\n';
    }
    return text;
}

bool ProcessAlive(long pid) {
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

std::uint64_t ProcessStartTicks(long pid) {
    if (pid <= 0) return 0;
    const std::string stat = ReadText("/proc/" + std::to_string(pid) + "/stat");
    // The name in parentheses may hold blanks; the start time is the 22nd
    // field, the 20th after the name.
    const auto paren = stat.rfind(')');
    if (paren == std::string::npos) return 0;
    std::istringstream fields(stat.substr(paren + 1));
    std::string field;
    for (int i = 0; i < 19 && fields >> field; ++i) {
    }
    std::uint64_t ticks = 0;
    return fields >> ticks ? ticks : 0;
}

bool EntryProcessAlive(const JournalEntry& entry) {
    if (!ProcessAlive(entry.pid)) return false;
    if (entry.processStart == 0) return true;
    const std::uint64_t now = ProcessStartTicks(entry.pid);
    return now == 0 || now == entry.processStart;
}

std::vector<JournalEntry> RecoveryJournal::Entries() const {
    return ParseJournal(ReadText(file_));
}

void RecoveryJournal::Write(const std::vector<JournalEntry>& entries) {
    if (entries.empty()) {
        std::error_code ec;
        std::filesystem::remove(file_, ec);
        return;
    }
    core::WriteFileAtomically(file_, JournalText(entries));
}

void RecoveryJournal::Add(const JournalEntry& entry) {
    const ChangeLock lock(file_);
    std::vector<JournalEntry> entries = Entries();
    JournalEntry added = entry;
    added.path = AbsolutePath(entry.path);
    if (added.pid == ::getpid() && added.processStart == 0)
        added.processStart = ProcessStartTicks(added.pid);
    entries.push_back(std::move(added));
    Write(entries);
}

void RecoveryJournal::Remove(const std::string& path) {
    const ChangeLock lock(file_);
    std::vector<JournalEntry> entries = Entries();
    const long self = ::getpid();
    const std::string absolute = AbsolutePath(path);
    std::erase_if(entries,
                  [&](const JournalEntry& e) { return e.pid == self && e.path == absolute; });
    Write(entries);
}

void RecoveryJournal::SetMarkers(const std::string& path, int rate,
                                 const std::vector<core::Marker>& markers) {
    const ChangeLock lock(file_);
    std::vector<JournalEntry> entries = Entries();
    const long self = ::getpid();
    const std::string absolute = AbsolutePath(path);
    for (JournalEntry& e : entries) {
        if (e.pid != self || e.path != absolute) continue;
        e.rate = rate;
        e.markers = markers;
    }
    Write(entries);
}

namespace {

struct Request {
    long pid = 0;
    RecoveryJournal::MarkRequest mark;
};

std::vector<Request> ParseRequests(const std::string& text) {
    std::vector<Request> out;
    std::size_t at = 0;
    while (at < text.size()) {
        const char* const base = text.c_str();
        char* stop = nullptr;
        Request r;
        r.pid = std::strtol(base + at, &stop, 10);
        if (*stop != '\t') break;
        r.mark.atMs = std::strtoll(stop + 1, &stop, 10);
        if (*stop != '\t') break;
        const unsigned long long length = std::strtoull(stop + 1, &stop, 10);
        const std::size_t labelAt = static_cast<std::size_t>(stop + 1 - base);
        if (*stop != '\t' || length > text.size() - labelAt) break;
        r.mark.label = text.substr(labelAt, length);
        out.push_back(std::move(r));
        at = labelAt + length + 1;
    }
    return out;
}

std::string RequestText(const std::vector<Request>& requests) {
    std::string text;
    for (const Request& r : requests)
        text += std::to_string(r.pid) + '\t' + std::to_string(r.mark.atMs) + '\t' +
                std::to_string(r.mark.label.size()) + '\t' + r.mark.label + '\n';
    return text;
}

void WriteRequests(const std::string& file, const std::vector<Request>& requests) {
    if (requests.empty()) {
        std::error_code ec;
        std::filesystem::remove(file, ec);
        return;
    }
    core::WriteFileAtomically(file, RequestText(requests));
}

}  // namespace

std::vector<long> RecoveryJournal::RequestMarker(const std::string& label, std::int64_t atMs) {
    const ChangeLock lock(file_);
    std::vector<Request> requests = ParseRequests(ReadText(MarkerRequestFile()));
    std::vector<long> asked;
    for (const JournalEntry& e : Entries()) {
        if (!EntryProcessAlive(e) || std::find(asked.begin(), asked.end(), e.pid) != asked.end())
            continue;
        asked.push_back(e.pid);
        requests.push_back({e.pid, {atMs, label}});
    }
    if (!asked.empty()) WriteRequests(MarkerRequestFile(), requests);
    return asked;
}

bool RecoveryJournal::MarkerRequested() const {
    std::error_code ec;
    return std::filesystem::exists(MarkerRequestFile(), ec) && MarkerPending(::getpid());
}

bool RecoveryJournal::MarkerPending(long pid) const {
    for (const Request& r : ParseRequests(ReadText(MarkerRequestFile())))
        if (r.pid == pid) return true;
    return false;
}

std::vector<RecoveryJournal::MarkRequest> RecoveryJournal::TakeMarkerRequests() {
    const ChangeLock lock(file_);
    std::vector<Request> requests = ParseRequests(ReadText(MarkerRequestFile()));
    std::vector<MarkRequest> mine;
    const long self = ::getpid();
    std::erase_if(requests, [&](Request& r) {
        if (r.pid != self) return false;
        mine.push_back(std::move(r.mark));
        return true;
    });
    // Requests to processes that are gone would wait for ever.
    std::erase_if(requests, [](const Request& r) { return !ProcessAlive(r.pid); });
    if (!mine.empty()) WriteRequests(MarkerRequestFile(), requests);
    return mine;
}

std::vector<JournalEntry> RecoveryJournal::TakeInterrupted() {
    const ChangeLock lock(file_);
    std::vector<JournalEntry> kept, interrupted;
    for (JournalEntry& e : Entries())
        (EntryProcessAlive(e) ? kept : interrupted).push_back(std::move(e));
    if (!interrupted.empty()) Write(kept);
    return interrupted;
}

bool RepairRecording(const std::string& path, std::string* error) {
    std::FILE* f = std::fopen(path.c_str(), "r+b");
    if (!f) return Fail(error, path + ": " + std::strerror(errno));
    struct Closer {
        std::FILE* f;
        ~Closer() { std::fclose(f); }
    } closer{f};
    std::error_code ec;
    const std::uint64_t length = std::filesystem::file_size(path, ec);
    unsigned char head[12];
    if (ec || std::fread(head, 1, 12, f) != 12) return true;  // too short to be a WAV file
    const bool riff = std::memcmp(head, "RIFF", 4) == 0;
    const bool rf64 = std::memcmp(head, "RF64", 4) == 0;
    if ((!riff && !rf64) || std::memcmp(head + 8, "WAVE", 4) != 0) return true;

    // Walk the chunks up to "data", remembering where ds64 and fmt are.
    long ds64 = -1;
    std::uint32_t blockAlign = 1;
    long offset = 12;
    for (;;) {
        unsigned char chunk[8];
        if (std::fseek(f, offset, SEEK_SET) != 0 || std::fread(chunk, 1, 8, f) != 8)
            return Fail(error, path + ": no data chunk");
        const std::uint32_t size = Get32(chunk + 4);
        if (std::memcmp(chunk, "ds64", 4) == 0) ds64 = offset;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            unsigned char fmt[16];
            if (size >= 16 && std::fread(fmt, 1, 16, f) == 16)
                blockAlign = std::max<std::uint32_t>(1, fmt[12] | (fmt[13] << 8));
        }
        if (std::memcmp(chunk, "data", 4) == 0) break;
        offset += 8 + static_cast<long>(size) + (size & 1);
        if (static_cast<std::uint64_t>(offset) >= length)
            return Fail(error, path + ": no data chunk");
    }
    const std::uint64_t dataStart = static_cast<std::uint64_t>(offset) + 8;
    std::uint64_t data = length > dataStart ? length - dataStart : 0;
    data -= data % blockAlign;
    const std::uint64_t riffSize = dataStart - 8 + data;

    bool ok = true;
    if (rf64 && ds64 >= 0) {
        unsigned char sizes[16];
        Set64(sizes, riffSize);
        Set64(sizes + 8, data);
        ok = std::fseek(f, ds64 + 8, SEEK_SET) == 0 && std::fwrite(sizes, 1, 16, f) == 16;
    } else if (riff && riffSize <= 0xFFFFFFFFull) {
        unsigned char size[4];
        Set32(size, static_cast<std::uint32_t>(riffSize));
        ok = std::fseek(f, 4, SEEK_SET) == 0 && std::fwrite(size, 1, 4, f) == 4;
        Set32(size, static_cast<std::uint32_t>(data));
        ok = ok && std::fseek(f, offset + 4, SEEK_SET) == 0 && std::fwrite(size, 1, 4, f) == 4;
    } else {
        return Fail(error, path + ": too long for a RIFF header without room for RF64");
    }
    ok = ok && std::fflush(f) == 0;
    if (ok && length > riffSize + 8)
        ok = ::ftruncate(::fileno(f), static_cast<off_t>(riffSize + 8)) == 0;
    if (!ok) return Fail(error, path + ": " + std::strerror(errno));
    return true;
}

}  // namespace qsr::recording
