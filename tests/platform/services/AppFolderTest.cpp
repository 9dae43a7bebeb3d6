#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <map>

#include "platform/services/AppFolder.h"
#include "settings/Inifun.h"
#include "support/TempDir.h"

using qsr::services::AppFolderProbe;
using qsr::services::ChooseApplicationFolder;

namespace {
AppFolderProbe Probe(std::map<std::string, std::string> env, bool portable) {
    AppFolderProbe p;
    p.env = [env](const char* name) {
        auto it = env.find(name);
        return it == env.end() ? std::string() : it->second;
    };
    p.isFile = [portable](const std::string& path) {
        return portable && path == "/opt/qsr/bin/settings.dat";
    };
    p.executableDir = "/opt/qsr/bin";
    return p;
}
std::string Folder(const AppFolderProbe& p) {
    return ChooseApplicationFolder(p).folder;
}
}  // namespace

TEST(AppFolder, ChoiceOrder) {
    EXPECT_EQ(Folder(Probe({{"QSR_HOME", "/t/home"}, {"HOME", "/h"}}, true)), "/t/home");
    // Only a portable copy (a settings.dat beside the binary) keeps its settings there.
    EXPECT_EQ(Folder(Probe({{"HOME", "/h"}}, true)), "/opt/qsr/bin");
    EXPECT_FALSE(ChooseApplicationFolder(Probe({{"HOME", "/h"}}, true)).perUser);
    EXPECT_EQ(Folder(Probe({{"HOME", "/h"}}, false)), "/h/.local/share/quorvin-sound-recorder");
    EXPECT_TRUE(ChooseApplicationFolder(Probe({{"HOME", "/h"}}, false)).perUser);
    EXPECT_EQ(Folder(Probe({{"HOME", "/h"}, {"XDG_DATA_HOME", "/d"}}, false)),
              "/d/quorvin-sound-recorder");
}

TEST(AppFolder, AFreshUserRecordsIntoTheMusicFolder) {
    qsr::testing::TempDir dir;
    ::unsetenv("QSR_HOME");
    ::setenv("XDG_DATA_HOME", (dir.path() / "data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (dir.path() / "config").c_str(), 1);
    ::setenv("HOME", dir.path().c_str(), 1);
    const std::string folder = qsr::services::PrepareApplicationFolder();
    EXPECT_EQ(folder, (dir.path() / "data" / "quorvin-sound-recorder").string());
    EXPECT_EQ(qsr::settings::ReadIniValue(folder + "/settings.dat", "set", "outputfolder"),
              (dir.path() / "Music" / "Recordings").string());
    EXPECT_EQ(qsr::services::DefaultRecordingsFolder(),
              (dir.path() / "Music" / "Recordings").string());
}

TEST(AppFolder, FreshFolderIsSeededAndUserFilesAreKept) {
    qsr::testing::TempDir dir;
    const auto home = (dir.path() / "app home").string();
    ::setenv("QSR_HOME", home.c_str(), 1);
    EXPECT_EQ(qsr::services::PrepareApplicationFolder(), home);
    const auto settings = home + "/settings.dat";
    ASSERT_TRUE(std::filesystem::exists(settings));
    EXPECT_TRUE(std::filesystem::exists(home + "/skins/frmmain.skn"));
    EXPECT_TRUE(std::filesystem::exists(home + "/help/index.html"));
    // Every key of the catalogue is shipped.
    for (auto [section, key] : std::initializer_list<std::pair<const char*, const char*>>{
             {"set", "outputformat"}, {"set", "outputfolder"},   {"set", "filename"},
             {"set", "datetime"},     {"set", "existedfile"},    {"mp3", "MP3Frequency"},
             {"mp3", "MP3Bitrate"},   {"mp3", "MP3Channels"},    {"wav", "Freq"},
             {"wav", "Channel"},      {"vox", "voxFreq"},        {"ogg", "oggBitrate"},
             {"ogg", "MinBitrate"},   {"ogg", "MaxBitrate"},     {"ogg", "Quality"},
             {"ogg", "VbrEnabled"},   {"ogg", "QualityEnabled"}, {"raw", "rawFreq"},
             {"raw", "rawChannel"},   {"raw", "rawCompr"},       {"g726", "gFreq"},
             {"g726", "gbit"},        {"other", "notch"},        {"other", "notchtxt"},
             {"other", "highpass"},   {"other", "highpasstxt"},  {"other", "lowpass"},
             {"other", "lowpasstxt"}, {"other", "autogain"},     {"other", "lowlevel"},
             {"other", "highlevel"},  {"other", "attacktime"}}) {
        EXPECT_NE(qsr::settings::ReadIniValue(settings, section, key), "") << section << "/" << key;
    }
    // The seeded copy is the user's: writable, and never overwritten later.
    qsr::settings::WriteIniValue(settings, "set", "filename", "mine");
    qsr::services::PrepareApplicationFolder();
    EXPECT_EQ(qsr::settings::ReadIniValue(settings, "set", "filename"), "mine");
    ::unsetenv("QSR_HOME");
}
