#include <gtest/gtest.h>

#include "settings/Mp3OptionRules.h"

namespace qsr::settings {
namespace {

TEST(Mp3OptionRules, SliderPositionsAndBitratesMapBothWays) {
    EXPECT_EQ(Mp3BitrateAt(0), 8);
    EXPECT_EQ(Mp3BitrateAt(9), 128);
    EXPECT_EQ(Mp3BitrateAt(14), 320);
    EXPECT_EQ(Mp3BitrateAt(15), 320);  // held to the table
    EXPECT_EQ(Mp3BitrateAt(-1), 8);
    for (int position = 0; position < 15; ++position)
        EXPECT_EQ(Mp3BitratePosition(Mp3BitrateAt(position)), position);
    // 40 and 80 are not offered; neither is anything between the steps.
    EXPECT_EQ(Mp3BitratePosition(40), std::nullopt);
    EXPECT_EQ(Mp3BitratePosition(80), std::nullopt);
    EXPECT_EQ(Mp3BitratePosition(0), std::nullopt);
    EXPECT_EQ(CurrentBitrateText(128), "Current bitrate: 128 kbit");
}

TEST(Mp3OptionRules, ChannelAndMethodListsMapToTheObjectsCodes) {
    // Mode is index + 1; only "Mono" records one channel.
    for (int index = 0; index < 5; ++index) {
        EXPECT_EQ(Mp3ChannelModeOfIndex(index), index + 1);
        EXPECT_EQ(Mp3ChannelsOfIndex(index),
                  std::string(kMp3ChannelItems[index]) == "Mono" ? 1 : 2);
    }
    EXPECT_EQ(Mp3VbrMethodOfIndex(0), -1);  // "None"
    EXPECT_EQ(Mp3VbrMethodOfIndex(3), 2);   // "New"
    EXPECT_EQ(Mp3VbrMethodOfIndex(5), 4);   // "ABR"
    for (int method = -1; method <= 4; ++method)
        EXPECT_EQ(Mp3VbrMethodOfIndex(Mp3VbrMethodIndex(method)), method);
    EXPECT_EQ(kMp3SampleRates[1], 44100);
}

TEST(Mp3OptionRules, CodingMethodDecidesWhichVbrControlsWork) {
    const VbrControlStates none = VbrControlsFor(0);
    EXPECT_FALSE(none.vbrQuality);
    EXPECT_FALSE(none.abr);
    EXPECT_FALSE(none.vbrFrames);
    const VbrControlStates abr = VbrControlsFor(5);
    EXPECT_FALSE(abr.vbrQuality);
    EXPECT_TRUE(abr.abr);
    EXPECT_TRUE(abr.vbrFrames);
    for (int index : {1, 2, 3, 4}) {  // "Default", "Old", "New", "MTRH"
        const VbrControlStates vbr = VbrControlsFor(index);
        EXPECT_TRUE(vbr.vbrQuality) << index;
        EXPECT_FALSE(vbr.abr) << index;
        EXPECT_TRUE(vbr.vbrFrames) << index;
    }
}

TEST(Mp3OptionRules, FiltersOpenOffWhenNegativeAndWidthsZeroShowTheDefault) {
    const Mp3FilterBoxes off =
        Mp3FilterOnLoad(-1, 0, kLowPassDefaultFrequency, kLowPassDefaultWidth);
    EXPECT_FALSE(off.on);
    EXPECT_EQ(off.frequency, 15160);
    EXPECT_EQ(off.width, 760);
    const Mp3FilterBoxes on =
        Mp3FilterOnLoad(120, 40, kHighPassDefaultFrequency, kHighPassDefaultWidth);
    EXPECT_TRUE(on.on);
    EXPECT_EQ(on.frequency, 120);
    EXPECT_EQ(on.width, 40);
    // 0 Hz is a frequency (the encoder's choice), not "off".
    const Mp3FilterBoxes picked =
        Mp3FilterOnLoad(0, 0, kHighPassDefaultFrequency, kHighPassDefaultWidth);
    EXPECT_TRUE(picked.on);
    EXPECT_EQ(picked.frequency, 0);
    EXPECT_EQ(picked.width, 5);
}

}  // namespace
}  // namespace qsr::settings
