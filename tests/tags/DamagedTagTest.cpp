// Damaged and unusual tags found by fuzzing and outside tests, through the
// real ID3v2 component and read back by mutagen: nothing is lost without a
// word, and a tag is never reported missing or written when it is not.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "platform/taglib/TagLibId3v2Tag.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using qsr::audio::TagLibId3v2Tag;
using qsr::testing::ReadAll;
using qsr::testing::TempDir;

namespace {

std::string Regression(const TempDir& dir, const std::string& name) {
    const std::string path = dir.File(name);
    fs::copy_file(std::string(QSR_SOURCE_DIR) + "/tests/fuzz/regressions/fuzz_id3v2/" + name, path);
    return path;
}

// What mutagen reads: "ID=text" per frame, sorted, no 2.4 translation.
std::string Mutagen(const std::string& path) {
    const std::string command =
        "/usr/bin/python3 -c \"import sys; from mutagen.id3 import ID3; "
        "t = ID3(sys.argv[1], translate=False); "
        "print(' '.join(sorted(k.split(':')[0] + '=' + str(getattr(f, 'text', [''])[0]) "
        "for k, f in t.items())))\" '" +
        path + "' 2>&1";
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    char buf[4096];
    while (std::size_t n = std::fread(buf, 1, sizeof buf, pipe.get())) out.append(buf, n);
    return out;
}

bool WriteTitle(const std::string& path, const std::string& title, std::string& error) {
    TagLibId3v2Tag tag;
    tag.Load(path);
    for (int f = 1; f <= 12; ++f) tag.SetField(f, tag.GetField(f));
    tag.SetField(2, title);
    const bool ok = tag.WriteTag(path);
    error = tag.LastError();
    return ok;
}

}  // namespace

// Empty TENC, TCOP and TOPE in front made the whole tag read as none, and a
// one-field write then dropped every other frame.
TEST(DamagedTag, EmptyFramesAreReadPastAndNoOtherFrameIsLost) {
    TempDir dir;
    const std::string path = Regression(dir, "v24-empty-first-frames.mp3");
    TagLibId3v2Tag tag;
    ASSERT_TRUE(tag.Load(path));
    EXPECT_TRUE(tag.TagPresent());
    EXPECT_EQ(tag.GetField(1), "3");
    EXPECT_EQ(tag.GetField(3), "Artist");
    EXPECT_EQ(tag.GetField(4), "Album");
    EXPECT_EQ(tag.GetField(7), "A comment");

    std::string error;
    ASSERT_TRUE(WriteTitle(path, "New title", error)) << error;
    EXPECT_EQ(Mutagen(path),
              "COMM=A comment POPM= TALB=Album TCOM=Composer TCON=Rock TDRC=2004 TIT2=New title "
              "TPE1=Artist TRCK=3\n");
}

// Converting a 2.2 tag kept the year but lost the day and the time.
TEST(DamagedTag, A22TagKeepsItsWholeDate) {
    TempDir dir;
    const std::string path = Regression(dir, "v22-date-parts.mp3");
    std::string error;
    ASSERT_TRUE(WriteTitle(path, "New title", error)) << error;
    EXPECT_EQ(Mutagen(path), "TDAT=0203 TIME=1415 TIT2=New title TPE1=Artist TYER=2001\n");
}

// A second tag behind the first (artist, album, track, cover) was wiped by
// any write: the write is refused and the file left as it was.
TEST(DamagedTag, ASecondTagIsNeverWipedByAWrite) {
    TempDir dir;
    const std::string path = Regression(dir, "v23-second-tag-behind.mp3");
    const std::string before = ReadAll(path);
    std::string error;
    EXPECT_FALSE(WriteTitle(path, "New title", error));
    EXPECT_NE(error.find("second ID3v2 tag"), std::string::npos) << error;
    EXPECT_EQ(ReadAll(path), before);
}

// A rewrite killed half way leaves its copy beside the file: the next write
// removes it, but never the copy a running rewrite holds.
TEST(DamagedTag, CopiesLeftByAKilledRewriteGoAtTheNextWrite) {
    TempDir dir;
    const std::string path = Regression(dir, "v24-empty-first-frames.mp3");
    const std::string left = dir.File(".v24-empty-first-frames.mp3.0123456789ab.qsrtmp");
    const std::string held = dir.File(".v24-empty-first-frames.mp3.ba9876543210.qsrtmp");
    const std::string other = dir.File(".other.mp3.0123456789ab.qsrtmp");
    for (const auto& p : {left, held, other}) qsr::testing::WriteAll(p, "half a copy");
    const int fd = ::open(held.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);

    std::string error;
    ASSERT_TRUE(WriteTitle(path, std::string(3000, 'L'), error)) << error;
    EXPECT_FALSE(fs::exists(left));
    EXPECT_TRUE(fs::exists(held));
    EXPECT_TRUE(fs::exists(other));
    ::close(fd);
}
