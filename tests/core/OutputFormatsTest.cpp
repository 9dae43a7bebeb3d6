#include <gtest/gtest.h>

#include "core/OutputFormats.h"

namespace {

using namespace qsr::core;

TEST(OutputFormats, TheListInIndexOrderAndTheEncoderEachExtensionPicks) {
    std::vector<std::string> texts;
    for (const OutputFormat& f : RecordingFormats()) texts.push_back(f.listText);
    EXPECT_EQ(texts, (std::vector<std::string>{"WAV", "MP3", "VOX", "Raw", "G726", "OGG", "FLAC",
                                               "OPUS"}));
    EXPECT_EQ(EncoderForPath("/r/a.Raw"), Encoder::Raw);
    EXPECT_EQ(EncoderForPath("/r/a.b.mp3"), Encoder::Mp3);
    EXPECT_EQ(EncoderForPath("x.WMA"), Encoder::Wma);
    EXPECT_EQ(EncoderForPath("/r.mp3/noext"), std::nullopt);
    EXPECT_EQ(EncoderForPath("a.flac"), Encoder::Flac);
    EXPECT_EQ(EncoderForPath("a.Opus"), Encoder::Opus);
    EXPECT_EQ(EncoderForPath("a.oga"), std::nullopt);
    EXPECT_EQ(EncoderForName("ogg"), Encoder::Ogg);
    EXPECT_STREQ(FormatName(Encoder::G726), "G726");
    EXPECT_EQ(RecordingFormatList(), "WAV, MP3, VOX, Raw, G726, OGG, FLAC, OPUS");
}

}  // namespace
