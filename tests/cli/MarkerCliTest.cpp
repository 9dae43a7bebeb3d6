// quorvin-cli mark into a running quorvin-cli record, and quorvin-cli
// markers on a file ffmpeg made; ffprobe reads what they stored.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "support/TempDir.h"

namespace {

using qsr::testing::ReadAll;
using qsr::testing::TempDir;

struct Result {
    int code = -1;
    std::string out;
    bool operator==(const Result&) const = default;
};

void PrintTo(const Result& r, std::ostream* os) {
    *os << r.code << " \"" << r.out << "\"";
}

Result Finish(FILE* p) {
    Result r;
    char buf[512];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int status = ::pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

bool WaitFor(const std::function<bool()>& done, std::chrono::seconds bound) {
    const auto end = std::chrono::steady_clock::now() + bound;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

struct Chapter {
    double start;
    std::string title;
};

std::vector<Chapter> Ffprobe(const std::string& path) {
    const Result r =
        Finish(::popen(("ffprobe -v error -show_chapters -of json '" + path + "'").c_str(), "r"));
    std::vector<Chapter> out;
    for (const auto& c :
         QJsonDocument::fromJson(QByteArray::fromStdString(r.out))["chapters"].toArray())
        out.push_back({c.toObject()["start_time"].toString().toDouble(),
                       c.toObject()["tags"].toObject()["title"].toString().toStdString()});
    return out;
}

class MarkerCli : public ::testing::Test {
  protected:
    FILE* Start(const std::string& args) {
        const std::string cmd = "QSR_HOME='" + home_.path().string() +
                                "' " QSR_BINARY_DIR "/src/cli/quorvin-cli " + args + " 2>&1";
        return ::popen(cmd.c_str(), "r");
    }
    Result Run(const std::string& args) { return Finish(Start(args)); }
    TempDir home_, dir_;
};

TEST_F(MarkerCli, MarkReachesARunningRecordAndItsFileHoldsTheChapters) {
    if (!std::getenv("PULSE_SERVER")) GTEST_SKIP() << "no test sound server";
    EXPECT_EQ(Run("mark"), (Result{1, "quorvin-cli mark: nothing is being recorded\n"}));
    const Result devices = Run("devices");
    const auto at = devices.out.find(": Monitor of Tone_Output");
    ASSERT_NE(at, std::string::npos) << devices.out;
    const auto lineStart = devices.out.rfind('\n', at) + 1;
    const std::string device = devices.out.substr(lineStart, at - lineStart);

    const std::string ogg = dir_.File("lecture.ogg");
    FILE* record = Start("record --device " + device + " --seconds 5 --format OGG " + ogg);
    const std::string journal = home_.File("recordings.journal");
    ASSERT_TRUE(WaitFor([&] { return ReadAll(journal).find(ogg) != std::string::npos; },
                        std::chrono::seconds(60)));
    const auto firstSent = std::chrono::steady_clock::now();
    EXPECT_EQ(Run("mark 'Frage – 質問'"), (Result{0, ogg + ": marker set\n"}));
    const auto firstDone = std::chrono::steady_clock::now();
    // The journal lists it once its samples are in the file; then the next.
    ASSERT_TRUE(WaitFor([&] { return ReadAll(journal).find("\nM\t") != std::string::npos; },
                        std::chrono::seconds(30)));
    const auto secondSent = std::chrono::steady_clock::now();
    EXPECT_EQ(Run("mark"), (Result{0, ogg + ": marker set\n"}));
    const auto secondDone = std::chrono::steady_clock::now();
    const Result recorded = Finish(record);
    ASSERT_EQ(recorded.code, 0) << recorded.out;

    const std::vector<Chapter> chapters = Ffprobe(ogg);
    ASSERT_EQ(chapters.size(), 2u);
    EXPECT_EQ(chapters[0].title, "Frage – 質問");
    EXPECT_EQ(chapters[1].title, "Marker 2");
    EXPECT_GT(chapters[0].start, 0);
    EXPECT_LT(chapters[1].start, 5);
    // Each command marks a moment while it runs (after its own start-up): the
    // chapters' distance lies between the nearest and the farthest such
    // moments, give or take the capture's batching (25 ms).
    const auto seconds = [](auto d) { return std::chrono::duration<double>(d).count(); };
    const double apart = chapters[1].start - chapters[0].start;
    EXPECT_GE(apart, seconds(secondSent - firstDone) - 0.025);
    EXPECT_LE(apart, seconds(secondDone - firstSent) + 0.025);
}

TEST_F(MarkerCli, MarkersListsAddsRemovesAndExportsInPlace) {
    const std::string flac = dir_.File("talk.flac");
    ASSERT_EQ(std::system(
                  ("ffmpeg -v error -f lavfi -i sine=f=440:d=4 -ar 44100 '" + flac + "'").c_str()),
              0);
    EXPECT_EQ(Run("markers " + flac), (Result{0, ""}));
    EXPECT_EQ(Run("markers " + flac + " --add 00:00:01.5=Intro").code, 0);
    EXPECT_EQ(Run("markers " + flac + " --add 0.25"),
              (Result{0, "1\t00:00:00.250\tMarker 2\n2\t00:00:01.500\tIntro\n"}));
    EXPECT_EQ(Run("markers " + flac + " --labels"),
              (Result{0, "0.250000\t0.250000\tMarker 2\n1.500000\t1.500000\tIntro\n"}));
    const Result cue = Run("markers " + flac + " --cue");
    EXPECT_EQ(cue.out.substr(0, cue.out.find('\n')), "FILE \"talk.flac\" BINARY");
    EXPECT_NE(cue.out.find("  TRACK 02 AUDIO\n    TITLE \"Intro\"\n"), std::string::npos);
    const std::string before = ReadAll(flac);
    EXPECT_EQ(Run("markers " + flac + " --remove 3").code, 2);
    EXPECT_EQ(Run("markers " + flac + " --add 1:75=x").code, 2);
    EXPECT_EQ(ReadAll(flac), before);
    EXPECT_EQ(Run("markers " + flac + " --remove 1").code, 0);
    const std::vector<Chapter> chapters = Ffprobe(flac);
    ASSERT_EQ(chapters.size(), 1u);
    EXPECT_EQ(chapters[0].title, "Intro");
    EXPECT_DOUBLE_EQ(chapters[0].start, 1.5);
}

TEST_F(MarkerCli, ATagWriteKeepsAnMp3sChapters) {
    const std::string mp3 = dir_.File("talk.mp3");
    ASSERT_EQ(
        std::system(("ffmpeg -v error -f lavfi -i sine=f=440:d=4 -ar 44100 '" + mp3 + "'").c_str()),
        0);
    ASSERT_EQ(Run("markers " + mp3 + " --add 1.25=Intro").code, 0);
    ASSERT_EQ(Run("markers " + mp3 + " --add 00:00:03=Fragen").code, 0);
    const Result tags = Run("tags " + mp3 + " --v2 tagTitle=Vorlesung");
    ASSERT_EQ(tags.code, 0) << tags.out;
    EXPECT_NE(Run("tags " + mp3).out.find("v2.tagTitle=Vorlesung\n"), std::string::npos);
    const std::vector<Chapter> chapters = Ffprobe(mp3);
    ASSERT_EQ(chapters.size(), 2u);
    EXPECT_DOUBLE_EQ(chapters[0].start, 1.25);
    EXPECT_EQ(chapters[0].title, "Intro");
    EXPECT_DOUBLE_EQ(chapters[1].start, 3);
    EXPECT_EQ(chapters[1].title, "Fragen");
}

}  // namespace
