#include <gtest/gtest.h>

#include <filesystem>

#include "settings/FilterSettings.h"
#include "settings/Inifun.h"
#include "settings/OutputNamingSettings.h"
#include "settings/SecondSourceSettings.h"
#include "settings/TriggerSettings.h"
#include "support/TempDir.h"

namespace qsr::settings {
namespace {

using qsr::testing::ReadAll;
using qsr::testing::TempDir;
using qsr::testing::WriteAll;

// A save tries every key and says its first failure once, naming the file
// and giving the system's reason.
TEST(SettingsSave, AFailureIsSaidOnceWithTheFileAndTheReason) {
    TempDir dir;
    const std::string file = dir.File("settings.dat");
    SettingsSave fine(file);
    fine.Put("set", "a", "1").Put("set", "b", "2");
    EXPECT_TRUE(fine.Ok());
    EXPECT_EQ(fine.Message(), "");
    EXPECT_EQ(ReadAll(file), "[set]\na=1\nb=2\n");

    const std::string folder = dir.File("folder.dat");
    std::filesystem::create_directory(folder);  // nothing can replace a folder, not even root
    SettingsSave failed(folder);
    failed.Put("set", "a", "1").Put("set", "b", "2");
    EXPECT_FALSE(failed.Ok());
    const std::string prefix = folder + " could not be saved: ";
    EXPECT_EQ(failed.Message().rfind(prefix, 0), 0u) << failed.Message();
    EXPECT_GT(failed.Message().size(), prefix.size()) << "with the reason";
    EXPECT_EQ(failed.Message().find(prefix, 1), std::string::npos) << "said once";

    // Joined to a save that went through, the failure stays.
    EXPECT_FALSE(fine.Add(failed).Ok());
    EXPECT_EQ(fine.Message().rfind(file + " could not be saved: ", 0), 0u);
}

TEST(FilterSettings, TheTenKeysAreWrittenInTheDialogsOrderAndReadBack) {
    TempDir dir;
    const std::string file = dir.File("settings.dat");
    FilterSettings f;
    f.notch = false;
    f.notchFrequency = "60";
    f.highPassFrequency = "abc";  // as typed
    f.lowPass = false;
    f.lowPassFrequency = "200";
    f.lowLevel = "-35";
    f.highLevel = "-5";
    f.attackTime = "120";
    EXPECT_TRUE(WriteFilterSettings(file, f).Ok());
    EXPECT_EQ(ReadAll(file),
              "[other]\nnotch=0\nnotchtxt=60\nhighpass=1\nhighpasstxt=abc\nlowpass=0\n"
              "lowpasstxt=200\nautogain=1\nlowlevel=-35\nhighlevel=-5\nattacktime=120\n");
    const FilterSettings back = ReadFilterSettings(file);
    EXPECT_FALSE(back.notch);
    EXPECT_TRUE(back.highPass);
    EXPECT_EQ(back.highPassFrequency, "abc");
    EXPECT_EQ(back.lowPassFrequency, "200");
    EXPECT_EQ(back.attackTime, "120");

    // A run without filters switches all four off and keeps the numbers.
    const FilterSettings off = WithoutFilters(back);
    EXPECT_FALSE(off.notch || off.highPass || off.lowPass || off.autoGain);
    EXPECT_EQ(off.lowPassFrequency, "200");
}

TEST(SplitSettings, AWholeNumberWithinTheLimitTurnsAMeasureOn) {
    TempDir dir;
    const std::string file = dir.File("settings.dat");
    EXPECT_EQ(ReadSplitSettings(file).minutes, 0);  // a fresh installation records one file
    EXPECT_TRUE(WriteSplitSettings(file, {30, 700}).Ok());
    EXPECT_EQ(ReadAll(file), "[set]\nsplitminutes=30\nsplitmb=700\n");
    const SplitSettings back = ReadSplitSettings(file);
    EXPECT_EQ(back.minutes, 30);
    EXPECT_EQ(back.megabytes, 700);
    for (const char* off : {"", "0", "-3", "x", "30.5", " 3 0", "1e3", "999999999999"})
        EXPECT_EQ(SplitMeasure(off, kSplitMaxMinutes), 0) << off;
    EXPECT_EQ(SplitMeasure("527040", kSplitMaxMinutes), 527040);  // a year
    EXPECT_EQ(SplitMeasure("527041", kSplitMaxMinutes), 0);
}

TEST(TriggerSettings, KeysRoundTripAndNumbersAreHeldInTheirRanges) {
    TempDir dir;
    const std::string file = dir.File("settings.dat");
    const TriggerSettings fresh = LoadTriggerSettings(file);
    EXPECT_FALSE(fresh.Any());
    EXPECT_EQ(fresh.startDb, -30);
    EXPECT_EQ(fresh.startMs, 200);

    TriggerSettings t;
    t.startOnSound = true;
    t.startDb = -25.5;
    t.startMs = 300;
    t.pauseOnSilence = true;
    EXPECT_TRUE(SaveTriggerSettings(file, t).Ok());
    EXPECT_EQ(ReadAll(file),
              "[trigger]\nstartonsound=1\nstartlevel=-25.5\nstarttime=300\nstoponsilence=0\n"
              "stoptime=3\nsilencelevel=-40\npauseonsilence=1\n");
    const TriggerSettings back = LoadTriggerSettings(file);
    EXPECT_TRUE(back.startOnSound && back.pauseOnSilence && !back.stopOnSilence);
    EXPECT_EQ(back.startDb, -25.5);
    EXPECT_EQ(back.startMs, 300);

    WriteAll(file,
             "[trigger]\nstartlevel=20\nstarttime=x\nstoptime=0\nsilencelevel=-300\n"
             "startonsound=yes\n");
    const TriggerSettings held = LoadTriggerSettings(file);
    EXPECT_EQ(held.startDb, 0);    // above the range: its top
    EXPECT_EQ(held.startMs, 200);  // not a number: the default
    EXPECT_EQ(held.stopSeconds, 0.1);
    EXPECT_EQ(held.silenceDb, -100);
    EXPECT_FALSE(held.startOnSound);  // only "1" is on
}

}  // namespace
}  // namespace qsr::settings

