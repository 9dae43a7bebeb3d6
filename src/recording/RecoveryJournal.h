#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Markers.h"

namespace qsr::recording {

// The journal file in the application folder.
inline constexpr const char* kJournalFileName = "recordings.journal";

// One recording that was running: who wrote it, where, since when.
struct JournalEntry {
    long pid = 0;                // the process recording it
    std::string path;            // the recording's file
    std::int64_t startTime = 0;  // seconds since the epoch
    // When that process started, in clock ticks since boot (0 = not known):
    // tells it from a later process that got the same id.
    std::uint64_t processStart = 0;
    // The markers set so far, in the file's frames at `rate`.
    int rate = 0;
    std::vector<core::Marker> markers = {};

    bool operator==(const JournalEntry&) const = default;
};

// Names every recording while it runs, so that a recording interrupted by a
// crash or a power loss is found at the next start. A small text file,
// replaced atomically on each change: one entry per recording,
// "pid[:processStart]<TAB>start<TAB>length<TAB>path<LF>", the path's length
// in bytes before it so that any name (line feeds included) reads back as it
// was; entries without the length (path to the end of the line) are still
// read. Each marker of a recording follows its entry as a line
// "M<TAB>rate<TAB>frame<TAB>set at (ms)<TAB>length<TAB>label<LF>" (readers
// that know no markers pass over it). The program and quorvin-cli share it; an entry whose process
// still runs belongs to that process and is left alone.
class RecoveryJournal {
  public:
    explicit RecoveryJournal(std::string file) : file_(std::move(file)) {}

    const std::string& File() const { return file_; }

    // A relative path is stored absolute (so other processes and the next
    // start find it); this process's own entry gets its start time.
    void Add(const JournalEntry& entry);
    // Removes this process's entry for path.
    void Remove(const std::string& path);
    // This process's entry for path now lists these markers.
    void SetMarkers(const std::string& path, int rate, const std::vector<core::Marker>& markers);
    // The entries whose process is gone, taken out of the journal.
    std::vector<JournalEntry> TakeInterrupted();

    std::vector<JournalEntry> Entries() const;

    // Markers asked for from outside (quorvin-cli mark): a request file
    // beside the journal, "pid<TAB>ms since the epoch<TAB>length<TAB>label<LF>",
    // changed under the journal's lock. Every recording the journal names
    // whose process runs is asked; the processes asked (none: nothing records).
    std::vector<long> RequestMarker(const std::string& label, std::int64_t atMs);
    // Whether a request for this process is waiting (one stat, for every progress).
    bool MarkerRequested() const;
    struct MarkRequest {
        std::int64_t atMs = 0;
        std::string label;
    };
    // This process's requests, taken out of the file.
    std::vector<MarkRequest> TakeMarkerRequests();
    // Whether a request to `pid` still waits (the asker waits for it to be taken).
    bool MarkerPending(long pid) const;
    std::string MarkerRequestFile() const { return file_ + ".marks"; }

  private:
    void Write(const std::vector<JournalEntry>& entries);
    std::string file_;
};

// Journal text <-> entries; lines that do not parse are left out.
std::vector<JournalEntry> ParseJournal(const std::string& text);
std::string JournalText(const std::vector<JournalEntry>& entries);

// Whether a process with this id runs.
bool ProcessAlive(long pid);
// When the process started, in clock ticks since boot; 0 when not readable.
std::uint64_t ProcessStartTicks(long pid);
// Whether the entry's process still runs: its id is alive and, where both
// start times are known, it is the same process, not a later one that got
// the id again.
bool EntryProcessAlive(const JournalEntry& entry);

// Makes what a crash left of a recording playable as far as its format
// allows: a RIFF or RF64 WAV file gets the sizes its length gives (whole
// frames; an unfinished last frame is cut off). Other types are written so
// that every finished block decodes and need nothing. False, with the reason
// in `error`, when the file cannot be read or written.
bool RepairRecording(const std::string& path, std::string* error = nullptr);

}  // namespace qsr::recording
