#include "tags/FolderScan.h"

#include <dirent.h>
#include <sys/stat.h>

#include <map>

#include "core/Id3v2Frames.h"
#include "tags/TagText.h"

namespace qsr::tags {

bool TagClassesSource::Open(const std::string& path) {
    v1_.filename(path);
    hasV1_ = v1_.ReadTag();
    v2_.filename(path);
    hasV2_ = v2_.ReadTag();
    return true;
}

std::string TagClassesSource::Tag(int kind, const std::string& name) {
    if (kind == kTagKindV1) {
        if (!hasV1_) return {};
        if (name == "TITLE") return v1_.tagTitle();
        if (name == "ARTIST") return v1_.tagArtist();
        if (name == "ALBUM") return v1_.tagAlbum();
        if (name == "YEAR") return v1_.tagYear();
        if (name == "COMMENT") return v1_.tagComments();
        if (name == "TRACK") return v1_.tagTrack() == 0 ? "" : std::to_string(v1_.tagTrack());
        if (name == "GENRE") return v1_.tagGenre() == 0 ? "" : std::to_string(v1_.tagGenre());
        return {};
    }
    if (kind != kTagKindV2 || !hasV2_) return {};
    switch (core::Id3v2FieldOf(name)) {
        case 0:
            return {};
        case 1:
            return v2_.tagTrack();
        case 2:
            return v2_.tagTitle();
        case 3:
            return v2_.tagArtist();
        case 4:
            return v2_.tagAlbum();
        case 5:
            return v2_.tagYear();
        case 6:
            return v2_.tagGenre();
        case 7:
            return v2_.tagComments();
        case 8:
            return v2_.tagComposer();
        case 9:
            return v2_.tagOrigArtist();
        case 10:
            return v2_.tagCopyright();
        case 11:
            return v2_.tagURL();
        default:
            return v2_.tagEncodedBy();
    }
}

ScanRow RowFor(int index, const TagFileRecord& record, const clsFile& file) {
    ScanRow row;
    row.record = index;
    row.name = file.sName();
    row.tags = TagsColumnText(record.hasV1, record.hasV2);
    // A file that could not be examined has an all-zero record: no write time.
    if (file.Info().lastWriteTime != 0) {
        row.size = file.lSize();
        row.date = file.dLastWriteTime();
    }
    return row;
}

std::vector<std::string> Mp3FilesOf(std::string folder, const std::atomic<bool>* cancelled) {
    std::vector<std::string> files;
    if (folder.empty() || folder.back() != '/') folder += '/';
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return files;
    while (const dirent* d = ::readdir(dir)) {
        if (cancelled != nullptr && *cancelled) break;
        const std::string name = StripNull(d->d_name);
        if (name == "." || name == ".." || !MatchesPattern(name, "*.mp3")) continue;
        const std::string path = folder + name;
        // The entry's type comes with the name; only a link or a file system
        // that does not tell costs a look at the file (a link to a folder
        // counts as a folder).
        bool isFolder = d->d_type == DT_DIR;
        if (d->d_type == DT_UNKNOWN || d->d_type == DT_LNK) {
            struct stat st {};
            isFolder = ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        if (!isFolder) files.push_back(path);
    }
    ::closedir(dir);
    return files;
}

int FolderScan::Scan(const std::string& folder) {
    cancelled_ = false;
    const std::vector<std::string> files = Mp3FilesOf(folder, &cancelled_);
    const int count = cancelled_ ? 0 : static_cast<int>(files.size());
    table_.assign(1, TagFileRecord{});
    if (!onBatch) table_.reserve(static_cast<std::size_t>(count) + 1);
    if (onStart) onStart(count);

    ScanBatch batch;
    const auto handOver = [this, &batch] {
        if (onRows) onRows(batch.rows);
        if (onBatch) onBatch(std::move(batch));
        batch = ScanBatch{};
    };
    auto lastBatch = std::chrono::steady_clock::now();
    int listed = 0;
    for (int i = 1; i <= count && !cancelled_; ++i) {
        if (onProgress) onProgress(i);
        clsFile file;
        file.sFilename(files[static_cast<std::size_t>(i - 1)]);
        TagFileRecord record;
        record.filename = file.sFilename();
        if (source_.Open(record.filename)) {
            FillRecordFromTags(record, [this](int kind, const std::string& name) {
                return source_.Tag(kind, name);
            });
            source_.Close();
        }
        batch.rows.push_back(RowFor(i, record, file));
        if (onBatch) {
            batch.records.push_back(std::move(record));
        } else {
            table_.push_back(std::move(record));
        }
        listed = i;
        const auto now = std::chrono::steady_clock::now();
        // The first row goes out at once, so a long scan shows something early.
        if (i == 1 || now - lastBatch >= batchInterval) {
            handOver();
            lastBatch = now;
        }
    }
    if (!batch.rows.empty()) handOver();
    return listed;
}

}  // namespace qsr::tags
