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
AppFolderProbe Probe(std::map<std::string, std::string> env, bool exeWritable) {
    AppFolderProbe p;
    p.env = [env](const char* name) {
        auto it = env.find(name);
        return it == env.end() ? std::string() : it->second;
    };
    p.isWritableDir = [exeWritable](const std::string&) { return exeWritable; };
    p.executableDir = "/opt/qsr/bin";
    return p;
}
}  // namespace

TEST(AppFolder, ChoiceOrder) {
    EXPECT_EQ(ChooseApplicationFolder(Probe({{"QSR_HOME", "/t/home"}, {"HOME", "/h"}}, true)),
              "/t/home");
    EXPECT_EQ(ChooseApplicationFolder(Probe({{"HOME", "/h"}}, true)), "/opt/qsr/bin");
    EXPECT_EQ(ChooseApplicationFolder(Probe({{"HOME", "/h"}}, false)),
              "/h/.local/share/quorvin-sound-recorder");
    EXPECT_EQ(ChooseApplicationFolder(Probe({{"HOME", "/h"}, {"XDG_DATA_HOME", "/d"}}, false)),
              "/d/quorvin-sound-recorder");
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
