#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "Corpus.h"
#include "CorpusManifest.h"
#include "platform/pulse/RealAudioEngine.h"
#include "support/TempDir.h"
#include "tags/FolderScan.h"

using namespace qsr::tags;
using qsr::testing::TempDir;
using qsr::testing::WriteAll;
namespace fs = std::filesystem;

namespace {

struct Scanned {
    int listed = 0;
    int announced = -1;
    std::vector<int> progress;
    std::vector<std::size_t> batchSizes;
    std::vector<ScanRow> rows;
};

Scanned ScanAll(FolderScan& scan, const std::string& folder) {
    Scanned s;
    scan.onStart = [&](int n) { s.announced = n; };
    scan.onProgress = [&](int i) { s.progress.push_back(i); };
    scan.onRows = [&](const std::vector<ScanRow>& rows) {
        s.batchSizes.push_back(rows.size());
        s.rows.insert(s.rows.end(), rows.begin(), rows.end());
    };
    s.listed = scan.Scan(folder);
    // The callbacks hold this frame's result: leave none behind.
    scan.onStart = nullptr;
    scan.onProgress = nullptr;
    scan.onRows = nullptr;
    return s;
}

std::string CopyCorpus(const TempDir& dir) {
    for (const auto& e : fs::directory_iterator(qsr::testing::TagCorpus())) {
        fs::copy_file(e.path(), dir.path() / e.path().filename());
    }
    return dir.path().string();
}

}  // namespace

// The real tag classes over a copy of the shared corpus: every MP3 file is
// listed once, with the tag marks its manifest implies; damaged files are
// listed without a crash.
TEST(FolderScan, CorpusRowsCarryTheTagsTheManifestImplies) {
    TempDir dir;
    const std::string folder = CopyCorpus(dir);
    auto engine = qsr::audio::CreateRealAudioEngine();
    TagClassesSource source(*engine);
    FolderScan scan(source);
    const Scanned s = ScanAll(scan, folder);

    const auto expected = qsr::testing::ExpectedTagsColumns(qsr::testing::TagCorpus());
    ASSERT_FALSE(expected.empty());
    ASSERT_EQ(s.listed, static_cast<int>(expected.size()));  // README and manifest left out
    ASSERT_EQ(s.announced, s.listed);
    ASSERT_EQ(s.rows.size(), expected.size());
    ASSERT_EQ(scan.Table().size(), expected.size() + 1);

    std::map<std::string, std::string> tagsByFile;
    for (std::size_t i = 0; i < s.rows.size(); ++i) {
        const ScanRow& row = s.rows[i];
        EXPECT_EQ(row.record, static_cast<int>(i) + 1);
        EXPECT_EQ(s.progress[i], static_cast<int>(i) + 1);
        const TagFileRecord& record = scan.Table()[static_cast<std::size_t>(row.record)];
        const std::string name = fs::path(record.filename).filename().string();
        EXPECT_EQ(fs::path(record.filename).stem().string(), row.name);
        EXPECT_EQ(row.size, static_cast<std::int64_t>(fs::file_size(record.filename))) << name;
        EXPECT_TRUE(row.date.has_value()) << name;
        tagsByFile[name] = row.tags;
    }
    for (const auto& [name, tags] : expected) {
        ASSERT_TRUE(tagsByFile.count(name)) << name << " not listed";
        if (tags) {
            EXPECT_EQ(tagsByFile[name], *tags) << name;
        }
    }

    const auto record = [&](const std::string& name) {
        for (const auto& r : scan.Table()) {
            if (fs::path(r.filename).filename() == name) {
                return r;
            }
        }
        return TagFileRecord{};
    };
    const TagFileRecord twelve = record("v23_latin1_twelve.mp3");
    EXPECT_EQ(twelve.v2Genre, "Jazz");
    EXPECT_EQ(twelve.v2Track, "3/12");
    EXPECT_EQ(twelve.v2URL, "http://music.example/blue");
    EXPECT_EQ(twelve.v2Comment, "Recorded live");
    const TagFileRecord v1 = record("v1_only.mp3");
    EXPECT_EQ(v1.v1Title, "Morning Song");
    EXPECT_EQ(v1.v1Track, "5");
    EXPECT_EQ(v1.v1Genre, 17);
    EXPECT_EQ(record("v1_blanks_nogenre.mp3").v1Genre, 255);
}

