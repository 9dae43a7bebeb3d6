#include <gtest/gtest.h>

#include <filesystem>

#include "converter/ConvertJob.h"
#include "fakes/FakeAudio.h"
#include "support/TempDir.h"

namespace qsr::converter {
namespace {

using Outcome = ConvertJob::Outcome;

struct JobFixture : ::testing::Test {
    testing::TempDir dir;
    fakes::FakeAudioFile reader, writer;
    std::string input = dir.File("in.wav");
    void SetUp() override {
        testing::WriteAll(input, "RIFF");
        reader.contentRate = 10;
        reader.contentChannels = 2;
        reader.content.assign(10 * 2 * 10, 7);  // 10 s; a block is channels x rate frames: 5 blocks
    }
};

TEST_F(JobFixture, ConvertsEveryBlockAndClosesTheTarget) {
    ConvertJob job(reader, writer);
    std::vector<double> progress;
    job.progressInterval = std::chrono::milliseconds(0);
    job.onProgress = [&](double p) { progress.push_back(p); };
    EXPECT_EQ(job.Convert(input, dir.File("in.ogg")), Outcome::Complete);
    EXPECT_EQ(writer.written.size(), 5u);
    EXPECT_TRUE(writer.closed);
    EXPECT_EQ(job.FramesWritten(), 100);
    EXPECT_EQ(job.InputRate(), 10);
    ASSERT_FALSE(progress.empty());
    EXPECT_DOUBLE_EQ(progress.front(), 0.0);
    EXPECT_DOUBLE_EQ(progress.back(), 100.0);
}

TEST_F(JobFixture, CancelStopsAfterTheBlockInHandAndStillClosesTheFile) {
    ConvertJob job(reader, writer);
    int blocks = 0;
    job.onBlock = [&] {
        if (++blocks == 2) job.Cancel();
    };
    EXPECT_EQ(job.Convert(input, dir.File("in.ogg")), Outcome::Cancelled);
    EXPECT_EQ(writer.written.size(), 2u);
    EXPECT_TRUE(writer.closed);  // headers and trailers of the partial file
}

TEST_F(JobFixture, TargetThatIsTheInputIsSkippedUntouched) {
    ConvertJob job(reader, writer);
    EXPECT_EQ(job.Convert(input, dir.File("./in.wav")), Outcome::Skipped);
    EXPECT_EQ(job.Reason(), "output is the input file");
    EXPECT_TRUE(writer.createdPath.empty());
    EXPECT_EQ(testing::ReadAll(input), "RIFF");
}

TEST_F(JobFixture, FailuresAreReportedWithTheirReason) {
    {
        ConvertJob job(reader, writer);
        EXPECT_EQ(job.Convert(dir.File("missing.wav"), dir.File("x.ogg")), Outcome::Failed);
        EXPECT_NE(job.Reason().find("missing.wav"), std::string::npos);
    }
    {
        writer.createResult = -1;
        writer.lastError = "Permission denied";
        ConvertJob job(reader, writer);
        EXPECT_EQ(job.Convert(input, dir.File("x.ogg")), Outcome::Failed);
        EXPECT_EQ(job.Reason(), "Permission denied");
        EXPECT_FALSE(std::filesystem::exists(dir.File("x.ogg")));
        writer.createResult = 0;
    }
    {
        writer.writesBeforeFailure = 1;
        ConvertJob job(reader, writer);
        EXPECT_EQ(job.Convert(input, dir.File("x.ogg")), Outcome::Failed);
        EXPECT_EQ(job.Reason(), "No space left on device");
        EXPECT_TRUE(writer.closed);
    }
}

TEST_F(JobFixture, EmptyInputHasNoSound) {
    reader.contentRate = 0;
    ConvertJob job(reader, writer);
    EXPECT_EQ(job.Convert(input, dir.File("x.ogg")), Outcome::Failed);
    EXPECT_TRUE(writer.createdPath.empty());
}

}  // namespace
}  // namespace qsr::converter
