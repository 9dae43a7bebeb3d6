#include <gtest/gtest.h>

#include "core/Text.h"
#include "support/TempDir.h"

using namespace qsr::core;
using qsr::testing::TempDir;
using qsr::testing::WriteAll;

TEST(RecordingTexts, ElapsedTimeIsMinutesSecondsAndMilliseconds) {
    EXPECT_EQ(ElapsedText(0), "0:00.000");
    EXPECT_EQ(ElapsedText(75042), "1:15.042");
    EXPECT_EQ(ElapsedText(59999), "0:59.999");
    EXPECT_EQ(ElapsedText(60000), "1:00.000");
    EXPECT_EQ(ElapsedText(125LL * 60000 + 7005), "125:07.005");
    EXPECT_EQ(ElapsedText(-5), "0:00.000");
}

TEST(RecordingTexts, SizeHasUpToTwoDecimalsAndMB) {
    EXPECT_EQ(SizeText(1572864), "1.5MB");
    EXPECT_EQ(SizeText(1048576), "1MB");
    EXPECT_EQ(SizeText(0), "0MB");
    EXPECT_EQ(SizeText(1048576 + 10486), "1.01MB");  // 1.0100004
    EXPECT_EQ(SizeText(1048576 * 2 - 1), "2MB");     // 1.999999 rounds up to a whole
    EXPECT_EQ(SizeText(5242), "0MB");                // 0.004999
    EXPECT_EQ(SizeText(5243), "0.01MB");             // 0.0050001
    EXPECT_EQ(SizeText(1048576ULL * 1000 + 524288), "1000.5MB");
}

TEST(RecordingTexts, FileSizeIsEmptyWhenTheFileCannotBeExamined) {
    TempDir dir;
    WriteAll(dir.File("a.WAV"), std::string(1572864, 'x'));
    EXPECT_EQ(FileSizeText(dir.File("a.WAV")), "1.5MB");
    EXPECT_EQ(FileSizeText(dir.File("missing.WAV")), "");
}
