#include "tags/TagSave.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <utility>

#include "core/MpegTagFile.h"
#include "tags/SplitPath.h"

namespace qsr::tags {
namespace {

// Why a tag write to a file failed, as far as the file itself tells; the
// ID3v1 class answers only with false.
std::string WhyNotWritten(const std::string& path) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) return "the file is gone";
    if (!std::filesystem::is_regular_file(status)) return "not a file";
    if (::access(path.c_str(), W_OK) != 0) return std::strerror(errno);
    return "the file could not be written";
}

std::string WithReason(const std::string& what, const std::string& why) {
    return why.empty() ? what : what + " (" + why + ")";
}

void SetV2(clsID3v23& v2, const V2Values& values) {
    for (std::size_t k = 0; k < kV2Boxes; ++k) v2.Set(kV2BoxFields[k], values.fields[k]);
    v2.tagGenre(values.genre);
}

V2Values HeldV2(const clsID3v23& v2) {
    V2Values held;
    for (std::size_t k = 0; k < kV2Boxes; ++k) held.fields[k] = v2.Get(kV2BoxFields[k]);
    held.genre = v2.tagGenre();
    return held;
}

// Writes the changes into the file's ID3v1 tag; the reason when that failed.
// Like the ID3v2 tag, the block goes into MPEG audio only: a WAV named .mp3
// must not be left half-changed.
std::optional<std::string> WriteV1(clsID3v1& v1, TagFileRecord& record, const V1Changes& c1) {
    std::string notMpeg;
    std::error_code error;
    if (!std::filesystem::is_regular_file(record.filename, error)) {
        return WithReason("ID3v1 tag not written", WhyNotWritten(record.filename));
    }
    if (!audio::tagfile::IsMpegAudioFile(record.filename, notMpeg)) {
        return WithReason("ID3v1 tag not written",
                          "ID3 tags go into MPEG audio files only (" + notMpeg + ")");
    }
    v1.ReadTag();  // unchanged fields keep the file's own bytes
    // This order: the comment and track share the block's last bytes.
    if (c1.track) v1.tagTrack(*c1.track);
    if (c1.texts[kV1Title]) v1.tagTitle(*c1.texts[kV1Title]);
    if (c1.texts[kV1Artist]) v1.tagArtist(*c1.texts[kV1Artist]);
    if (c1.texts[kV1Album]) v1.tagAlbum(*c1.texts[kV1Album]);
    if (c1.texts[kV1Year]) v1.tagYear(*c1.texts[kV1Year]);
    if (c1.texts[kV1Comment]) v1.tagComments(*c1.texts[kV1Comment]);
    if (c1.genre) v1.tagGenre(*c1.genre);
    const V1Values held{v1.tagTrack(), v1.tagTitle(),    v1.tagArtist(), v1.tagAlbum(),
                        v1.tagYear(),  v1.tagComments(), v1.tagGenre()};
    if (!v1.SaveTag()) return WithReason("ID3v1 tag not written", WhyNotWritten(record.filename));
    StoreV1(record, held);
    return std::nullopt;
}

std::optional<std::string> RemoveV1(clsID3v1& v1, TagFileRecord& record) {
    if (!v1.RemoveTag()) return WithReason("ID3v1 tag not removed", WhyNotWritten(record.filename));
    ClearV1(record);
    return std::nullopt;
}

// Writes the changes into the file's ID3v2 tag; the reason when that failed.
// Unchanged fields keep their frames as they are.
std::optional<std::string> WriteV2(clsID3v23& v2, TagFileRecord& record, const V2Changes& c2) {
    // The object serves every file: a tag that cannot be read must not be
    // written with the previous file's values.
    SetV2(v2, V2Values{});
    if (!v2.ReadTag() && record.hasV2) return "ID3v2 tag not written (the tag could not be read)";
    V2Values held = HeldV2(v2);
    for (std::size_t k = 0; k < kV2Boxes; ++k) {
        if (c2.fields[k]) held.fields[k] = *c2.fields[k];
    }
    if (c2.genre) held.genre = *c2.genre;
    SetV2(v2, held);
    if (!v2.SaveTag()) return WithReason("ID3v2 tag not written", v2.sLastError());
    StoreV2(record, held);
    // Twelve empty values leave no tag behind.
    record.hasV2 = v2.TagPresent();
    return std::nullopt;
}

std::optional<std::string> RemoveV2(clsID3v23& v2, TagFileRecord& record) {
    if (!v2.RemoveTag()) return WithReason("ID3v2 tag not removed", v2.sLastError());
    ClearV2(record);
    return std::nullopt;
}

// Takes one tag's step: the reason when it failed.
template <typename Write, typename Remove>
std::optional<std::string> TakeStep(TagStep step, const Write& write, const Remove& remove) {
    switch (step) {
        case TagStep::Write:
            return write();
        case TagStep::Remove:
            return remove();
        case TagStep::Leave:
            break;
    }
    return std::nullopt;
}

}  // namespace

