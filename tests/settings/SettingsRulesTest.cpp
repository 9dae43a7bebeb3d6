#include <gtest/gtest.h>

#include "settings/FilterSettings.h"
#include "settings/FormatValues.h"
#include "settings/Inifun.h"
#include "settings/SettingsRules.h"
#include "support/TempDir.h"

using namespace qsr::settings;

TEST(SettingsRules, FlagsTestedForOneAreOnUnlessAnotherNumber) {
    EXPECT_TRUE(FlagTestedForOne("1"));
    EXPECT_TRUE(FlagTestedForOne(""));
    EXPECT_TRUE(FlagTestedForOne("yes"));
    EXPECT_TRUE(FlagTestedForOne(" 1.0 "));
    EXPECT_FALSE(FlagTestedForOne("0"));
    EXPECT_FALSE(FlagTestedForOne("2"));
}

TEST(SettingsRules, ValuesTestedForZeroAreUnsetWhenZeroEmptyOrNotANumber) {
    EXPECT_TRUE(ValueTestedForZero(""));
    EXPECT_TRUE(ValueTestedForZero("0"));
    EXPECT_TRUE(ValueTestedForZero("abc"));
    EXPECT_FALSE(ValueTestedForZero("1"));
}

TEST(SettingsRules, ConversionsLeaveTheTargetWhenTextIsNoNumberOrDoesNotFit) {
    std::int16_t small = 7;
    EXPECT_FALSE(ConvertInt16("", small));
    EXPECT_FALSE(ConvertInt16("12abc", small));
    EXPECT_FALSE(ConvertInt16("0x10", small));
    EXPECT_FALSE(ConvertInt16("40000", small));  // beyond 16 bits
    EXPECT_EQ(small, 7);
    EXPECT_TRUE(ConvertInt16(" -90 ", small));
    EXPECT_EQ(small, -90);
    EXPECT_TRUE(ConvertInt16("2.5", small));  // half to even
    EXPECT_EQ(small, 2);

    std::int32_t wide = 1;
    EXPECT_TRUE(ConvertInt32("44100", wide));
    EXPECT_EQ(wide, 44100);
    EXPECT_FALSE(ConvertInt32("nan", wide));
    EXPECT_FALSE(ConvertInt32("1e20", wide));
    EXPECT_EQ(wide, 44100);

    float hz = 50.f;
    EXPECT_TRUE(ConvertSingle("62.5", hz));
    EXPECT_FLOAT_EQ(hz, 62.5f);
    EXPECT_FALSE(ConvertSingle("inf", hz));
    EXPECT_FALSE(ConvertSingle("1e60", hz));
    EXPECT_FLOAT_EQ(hz, 62.5f);
}

TEST(SettingsRules, OutputFormatIndexFallsBackToWav) {
    EXPECT_EQ(OutputFormatIndex("3"), 3);
    EXPECT_EQ(OutputFormatIndex("5"), 5);
    EXPECT_EQ(OutputFormatIndex("7"), 7);  // OPUS, the last in the list
    EXPECT_EQ(OutputFormatIndex("9"), 0);
    EXPECT_EQ(OutputFormatIndex("-1"), 0);
    EXPECT_EQ(OutputFormatIndex("x"), 0);
    EXPECT_EQ(OutputFormatIndex(""), 0);
}

TEST(SettingsRules, OutputFolderDefaultsToApplicationFolder) {
    EXPECT_EQ(OutputFolder("", "/app"), "/app");
    EXPECT_EQ(OutputFolder("0", "/app"), "/app");
    EXPECT_EQ(OutputFolder("  /home/me/rec ", "/app"), "/home/me/rec");
    EXPECT_EQ(OutputFolder("rec dir", "/app"), "rec dir");
}

TEST(FormatValues, LoadKeepsFieldsWhoseKeysAreMissingOrBroken) {
    qsr::testing::TempDir dir;
    const auto file = dir.File("settings.dat");
    qsr::testing::WriteAll(file,
                           "[mp3]\nMP3Frequency=48000\nMP3Bitrate=abc\n[ogg]\nQuality=300\n"
                           "[g726]\ngbit=99999\n[raw]\nrawFreq=3000000000\n");
    FormatValues v;
    v.MP3Bitrate = 64;
    v.gbit = 4;
    v.rawFreq = 8000;
    LoadFormatValues(file, v);
    EXPECT_EQ(v.MP3Frequency, 48000);
    EXPECT_EQ(v.MP3Bitrate, 64);
    EXPECT_EQ(v.Quality, 300);
    EXPECT_EQ(v.gbit, 4);        // does not fit 16 bits
    EXPECT_EQ(v.rawFreq, 8000);  // does not fit 32 bits
    EXPECT_EQ(v.VbrEnabled, 0);  // absent Ogg flag reads as 0
}

TEST(FormatValues, OggQualityModeWinsOverBitrateRange) {
    FormatValues v;
    v.oggBitrate = 160;
    v.MinBitrate = 112;
    v.MaxBitrate = 192;
    v.Quality = 450;
    v.VbrEnabled = 1;
    v.QualityEnabled = 1;
    auto p = ChooseOggParameters(v);
    EXPECT_EQ(std::tie(p.nominal, p.minimum, p.maximum, p.quality),
              std::make_tuple(128, 0, 0, 450));
    v.QualityEnabled = 0;
    p = ChooseOggParameters(v);
    EXPECT_EQ(std::tie(p.nominal, p.minimum, p.maximum, p.quality),
              std::make_tuple(160, 112, 192, -1));
    v.VbrEnabled = 0;
    p = ChooseOggParameters(v);
    EXPECT_EQ(std::tie(p.nominal, p.minimum, p.maximum, p.quality), std::make_tuple(160, 0, 0, -1));
}

TEST(FormatValues, FilterSettingsWithoutSectionSwitchEverythingOn) {
    qsr::testing::TempDir dir;
    const auto file = dir.File("settings.dat");
    auto s = ReadFilterSettings(file);
    EXPECT_TRUE(s.notch && s.highPass && s.lowPass && s.autoGain);
    EXPECT_FALSE(StoredFrequency(s.notchFrequency) || StoredFrequency(s.highPassFrequency) ||
                 StoredFrequency(s.lowPassFrequency));
    EXPECT_FALSE(StoredLevel(s.lowLevel) || StoredLevel(s.highLevel) || StoredLevel(s.attackTime));

    qsr::testing::WriteAll(file, "[other]\nnotch=0\nnotchtxt=60\nlowpasstxt=x\nattacktime=150\n");
    s = ReadFilterSettings(file);
    EXPECT_FALSE(s.notch);
    EXPECT_TRUE(s.highPass);
    ASSERT_TRUE(StoredFrequency(s.notchFrequency));
    EXPECT_FLOAT_EQ(*StoredFrequency(s.notchFrequency), 60.f);
    EXPECT_EQ(s.lowPassFrequency, "x");  // kept as stored, read as no number
    EXPECT_FALSE(StoredFrequency(s.lowPassFrequency));
    EXPECT_EQ(StoredLevel(s.attackTime), 150);
}
