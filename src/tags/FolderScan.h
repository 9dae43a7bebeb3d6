#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/audio-api/AudioEngine.h"
#include "tags/TagFileTable.h"
#include "tags/clsFile.h"
#include "tags/clsFind.h"
#include "tags/clsID3v1.h"
#include "tags/clsID3v23.h"

namespace qsr::tags {

// What the scan reads a file's tag fields through: one open per file, the
// lookups, one close.
class IScanTagSource {
  public:
    virtual ~IScanTagSource() = default;
    // False when the file cannot be read: its row gets empty values.
    virtual bool Open(const std::string& path) = 0;
    // kind kTagKindV1 or kTagKindV2; empty for a tag or field the file lacks.
    virtual std::string Tag(int kind, const std::string& name) = 0;
    virtual void Close() = 0;
};

// The tag classes as a scan source: clsID3v1 for the ID3v1 block, clsID3v23
// (the engine's ID3v2 component) for the frames. A track or genre of 0 in
// the ID3v1 block reads as empty text, so a block holding only blanks and
// zeros does not count as a tag.
class TagClassesSource : public IScanTagSource {
  public:
    explicit TagClassesSource(audio::IAudioEngine& engine) : v2_(engine) {}
    bool Open(const std::string& path) override;
    std::string Tag(int kind, const std::string& name) override;
    void Close() override {}

  private:
    clsID3v1 v1_;
    clsID3v23 v2_;
    bool hasV1_ = false;
    bool hasV2_ = false;
};

// One listed file as the list shows it.
struct ScanRow {
    int record = 0;                // index into the file table
    std::string name;              // without folder and extension
    std::string tags;              // "ID3v1 ", "ID3v2", "ID3v1 ID3v2" or empty
    std::int64_t size = -1;        // bytes; -1 when the file could not be examined
    std::optional<FileDate> date;  // last write, local time; none when unknown
};

// Rows with their records, in list order, as a worker hands them over.
struct ScanBatch {
    std::vector<TagFileRecord> records;  // records[k] belongs to rows[k]
    std::vector<ScanRow> rows;
};

// The "*.mp3" files of a folder (not its subfolders, any case of the
// extension), full paths in the platform's order. Reads names only: a file is
// examined when the scan comes to it, so the first row shows at once also in
// a folder of 100,000 files. Stops early when `cancelled` turns true.
std::vector<std::string> Mp3FilesOf(std::string folder, const std::atomic<bool>* cancelled);

// The folder scan of the tag editor, without widgets: finds the "*.mp3"
// files of one folder, reads each file's tags once, and builds the file table
// (entry 0 unused) and the rows. Reports progress per file and hands rows over
// in batches, so a window adds many rows at a time. Scan may run in a worker
// thread; Cancel may come from another thread.
class FolderScan {
  public:
    explicit FolderScan(IScanTagSource& source) : source_(source) {}

    // Before the first file: how many were found.
    std::function<void(int count)> onStart;
    // Before each file, 1..count.
    std::function<void(int index)> onProgress;
    // A batch of rows, in list order: the first row alone, then at most
    // every `batchInterval`, and the rest at the end.
    std::function<void(const std::vector<ScanRow>& rows)> onRows;
    std::chrono::milliseconds batchInterval{40};
    // Set: the batches carry the records and the scan keeps no table, so the
    // thread that receives them owns it.
    std::function<void(ScanBatch&& batch)> onBatch;

    // Scans a folder; the table is rebuilt, rows are handed to onRows.
    // Returns the number of files listed (fewer than found when cancelled).
    int Scan(const std::string& folder);

    // Stops a running Scan after the file in hand (sticky until the next Scan).
    void Cancel() { cancelled_ = true; }

    const TagFileTable& Table() const { return table_; }
    TagFileTable& Table() { return table_; }

  private:
    IScanTagSource& source_;
    TagFileTable table_{1};
    std::atomic<bool> cancelled_{false};
};

// The row of a file from its record: its name, tag marks, size and date.
ScanRow RowFor(int index, const TagFileRecord& record, const clsFile& file);

}  // namespace qsr::tags