TEST(SecondSourceSettings, WrittenOnlyOnceChosenAndReadBackInRange) {
    qsr::testing::TempDir dir;
    const std::string file = dir.File("settings.dat");
    qsr::testing::WriteAll(file, "[other]\nnotch=1\n");
    // Never chosen: nothing new in settings.dat.
    EXPECT_TRUE(qsr::settings::SaveSecondSourceSettings(file, {}).Ok());
    EXPECT_EQ(qsr::testing::ReadAll(file), "[other]\nnotch=1\n");
    EXPECT_EQ(qsr::settings::LoadSecondSourceSettings(file), qsr::settings::SecondSourceSettings{});

    qsr::settings::SecondSourceSettings s;
    s.device = "Programs";
    s.program = "Call App";
    s.layout = qsr::audio::CombineLayout::Files;
    s.level = 150;
    EXPECT_TRUE(qsr::settings::SaveSecondSourceSettings(file, s).Ok());
    EXPECT_EQ(qsr::testing::ReadAll(file),
              "[other]\nnotch=1\n[secondsource]\ndevice=Programs\nprogram=Call App\n"
              "layout=files\nlevel=150\n");
    EXPECT_EQ(qsr::settings::LoadSecondSourceSettings(file), s);
    // Once stored, going back to none is stored too.
    EXPECT_TRUE(qsr::settings::SaveSecondSourceSettings(file, {}).Ok());
    EXPECT_EQ(qsr::settings::LoadSecondSourceSettings(file), qsr::settings::SecondSourceSettings{});

    qsr::testing::WriteAll(file, "[secondsource]\nlayout=sideways\nlevel=900\n");
    const auto held = qsr::settings::LoadSecondSourceSettings(file);
    EXPECT_EQ(held.layout, qsr::audio::CombineLayout::Mix);
    EXPECT_EQ(held.level, qsr::settings::kSecondLevelMax);
}
