#include <gtest/gtest.h>

#include "settings/Inifun.h"
#include "settings/OutputFilesRules.h"
#include "support/TempDir.h"

using namespace qsr::settings;

namespace {

const std::string kApp = "/opt/app";

OutputFilesChoice Read(std::string folder, std::string name, std::string dateTime,
                       std::string existed) {
    return ReadOutputFilesChoice({folder, name, dateTime, existed}, kApp);
}

TEST(OutputFilesRules, NothingStoredOffersTheDefaults) {
    const OutputFilesChoice c = Read("", "", "", "");
    EXPECT_EQ(c.folder, kApp);
    EXPECT_EQ(c.fileName, "Recorded");
    EXPECT_TRUE(c.dateTime);
    EXPECT_FALSE(c.overwriteExisting);
}

TEST(OutputFilesRules, StoredValuesAreShownAsStored) {
    const OutputFilesChoice c = Read("/home/u/rec", "talk", "0", "1");
    EXPECT_EQ(c.folder, "/home/u/rec");
    EXPECT_EQ(c.fileName, "talk");
    EXPECT_FALSE(c.dateTime);
    EXPECT_TRUE(c.overwriteExisting);
    // "0" means "not set" for the folder and the name.
    EXPECT_EQ(Read("0", "0", "1", "0").folder, kApp);
    EXPECT_EQ(Read("0", "0", "1", "0").fileName, "Recorded");
}

TEST(OutputFilesRules, ANameNoFileCanHaveIsRefusedWhenRead) {
    const std::string longest(255, 'n');
    EXPECT_EQ(OutputNamingProblem({"/rec", longest, "1", "0"}), "");
    EXPECT_EQ(Read("/rec", longest, "1", "0").fileName, longest);
    EXPECT_EQ(OutputNamingProblem({"/rec", longest + "n", "1", "0"}),
              "the file name in settings.dat is too long");
    EXPECT_EQ(Read("/rec", std::string(1 << 20, 'n'), "1", "0").fileName, "Recorded");
    EXPECT_EQ(OutputNamingProblem({"/" + std::string(4095, 'f'), "a", "1", "0"}),
              "the output folder in settings.dat is too long");
}

TEST(OutputFilesRules, FlagsReadAsNumbersAndOtherTextMeetsTheTest) {
    // Date and time: ticked unless a number other than 1.
    EXPECT_TRUE(Read("", "a", "1", "").dateTime);
    EXPECT_TRUE(Read("", "a", "yes", "").dateTime);
    EXPECT_FALSE(Read("", "a", "2", "").dateTime);
    // Overwrite: only a number other than 0.
    EXPECT_FALSE(Read("", "a", "", "0").overwriteExisting);
    EXPECT_FALSE(Read("", "a", "", "x").overwriteExisting);
    EXPECT_TRUE(Read("", "a", "", "5").overwriteExisting);
}

TEST(OutputFilesRules, StoringTrimsAndRefusesABlankName) {
    EXPECT_FALSE(OutputFilesToStore({"/x", "   ", true, false}));
    EXPECT_FALSE(OutputFilesToStore({"/x", "", true, false}));
    const auto s = OutputFilesToStore({"  /home/u/rec  ", "  talk show ", false, true});
    ASSERT_TRUE(s);
    EXPECT_EQ(s->outputFolder, "/home/u/rec");
    EXPECT_EQ(s->fileName, "talk show");
    EXPECT_EQ(s->dateTime, "0");
    EXPECT_EQ(s->existedFile, "1");
    // An empty folder is accepted and stays empty.
    const auto t = OutputFilesToStore({"  ", "a", true, false});
    ASSERT_TRUE(t);
    EXPECT_EQ(t->outputFolder, "");
    EXPECT_EQ(t->dateTime, "1");
    EXPECT_EQ(t->existedFile, "0");
}

TEST(OutputFilesRules, WrittenValuesReadBackThroughTheNamingKeys) {
    qsr::testing::TempDir dir;
    const std::string file = dir.File("settings.dat");
    WriteIniValue(file, "mp3", "MP3Bitrate", "128");
    WriteOutputNamingSettings(file, {"/srv/rec", "news", "0", "1"});
    const OutputNamingSettings back = ReadOutputNamingSettings(file);
    EXPECT_EQ(back.outputFolder, "/srv/rec");
    EXPECT_EQ(back.fileName, "news");
    EXPECT_EQ(back.dateTime, "0");
    EXPECT_EQ(back.existedFile, "1");
    EXPECT_EQ(ReadIniValue(file, "mp3", "MP3Bitrate"), "128");
}

}  // namespace
