#include <gtest/gtest.h>

#include "settings/FormatOptionRules.h"
#include "settings/Inifun.h"
#include "support/TempDir.h"

namespace qsr::settings {
namespace {

using qsr::testing::ReadAll;
using qsr::testing::TempDir;
using qsr::testing::WriteAll;

TEST(FormatOptionRules, RateButtonsMatchTheStoredRateOrFallBackTo44100) {
    EXPECT_EQ(RateButtonIndex(48000, kRateButtonsWavVox), 7);
    EXPECT_EQ(RateButtonIndex(11025, kRateButtonsWavVox), 4);
    EXPECT_EQ(RateButtonIndex(12000, kRateButtonsRawG726), 9);
    // The WAV and VOX dialogs have no 6000 or 12000 button.
    EXPECT_EQ(RateButtonIndex(6000, kRateButtonsWavVox), 6);
    EXPECT_EQ(RateButtonIndex(6000, kRateButtonsRawG726), 8);
    for (int odd : {0, -8000, 44101, 96000}) {
        EXPECT_EQ(kRateButtons[static_cast<std::size_t>(RateButtonIndex(odd, 10))], 44100) << odd;
    }
}

TEST(FormatOptionRules, ChoicesFallBackToStereoPcmAndFourBits) {
    EXPECT_EQ(ChannelChoice(1), 1);
    EXPECT_EQ(ChannelChoice(2), 2);
    EXPECT_EQ(ChannelChoice(0), 2);
    EXPECT_EQ(ChannelChoice(6), 2);
    for (int c : {1, 2, 3}) EXPECT_EQ(RawCompressionChoice(c), c);
    EXPECT_EQ(RawCompressionChoice(0), 1);
    EXPECT_EQ(RawCompressionChoice(7), 1);
    for (int b : {2, 3, 4, 5}) EXPECT_EQ(G726BitsChoice(b), b);
    EXPECT_EQ(G726BitsChoice(1), 4);
    EXPECT_EQ(G726BitsChoice(6), 4);
}

TEST(FormatOptionRules, SmallDialogsLoadWithFallBacksAndOkStoresThem) {
    TempDir dir;
    const std::string file = dir.File("settings.dat");
    WriteAll(file,
             "[wav]\nFreq=48000\nChannel=1\n[vox]\nvoxFreq=6000\n"
             "[raw]\nrawFreq=12000\nrawChannel=3\nrawCompr=7\n[g726]\ngFreq=abc\ngbit=6\n");
    FormatValues v = ShippedFormatValues();
    v.gFreq = 16000;  // what the program holds: an unreadable key keeps it

    const WavChoice wav = LoadWavOptions(file, v);
    EXPECT_EQ(wav.rateIndex, 7);
    EXPECT_EQ(wav.channels, 1);
    EXPECT_EQ(v.Freq, 48000);
    EXPECT_EQ(v.Channel, 1);

    EXPECT_EQ(LoadVoxOptions(file, v), 6);
    EXPECT_EQ(v.voxFreq, 44100);

    const RawChoice raw = LoadRawOptions(file, v);
    EXPECT_EQ(raw.rateIndex, 9);
    EXPECT_EQ(raw.channels, 2);
    EXPECT_EQ(raw.compression, 1);
    EXPECT_EQ(v.rawFreq, 12000);
    EXPECT_EQ(v.rawChannel, 2);
    EXPECT_EQ(v.rawCompr, 1);

    const G726Choice g = LoadG726Options(file, v);
    EXPECT_EQ(g.rateIndex, 1);
    EXPECT_EQ(g.bits, 4);
    EXPECT_EQ(v.gFreq, 16000);
    EXPECT_EQ(v.gbit, 4);

    WriteWavOptions(file, v);
    WriteVoxOptions(file, v);
    WriteRawOptions(file, v);
    WriteG726Options(file, v);
    EXPECT_EQ(ReadAll(file),
              "[wav]\nFreq=48000\nChannel=1\n[vox]\nvoxFreq=44100\n"
              "[raw]\nrawFreq=12000\nrawChannel=2\nrawCompr=1\n[g726]\ngFreq=16000\ngbit=4\n");
}

TEST(FormatOptionRules, OggTableAndQualityText) {
    const int table[] = {112, 128, 160, 192, 256, 320};
    for (int p = 1; p <= 6; ++p) {
        EXPECT_EQ(OggBitrateAt(p), table[p - 1]);
        EXPECT_EQ(OggSliderPosition(table[p - 1]), p);
    }
    EXPECT_EQ(OggSliderPosition(96), std::nullopt);
    EXPECT_EQ(OggSliderPosition(0), std::nullopt);
    EXPECT_EQ(OggQualityText(300), "3");
    EXPECT_EQ(OggQualityText(250), "2.5");
    EXPECT_EQ(OggQualityText(1000), "10");
    EXPECT_EQ(OggQualityText(0), "0");
    EXPECT_EQ(OggQualityText(305), "3.05");
}

TEST(FormatOptionRules, OggLoadKeepsAnOddNominalButResetsAnOddRange) {
    TempDir dir;
    const std::string file = dir.File("settings.dat");
    WriteAll(file,
             "[ogg]\noggBitrate=96\nMinBitrate=96\nMaxBitrate=256\nQuality=450\n"
             "VbrEnabled=1\nQualityEnabled=1\n");
    FormatValues v;
    const OggChoice c = LoadOggOptions(file, v);
    EXPECT_EQ(c.bitratePosition, 2);
    EXPECT_EQ(v.oggBitrate, 96);
    EXPECT_EQ(c.minimumPosition, 2);
    EXPECT_EQ(v.MinBitrate, 128);
    EXPECT_EQ(c.maximumPosition, 5);
    EXPECT_EQ(v.MaxBitrate, 256);
    EXPECT_EQ(c.quality, 450);
    EXPECT_TRUE(c.vbr);
    EXPECT_TRUE(c.qualityMode);
    // Both ticks on: quality mode wins when the format is set.
    EXPECT_EQ(ChooseOggParameters(v).quality, 450);
    EXPECT_EQ(ChooseOggParameters(v).nominal, 128);

    // OK stores the odd nominal again.
    WriteOggOptions(file, v);
    EXPECT_EQ(ReadAll(file),
              "[ogg]\noggBitrate=96\nMinBitrate=128\nMaxBitrate=256\nQuality=450\n"
              "VbrEnabled=1\nQualityEnabled=1\n");
}

TEST(FormatOptionRules, OggLoadOfADamagedSectionResetsWhatItMust) {
    TempDir dir;
    const std::string file = dir.File("settings.dat");
    WriteAll(file,
             "[ogg]\noggBitrate=x\nMaxBitrate=\nQuality=5000\nVbrEnabled=2\n"
             "QualityEnabled=yes\n");
    FormatValues v;
    v.oggBitrate = 160;  // unreadable: kept
    v.MinBitrate = 0;    // absent and not in the table: 128
    v.MaxBitrate = 320;  // reset to 128 before the (empty) key is read
    v.VbrEnabled = 1;
    v.QualityEnabled = 1;
    const OggChoice c = LoadOggOptions(file, v);
    EXPECT_EQ(v.oggBitrate, 160);
    EXPECT_EQ(c.bitratePosition, 3);
    EXPECT_EQ(v.MinBitrate, 128);
    EXPECT_EQ(v.MaxBitrate, 128);
    EXPECT_EQ(c.maximumPosition, 2);
    EXPECT_EQ(v.Quality, 1000);  // beyond the slider: its end
    EXPECT_FALSE(c.vbr);         // only 1 ticks
    EXPECT_FALSE(c.qualityMode);
    EXPECT_EQ(v.VbrEnabled, 0);
    EXPECT_EQ(v.QualityEnabled, 0);

    FormatValues fresh;
    const OggChoice none = LoadOggOptions(dir.File("none.dat"), fresh);
    EXPECT_EQ(none.quality, 300);
    EXPECT_EQ(fresh.Quality, 300);
    EXPECT_EQ(fresh.MaxBitrate, 128);
}

}  // namespace
}  // namespace qsr::settings
