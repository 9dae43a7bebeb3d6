#include <gtest/gtest.h>

#include <limits>

#include "settings/MixerRules.h"

using namespace qsr::settings;

namespace {

TEST(MixerRules, ColumnsShownForTheLastLineIndex) {
    EXPECT_EQ(MixerColumnsShown(-1), 0);
    EXPECT_EQ(MixerColumnsShown(0), 1);
    EXPECT_EQ(MixerColumnsShown(2), 3);
    EXPECT_EQ(MixerColumnsShown(7), 8);
    EXPECT_EQ(MixerColumnsShown(9), 8);
    EXPECT_EQ(MixerColumnsShown(-5), 0);
}

TEST(MixerRules, VolumeSliderIsUpsideDown) {
    // The slider's top (value 0) is the loudest.
    EXPECT_EQ(VolumeFromSlider(0), 65535);
    EXPECT_EQ(VolumeFromSlider(65535), 0);
    EXPECT_EQ(VolumeSliderValue(65535), 0);
    EXPECT_EQ(VolumeSliderValue(0), 65535);
    EXPECT_EQ(VolumeFromSlider(VolumeSliderValue(12345)), 12345);
    // Outside the scale: brought into it.
    EXPECT_EQ(VolumeSliderValue(70000), 0);
    EXPECT_EQ(VolumeFromSlider(-3), 65535);
}

TEST(MixerRules, CaptionsAndWindowSizes) {
    EXPECT_EQ(SelectCaption(0), "Select All");
    EXPECT_EQ(SelectCaption(1), "Select");
    EXPECT_EQ(SelectCaption(7), "Select");
    EXPECT_EQ(AdvancedCaption("Microphone"), "Microphone: Advanced Properties");
    EXPECT_EQ(TwipsToPixels(kMixerColumnTwips), 84);
    EXPECT_EQ(EditorFor(true), AdvancedEditor::TickBox);
    EXPECT_EQ(EditorFor(false), AdvancedEditor::Slider);
    EXPECT_EQ(TwipsToPixels(AdvancedWindowTwips(AdvancedEditor::TickBox)), 250);
    EXPECT_EQ(TwipsToPixels(AdvancedWindowTwips(AdvancedEditor::Slider)), 368);
}

TEST(MixerRules, AdvancedValuesAsShown) {
    EXPECT_EQ(AdvancedSliderValue(30000), 30000);
    EXPECT_EQ(AdvancedSliderValue(-30000), 30000);
    EXPECT_EQ(AdvancedSliderValue(std::numeric_limits<std::int32_t>::min()), 2147483648LL);
    EXPECT_FALSE(AdvancedTicked(0));
    EXPECT_TRUE(AdvancedTicked(1));
    EXPECT_TRUE(AdvancedTicked(-1));
}

}  // namespace
