#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "settings/Inifun.h"
#include "support/TempDir.h"

using qsr::settings::ReadIniValue;
using qsr::settings::WriteIniValue;
using qsr::testing::ReadAll;
using qsr::testing::TempDir;
using qsr::testing::WriteAll;

TEST(Inifun, MissingFileSectionOrKeyReadsEmpty) {
    TempDir dir;
    const auto file = dir.File("settings.dat");
    EXPECT_EQ(ReadIniValue(file, "set", "outputformat"), "");
    WriteAll(file, "[set]\noutputformat=3\n");
    EXPECT_EQ(ReadIniValue(file, "mp3", "outputformat"), "");
    EXPECT_EQ(ReadIniValue(file, "set", "filename"), "");
    EXPECT_FALSE(std::filesystem::exists(dir.File("none.dat")));
}

TEST(Inifun, FirstWriteCreatesFileAndSectionThenReplacesInPlace) {
    TempDir dir;
    const auto file = dir.File("settings.dat");
    WriteIniValue(file, "set", "outputformat", "1");
    EXPECT_EQ(ReadIniValue(file, "set", "outputformat"), "1");
    WriteIniValue(file, "mp3", "MP3Bitrate", "128");
    WriteIniValue(file, "set", "filename", "take");
    WriteIniValue(file, "set", "outputformat", "5");
    EXPECT_EQ(ReadAll(file), "[set]\noutputformat=5\nfilename=take\n[mp3]\nMP3Bitrate=128\n");
}

TEST(Inifun, NamesCompareWithoutCaseAndValuesAreTrimmed) {
    TempDir dir;
    const auto file = dir.File("settings.dat");
    WriteAll(file, "[SET]\nOutputFolder =  /home/me/rec  \n");
    EXPECT_EQ(ReadIniValue(file, "set", "outputfolder"), "/home/me/rec");
    WriteIniValue(file, "Set", "OUTPUTFOLDER", " /tmp/x ");
    EXPECT_EQ(ReadIniValue(file, "set", "outputfolder"), "/tmp/x");
    EXPECT_EQ(ReadAll(file), "[SET]\nOUTPUTFOLDER= /tmp/x \n");
}

TEST(Inifun, LongValuesSurviveUnchanged) {
    // Values used to be cut at 127 characters, which silently turned a long
    // output folder into another folder.
    TempDir dir;
    const auto file = dir.File("settings.dat");
    const std::string folder = "/" + std::string(4500, 'a') + "/rec";
    WriteIniValue(file, "set", "outputfolder", folder);
    EXPECT_EQ(ReadIniValue(file, "set", "outputfolder"), folder);
    const std::string two = std::string(200, 'b');
    WriteIniValue(file, "set", "filename", two);
    EXPECT_EQ(ReadIniValue(file, "set", "filename"), two);
}

TEST(Inifun, WriteKeepsEveryOtherLineAsItWas) {
    TempDir dir;
    const auto file = dir.File("settings.dat");
    const std::string before =
        "\xEF\xBB\xBF; my notes\r\n[set]\r\nfilename=a\r\n\r\n  junk "
        "line\r\n[other]\r\nnotch=1\r\n";
    WriteAll(file, before);
    WriteIniValue(file, "set", "filename", "b");
    WriteIniValue(file, "set", "datetime", "0");
    WriteIniValue(file, "g726", "gbit", "4");
    EXPECT_EQ(ReadAll(file),
              "\xEF\xBB\xBF; my notes\r\n[set]\r\nfilename=b\r\n\r\n  junk line\r\ndatetime=0\r\n"
              "[other]\r\nnotch=1\r\n[g726]\r\ngbit=4\r\n");
    EXPECT_EQ(ReadIniValue(file, "other", "notch"), "1");
}

TEST(Inifun, DamagedFilesReadByTheSameRules) {
    TempDir dir;
    const auto file = dir.File("settings.dat");
    // BOM before the first section, a missing "]", lines without "=", binary
    // bytes, duplicate sections and keys (the first wins), no final newline.
    WriteAll(file, std::string("\xEF\xBB\xBF[set]\nfilename=first\nfilename=second\n"
                               "garbage\x01\x02\xff\n[mp3\nMP3Bitrate=64\n[set]\n"
                               "filename=third\ndatetime=0\n[ogg]\nQuality=3\0zz\n[end]\nk=v",
                               140));
    EXPECT_EQ(ReadIniValue(file, "set", "filename"), "first");
    EXPECT_EQ(ReadIniValue(file, "set", "datetime"), "");  // only in the second [set]
    EXPECT_EQ(ReadIniValue(file, "mp3", "MP3Bitrate"), "64");
    EXPECT_EQ(ReadIniValue(file, "ogg", "Quality"), "3");
    EXPECT_EQ(ReadIniValue(file, "end", "k"), "v");
    WriteIniValue(file, "end", "k2", "w");
    EXPECT_EQ(ReadIniValue(file, "end", "k"), "v");
    EXPECT_EQ(ReadIniValue(file, "end", "k2"), "w");
    EXPECT_EQ(ReadIniValue(file, "set", "filename"), "first");
}