TEST(FolderScan, EmptyFolderAndFolderWithoutMp3) {
    TempDir dir;
    WriteAll(dir.File("notes.txt"), "text");
    fs::create_directory(dir.path() / "sub.mp3");  // a folder is not a file
    WriteAll(dir.File("sub.mp3/inner.mp3"), "x");  // and subfolders are not searched
    auto engine = qsr::audio::CreateRealAudioEngine();
    TagClassesSource source(*engine);
    FolderScan scan(source);
    const Scanned s = ScanAll(scan, dir.path().string());
    EXPECT_EQ(s.listed, 0);
    EXPECT_EQ(s.announced, 0);
    EXPECT_TRUE(s.rows.empty());
    EXPECT_TRUE(s.batchSizes.empty());
    EXPECT_EQ(scan.Table().size(), 1u);
    EXPECT_EQ(ScanAll(scan, (dir.path() / "missing").string()).listed, 0);
}

// Bad input: text and random bytes named .mp3, a huge claimed tag, a file no
// one may read, and the folder removed while the scan runs. Rows get empty
// values; nothing crashes.
TEST(FolderScan, BadFilesGetEmptyRows) {
    TempDir dir;
    WriteAll(dir.File("a_text.mp3"), "this is not audio at all");
    std::string junk(5000, '\0');
    for (std::size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>(i * 7919 % 251);
    WriteAll(dir.File("b_junk.mp3"), junk);
    // An ID3v2 header claiming the largest size a tag can have, then little else.
    WriteAll(dir.File("c_huge.mp3"),
             std::string("ID3\x03\x00\x00\x7f\x7f\x7f\x7f", 10) + std::string(200, 'x'));
    WriteAll(dir.File("d_locked.mp3"), "ID3");
    ::chmod(dir.File("d_locked.mp3").c_str(), 0);
    auto engine = qsr::audio::CreateRealAudioEngine();
    TagClassesSource source(*engine);
    FolderScan scan(source);
    const Scanned s = ScanAll(scan, dir.path().string());
    ASSERT_EQ(s.listed, 4);
    for (const auto& row : s.rows) EXPECT_EQ(row.tags, "") << row.name;
    if (::geteuid() != 0) {  // root reads any file
        EXPECT_EQ(s.rows[3].size, -1);
        EXPECT_FALSE(s.rows[3].date.has_value());
    }

    // The folder goes away after the first file: the rest still get rows.
    TempDir other;
    for (const char* n : {"1.mp3", "2.mp3", "3.mp3"}) {
        fs::copy_file(qsr::testing::TagCorpus() + "v1_only.mp3", other.File(n));
    }
    FolderScan vanishing(source);
    Scanned v;
    vanishing.onRows = [&](const std::vector<ScanRow>& rows) {
        v.rows.insert(v.rows.end(), rows.begin(), rows.end());
    };
    vanishing.onProgress = [&](int i) {
        if (i == 2) fs::remove_all(other.path());
    };
    EXPECT_EQ(vanishing.Scan(other.path().string()), 3);
    ASSERT_EQ(v.rows.size(), 3u);
    EXPECT_EQ(v.rows[0].tags, "ID3v1 ");
    EXPECT_EQ(v.rows[1].tags, "");
    EXPECT_EQ(v.rows[2].tags, "");
}

TEST(FolderScan, RowsComeInBatchesAndCancelStopsAfterTheFileInHand) {
    TempDir dir;
    for (int i = 0; i < 30; ++i) {
        fs::copy_file(qsr::testing::TagCorpus() + "v1_only.mp3",
                      dir.File("f" + std::to_string(100 + i) + ".mp3"));
    }
    auto engine = qsr::audio::CreateRealAudioEngine();
    TagClassesSource source(*engine);
    FolderScan scan(source);
    scan.batchInterval = std::chrono::hours(1);  // the first row, then the closing batch
    Scanned s = ScanAll(scan, dir.path().string());
    EXPECT_EQ(s.batchSizes, (std::vector<std::size_t>{1, 29}));

    scan.batchInterval = std::chrono::milliseconds(0);  // one row a batch
    s = ScanAll(scan, dir.path().string());
    EXPECT_EQ(s.batchSizes, std::vector<std::size_t>(30, 1));

    scan.onProgress = [&](int i) {
        if (i == 10) scan.Cancel();
    };
    EXPECT_EQ(scan.Scan(dir.path().string()), 10);
    EXPECT_EQ(scan.Table().size(), 11u);
    // The next scan starts afresh.
    scan.onProgress = nullptr;
    EXPECT_EQ(scan.Scan(dir.path().string()), 30);
}