PageEdits EditsSince(const PageValues& filled, const PageValues& now) {
    PageEdits e;
    e.v1Tag = filled.v1 != now.v1;
    for (std::size_t k = 0; k < kV1Boxes; ++k) e.v1Boxes[k] = filled.v1Boxes[k] != now.v1Boxes[k];
    e.v1Genre = filled.v1Genre != now.v1Genre;
    e.v2Tag = filled.v2 != now.v2;
    for (std::size_t k = 0; k < kV2Boxes; ++k) e.v2Boxes[k] = filled.v2Boxes[k] != now.v2Boxes[k];
    e.v2Genre = filled.v2Genre != now.v2Genre;
    return e;
}

bool V1Changes::Any() const {
    if (track || genre) return true;
    for (const auto& text : texts) {
        if (text) return true;
    }
    return false;
}

bool V2Changes::Any() const {
    if (genre) return true;
    for (const auto& field : fields) {
        if (field) return true;
    }
    return false;
}

V1Changes V1ChangesToSave(const PageValues& pages, const PageEdits& edits,
                          const std::string& filename, const BatchOptions* batch, int fileIndex) {
    const bool keep = batch != nullptr && batch->keepOwnValues;
    V1Changes c;
    for (std::size_t k = 0; k < kV1Boxes; ++k) {
        if (!edits.v1Boxes[k]) continue;
        const std::string text = Trim(pages.v1Boxes[k]);
        if (keep && text.empty()) continue;
        if (k == kV1Track) {
            c.track = TrackByte(text);
        } else {
            c.texts[k] = text;
        }
    }
    if (edits.v1Genre && !(keep && pages.v1Genre < 0)) {
        c.genre = GenreByteFromPosition(pages.v1Genre);
    }
    if (batch != nullptr && batch->numberTracks) {
        c.track = fileIndex >= 1 && fileIndex <= 255 ? static_cast<std::uint8_t>(fileIndex) : 0;
    }
    if (batch != nullptr && batch->grabTitles) c.texts[kV1Title] = GrabTitle(filename);
    return c;
}

V2Changes V2ChangesToSave(const PageValues& pages, const PageEdits& edits,
                          const std::string& filename, const BatchOptions* batch, int fileIndex) {
    const bool keep = batch != nullptr && batch->keepOwnValues;
    V2Changes c;
    for (std::size_t k = 0; k < kV2Boxes; ++k) {
        if (!edits.v2Boxes[k]) continue;
        const std::string& text = pages.v2Boxes[k];
        if (keep && Trim(text).empty()) continue;
        c.fields[k] = k == kV2Track && !TrackAbove0(text) ? std::string() : text;
    }
    if (edits.v2Genre && !(keep && Trim(pages.v2Genre).empty())) c.genre = pages.v2Genre;
    if (batch != nullptr && batch->numberTracks) c.fields[kV2Track] = std::to_string(fileIndex);
    if (batch != nullptr && batch->grabTitles) c.fields[kV2Title] = GrabTitle(filename);
    return c;
}

TagStep StepFor(bool ticked, bool tagBoxEdited, bool fileHasTag, bool changesAny) {
    if (tagBoxEdited) {
        if (ticked) return TagStep::Write;
        return fileHasTag ? TagStep::Remove : TagStep::Leave;
    }
    return ticked && fileHasTag && changesAny ? TagStep::Write : TagStep::Leave;
}

std::string SaveFileTags(clsID3v1& v1, clsID3v23& v2, TagFileRecord& record,
                         const SaveRequest& request, int fileIndex) {
    const std::string name = SplitPath(record.filename, kSplitName | kSplitExtension);
    if (request.isRecording && request.isRecording(record.filename)) {
        return name + " is being recorded";
    }
    const PageValues& pages = request.pages;
    const PageEdits& edits = request.edits;
    // Each tag's values reach the record only when the file took them.
    v1.filename(record.filename);
    const V1Changes c1 = V1ChangesToSave(pages, edits, record.filename, request.batch, fileIndex);
    const std::optional<std::string> failedV1 = TakeStep(
        StepFor(pages.v1, edits.v1Tag, record.hasV1, c1.Any()),
        [&] { return WriteV1(v1, record, c1); }, [&] { return RemoveV1(v1, record); });
    v2.filename(record.filename);
    const V2Changes c2 = V2ChangesToSave(pages, edits, record.filename, request.batch, fileIndex);
    const std::optional<std::string> failedV2 = TakeStep(
        StepFor(pages.v2, edits.v2Tag, record.hasV2, c2.Any()),
        [&] { return WriteV2(v2, record, c2); }, [&] { return RemoveV2(v2, record); });

    if (!failedV1 && !failedV2) return {};
    std::string line = name + ": " + failedV1.value_or("");
    if (failedV2) line += (failedV1 ? "; " : "") + *failedV2;
    return line;
}

}  // namespace qsr::tags