TEST(Inifun, LineBreaksInAValueCannotInjectKeys) {
    TempDir dir;
    const auto file = dir.File("settings.dat");
    WriteIniValue(file, "set", "filename", "take\n[set]\noutputformat=4");
    EXPECT_EQ(ReadIniValue(file, "set", "filename"), "take");
    EXPECT_EQ(ReadIniValue(file, "set", "outputformat"), "");
}

TEST(Inifun, LargeFileIsReadAndWritten) {
    // A settings file over 1 MB is read up to its last whole line within
    // 1 MB (a 140 MB file used to delay the start for half a minute); a key
    // beyond reads as absent, and a write keeps only the part read.
    TempDir dir;
    const auto file = dir.File("settings.dat");
    std::string big = "[set]\nfilename=start\n[junk]\n";
    while (big.size() < 10'000'000) big += "key" + std::to_string(big.size()) + "=value\n";
    big += "[set]\ndatetime=0\n[mp3]\nMP3Bitrate=64\n";
    WriteAll(file, big);
    EXPECT_EQ(qsr::settings::SettingsSizeWarning(file),
              file +
                  " is larger than 1 MB: only its first 1 MB is read, and the rest is "
                  "dropped when a setting is saved.");
    EXPECT_EQ(ReadIniValue(file, "set", "filename"), "start");
    EXPECT_EQ(ReadIniValue(file, "mp3", "MP3Bitrate"), "");
    WriteIniValue(file, "set", "filename", "new");
    EXPECT_EQ(ReadIniValue(file, "set", "filename"), "new");
    const std::string kept = ReadAll(file);
    EXPECT_LE(kept.size(), qsr::settings::kMaxSettingsBytes);
    EXPECT_GT(kept.size(), qsr::settings::kMaxSettingsBytes - 40);
    EXPECT_EQ(kept.back(), '\n');  // no line cut in half
    EXPECT_EQ(kept.substr(19), big.substr(21, kept.size() - 19));
    EXPECT_EQ(qsr::settings::SettingsSizeWarning(file), "");
}

TEST(Inifun, UnwritableFolderKeepsOldValueAndLeavesNoTemporaryFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    TempDir dir;
    const auto file = dir.File("settings.dat");
    WriteIniValue(file, "set", "filename", "old");
    ::chmod(dir.path().c_str(), 0555);
    WriteIniValue(file, "set", "filename", "new");
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(ReadIniValue(file, "set", "filename"), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(Inifun, FailedWriteKeepsTheOldFileWhole) {
    // Works as root too: a file-size limit makes the write of the new
    // content fail half-way, as a full disk would.
    TempDir dir;
    const auto file = dir.File("settings.dat");
    WriteIniValue(file, "set", "filename", "old");
    struct rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 32;
    ::setrlimit(RLIMIT_FSIZE, &small);
    WriteIniValue(file, "set", "filename", std::string(100, 'n'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(ReadIniValue(file, "set", "filename"), "old");
    EXPECT_EQ(ReadAll(file), "[set]\nfilename=old\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(Inifun, WriteReplacesTheFileAtomically) {
    // The old file is replaced by rename, never rewritten in place: a reader
    // holding the old file sees it whole, and no temporary file is left.
    TempDir dir;
    const auto file = dir.File("settings.dat");
    WriteIniValue(file, "set", "filename", "old");
    struct stat before {};
    ::stat(file.c_str(), &before);
    WriteIniValue(file, "set", "filename", "new");
    struct stat after {};
    ::stat(file.c_str(), &after);
    EXPECT_NE(before.st_ino, after.st_ino);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(Inifun, ANewFileTakesTheDefaultModeAndAnOldOneKeepsItsOwn) {
    TempDir dir;
    const auto file = dir.File("settings.dat");
    const mode_t old = ::umask(027);
    WriteIniValue(file, "set", "filename", "a");
    ::umask(old);
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    ::chmod(file.c_str(), 0600);
    WriteIniValue(file, "set", "filename", "b");
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(ReadIniValue(file, "set", "filename"), "b");
}

TEST(Inifun, OnlyARegularFileIsReadOrWritten) {
    // A folder or a FIFO under the name reads as a missing file (defaults) at
    // once and is never replaced.
    TempDir dir;
    const auto folder = dir.File("settings.dat");
    std::filesystem::create_directory(folder);
    EXPECT_EQ(ReadIniValue(folder, "set", "filename"), "");
    WriteIniValue(folder, "set", "filename", "x");
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    const auto fifo = dir.File("fifo.dat");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ReadIniValue(fifo, "set", "filename"), "");
    WriteIniValue(fifo, "set", "filename", "x");
    EXPECT_EQ(std::filesystem::status(fifo).type(), std::filesystem::file_type::fifo);
}
