#include <gtest/gtest.h>

#include "settings/Inifun.h"
#include "settings/OutputFilesRules.h"
#include "support/TempDir.h"

using namespace qsr::settings;

namespace {

const std::string kApp = "/opt/app";

OutputFilesChoice Read(std::string folder, std::string name, bool dateTime = true,
                       bool overwrite = false) {
    return ReadOutputFilesChoice({folder, name, dateTime, overwrite}, kApp);
}

// What the boxes hold at OK, on a dialog opened without a stored folder.
OutputFilesChoice Typed(std::string folder, std::string name, bool dateTime, bool overwrite) {
    OutputFilesChoice c;
    c.folder = std::move(folder);
    c.fileName = std::move(name);
    c.dateTime = dateTime;
    c.overwriteExisting = overwrite;
    return c;
}

TEST(OutputFilesRules, NothingStoredOffersTheDefaults) {
    const OutputFilesChoice c = Read("", "");
    EXPECT_EQ(c.folder, kApp);
    EXPECT_EQ(c.fileName, "Recorded");
    EXPECT_TRUE(c.dateTime);
    EXPECT_FALSE(c.overwriteExisting);
}

TEST(OutputFilesRules, StoredValuesAreShownAsStored) {
    const OutputFilesChoice c = Read("/home/u/rec", "talk", false, true);
    EXPECT_EQ(c.folder, "/home/u/rec");
    EXPECT_EQ(c.fileName, "talk");
    EXPECT_FALSE(c.dateTime);
    EXPECT_TRUE(c.overwriteExisting);
    // "0" means "not set" for the folder and the name.
    EXPECT_EQ(Read("0", "0").folder, kApp);
    EXPECT_EQ(Read("0", "0").fileName, "Recorded");
}

TEST(OutputFilesRules, ANameNoFileCanHaveIsRefusedWhenRead) {
    const std::string longest(255, 'n');
    EXPECT_EQ(OutputNamingProblem({"/rec", longest}), "");
    EXPECT_EQ(Read("/rec", longest).fileName, longest);
    EXPECT_EQ(OutputNamingProblem({"/rec", longest + "n"}),
              "the file name in settings.dat is too long");
    EXPECT_EQ(Read("/rec", std::string(1 << 20, 'n')).fileName, "Recorded");
    EXPECT_EQ(OutputNamingProblem({"/" + std::string(4095, 'f'), "a"}),
              "the output folder in settings.dat is too long");
}

TEST(OutputNamingSettings, FlagsReadAsNumbersAndOtherTextMeetsTheTest) {
    qsr::testing::TempDir dir;
    const std::string file = dir.File("settings.dat");
    auto read = [&](const std::string& dateTime, const std::string& existed) {
        qsr::testing::WriteAll(file,
                               "[set]\ndatetime=" + dateTime + "\nexistedfile=" + existed + "\n");
        return ReadOutputNamingSettings(file);
    };
    // Date and time: on unless a number other than 1 (also when absent).
    EXPECT_TRUE(ReadOutputNamingSettings(file).dateTime);
    EXPECT_FALSE(ReadOutputNamingSettings(file).overwrite);
    EXPECT_TRUE(read("1", "").dateTime);
    EXPECT_TRUE(read("yes", "").dateTime);
    EXPECT_FALSE(read("2", "").dateTime);
    // Overwrite: only a number other than 0.
    EXPECT_FALSE(read("", "0").overwrite);
    EXPECT_FALSE(read("", "x").overwrite);
    EXPECT_TRUE(read("", "5").overwrite);
}

TEST(OutputFilesRules, StoringTrimsAndRefusesABlankName) {
    EXPECT_FALSE(OutputFilesToStore(Typed("/x", "   ", true, false)));
    EXPECT_FALSE(OutputFilesToStore(Typed("/x", "", true, false)));
    const auto s = OutputFilesToStore(Typed("  /home/u/rec  ", "  talk show ", false, true));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->outputFolder, "/home/u/rec");
    EXPECT_EQ(s->fileName, "talk show");
    EXPECT_FALSE(s->dateTime);
    EXPECT_TRUE(s->overwrite);
    // An empty folder is accepted and stays empty.
    const auto t = OutputFilesToStore(Typed("  ", "a", true, false));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->outputFolder, "");
    EXPECT_TRUE(t->dateTime);
    EXPECT_FALSE(t->overwrite);
}

// "0" stands for the application folder wherever it moves: OK keeps it unless
// the folder box was changed or a folder picked.
TEST(OutputFilesRules, AnUnchangedApplicationFolderStaysStoredAsZero) {
    OutputFilesChoice c = Read("0", "talk");
    c.fileName = "news";  // only the name changed
    EXPECT_EQ(OutputFilesToStore(c)->outputFolder, "0");
    c.folder = " " + kApp + " ";  // blanks around the same folder: still unchanged
    EXPECT_EQ(OutputFilesToStore(c)->outputFolder, "0");
    c.folderPicked = true;  // picked through Browse..., even the same folder
    EXPECT_EQ(OutputFilesToStore(c)->outputFolder, kApp);
    c = Read("0", "talk");
    c.folder = "/srv/rec";  // typed
    EXPECT_EQ(OutputFilesToStore(c)->outputFolder, "/srv/rec");
    EXPECT_EQ(OutputFilesToStore(Read("", "talk"))->outputFolder, "");
}

TEST(OutputFilesRules, WrittenValuesReadBackThroughTheNamingKeys) {
    qsr::testing::TempDir dir;
    const std::string file = dir.File("settings.dat");
    WriteIniValue(file, "mp3", "MP3Bitrate", "128");
    EXPECT_TRUE(WriteOutputNamingSettings(file, {"/srv/rec", "news", false, true}).Ok());
    const OutputNamingSettings back = ReadOutputNamingSettings(file);
    EXPECT_EQ(back.outputFolder, "/srv/rec");
    EXPECT_EQ(back.fileName, "news");
    EXPECT_FALSE(back.dateTime);
    EXPECT_TRUE(back.overwrite);
    EXPECT_EQ(ReadIniValue(file, "mp3", "MP3Bitrate"), "128");
    EXPECT_EQ(ReadIniValue(file, "set", "datetime"), "0");  // the flags as the numbers 0 and 1
    EXPECT_EQ(ReadIniValue(file, "set", "existedfile"), "1");
}

}  // namespace
