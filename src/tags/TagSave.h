#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "tags/TagPages.h"
#include "tags/clsID3v1.h"
#include "tags/clsID3v23.h"

namespace qsr::tags {

// What a save of the tag pages writes into each file, without widgets. Only
// what the user changed on the pages since they were filled reaches a file;
// every other field, and each file's tags as such, stay as the file holds
// them. So a merged value shown for several files is never copied into a
// file that did not have it.

// Which parts of the pages differ from what they were filled with.
struct PageEdits {
    bool v1Tag = false;  // chkv1 ticked or unticked
    std::array<bool, kV1Boxes> v1Boxes{};
    bool v1Genre = false;
    bool v2Tag = false;  // chkv2
    std::array<bool, kV2Boxes> v2Boxes{};
    bool v2Genre = false;
};
PageEdits EditsSince(const PageValues& filled, const PageValues& now);

// The fields a save sets in one file's ID3v1 tag; an unset field keeps the
// file's own bytes.
struct V1Changes {
    std::optional<std::uint8_t> track;
    std::array<std::optional<std::string>, kV1Boxes> texts;  // by V1Box, track unused
    std::optional<std::uint8_t> genre;
    bool Any() const;
};

// The fields a save sets in one file's ID3v2 tag; an unset field keeps the
// frame as the file holds it (a 2.4 date with its month and day, a "(n)"
// genre reference).
struct V2Changes {
    std::array<std::optional<std::string>, kV2Boxes> fields;  // by V2Box
    std::optional<std::string> genre;
    bool Any() const;
};

// The ID3v1 changes for one file. An edited box sets its field, trimmed (the
// track as its byte); with batch->keepOwnValues an edited box left empty, or
// no genre chosen, sets nothing. Then batch->numberTracks sets the track to
// fileIndex (0 past 255, the byte cannot hold more) and batch->grabTitles
// the title to GrabTitle(filename). `batch` null: a single file.
V1Changes V1ChangesToSave(const PageValues& pages, const PageEdits& edits,
                          const std::string& filename, const BatchOptions* batch, int fileIndex);

// The same for ID3v2: boxes as typed (not trimmed), a track only when its
// leading number is above 0 (else empty), the file index as decimal text.
V2Changes V2ChangesToSave(const PageValues& pages, const PageEdits& edits,
                          const std::string& filename, const BatchOptions* batch, int fileIndex);

// What a save does with one tag of one file.
enum class TagStep { Leave, Write, Remove };
// A tag box the user changed decides: ticked writes (adding the tag where
// the file has none), unticked removes. An unchanged tag box keeps each
// file's own state: a file with the tag is written when something changes
// in it, a file without it gets none.
TagStep StepFor(bool ticked, bool tagBoxEdited, bool fileHasTag, bool changesAny);

// One save of the pages, as the window hands it over.
struct SaveRequest {
    PageValues pages;
    PageEdits edits;
    const BatchOptions* batch = nullptr;  // null: a single file
    // True for the file a recording is being written into: it is never
    // written, a tag grown there would be renamed over the file the recorder
    // keeps writing.
    std::function<bool(const std::string& path)> isRecording;
};

// Writes one file's tags by the rules above through the two tag objects
// (read from the file first, so unchanged fields stay as they are) and brings
// its record up to date with what the file took. Returns the failure line
// naming the file ("name.mp3: why; why"), empty when every write succeeded.
std::string SaveFileTags(clsID3v1& v1, clsID3v23& v2, TagFileRecord& record,
                         const SaveRequest& request, int fileIndex);

}  // namespace qsr::tags
