// quorvin-cli split --at-markers on files sox and ffmpeg made, their markers
// set by metaflac and by quorvin-cli markers: sox joins the pieces back into
// the original, soxi and ffmpeg measure each piece, ffprobe reads its chapters.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>

#include "support/TempDir.h"

namespace {

using qsr::testing::ReadAll;
using qsr::testing::TempDir;

struct Result {
    int code = -1;
    std::string out, err;
};

std::string Quoted(const std::string& s) {
    return "'" + s + "'";
}

std::string Output(const std::string& command) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
    return out;
}

std::int64_t SoxiSamples(const std::string& path) {
    return std::stoll(Output("soxi -s " + Quoted(path)));
}

// What ffmpeg decodes (honouring the gapless header), in sample frames of one channel.
std::int64_t DecodedFrames(const std::string& path) {
    return static_cast<std::int64_t>(
               Output("ffmpeg -v error -i " + Quoted(path) + " -ac 1 -f s16le -").size()) /
           2;
}

std::vector<std::pair<double, std::string>> Chapters(const std::string& path) {
    const std::string json = Output("ffprobe -v error -show_chapters -of json " + Quoted(path));
    std::vector<std::pair<double, std::string>> out;
    for (const auto& c :
         QJsonDocument::fromJson(QByteArray::fromStdString(json))["chapters"].toArray())
        out.emplace_back(c.toObject()["start_time"].toString().toDouble(),
                         c.toObject()["tags"].toObject()["title"].toString().toStdString());
    return out;
}

class SplitCli : public ::testing::Test {
  protected:
    Result Run(const std::string& args) {
        const std::string err = home_.File("stderr");
        const std::string cmd = "QSR_HOME=" + Quoted(home_.path().string()) +
                                " " QSR_BINARY_DIR "/src/cli/quorvin-cli " + args + " 2>" +
                                Quoted(err);
        Result r;
        FILE* p = ::popen(cmd.c_str(), "r");
        char buf[512];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
        const int status = ::pclose(p);
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.err = ReadAll(err);
        return r;
    }
    // The sound of `paths` joined by sox, as raw samples.
    std::string Joined(const std::vector<std::string>& paths) {
        std::string args;
        for (const std::string& p : paths) args += Quoted(p) + " ";
        const std::string raw = dir_.File("joined.raw");
        EXPECT_EQ(std::system(("sox " + args + "-t raw " + Quoted(raw)).c_str()), 0);
        return ReadAll(raw);
    }
    TempDir home_, dir_;
};

TEST_F(SplitCli, WavAndFlacPiecesJoinBackBitExactAndEachHoldsItsMarkersSpan) {
    // WAV: markers set by quorvin-cli markers on a file sox made.
    const std::string wav = dir_.File("talk.wav");
    ASSERT_EQ(std::system(("sox -n -r 44100 -c 2 -b 16 " + Quoted(wav) +
                           " synth 3 pinknoise synth 3 sine amod 3")
                              .c_str()),
              0);
    for (const char* add : {"0.5=Intro", "1.25='Q/A – 質問'", "2=Intro"})
        ASSERT_EQ(Run("markers " + Quoted(wav) + " --add " + add).code, 0);
    const std::string original = ReadAll(wav);
    const Result split = Run("split --at-markers " + Quoted(wav));
    ASSERT_EQ(split.code, 0) << split.err;
    const std::vector<std::string> pieces = {dir_.File("talk - start.wav"), dir_.File("Intro.wav"),
                                             dir_.File("Q-A – 質問.wav"), dir_.File("Intro 2.wav")};
    EXPECT_EQ(split.out, pieces[0] + "\n" + pieces[1] + "\n" + pieces[2] + "\n" + pieces[3] + "\n");
    const std::vector<std::int64_t> lengths = {22050, 33075, 33075, 44100};
    for (std::size_t i = 0; i < pieces.size(); ++i)
        EXPECT_EQ(SoxiSamples(pieces[i]), lengths[i]) << pieces[i];
    EXPECT_EQ(Joined(pieces), Joined({wav}));
    EXPECT_EQ(ReadAll(wav), original);
    // Each piece holds its own marker at its start, not the recording's three.
    EXPECT_EQ(Run("markers " + Quoted(pieces[0])).out, "");
    EXPECT_EQ(Run("markers " + Quoted(pieces[2])).out, "1\t00:00:00.000\tQ/A – 質問\n");

    // Again: refused, nothing changed; with --overwrite a piece that cannot
    // be written (a folder is in its place) is named and the ones before stay.
    const std::string firstPiece = ReadAll(pieces[0]);
    const Result again = Run("split --at-markers " + Quoted(wav));
    EXPECT_EQ(again.code, 1);
    EXPECT_NE(again.err.find("exist already (--overwrite replaces them):\n  " + pieces[0]),
              std::string::npos)
        << again.err;
    EXPECT_EQ(again.out, "");
    const std::string out = dir_.File("out");
    std::filesystem::create_directories(out + "/Q-A – 質問.wav/x");
    const Result blocked = Run("split --at-markers " + Quoted(wav) + " -o " + Quoted(out));
    EXPECT_EQ(blocked.code, 1);
    const Result failed =
        Run("split --at-markers " + Quoted(wav) + " -o " + Quoted(out) + " --overwrite");
    EXPECT_EQ(failed.code, 1);
    EXPECT_EQ(failed.out, out + "/talk - start.wav\n" + out + "/Intro.wav\n");
    EXPECT_EQ(
        failed.err.rfind("quorvin-cli split: " + out + "/Q-A – 質問.wav could not be saved: ", 0),
        0u)
        << failed.err;
    EXPECT_NE(failed.err.find("(1 more not written)"), std::string::npos) << failed.err;
    EXPECT_EQ(SoxiSamples(out + "/Intro.wav"), 33075);
    EXPECT_FALSE(std::filesystem::exists(out + "/Intro 2.wav"));
    EXPECT_EQ(ReadAll(pieces[0]), firstPiece);
    EXPECT_EQ(ReadAll(wav), original);

    // FLAC (24-bit): chapters set by metaflac, the first at the very start.
    const std::string flac = dir_.File("lecture.flac");
    ASSERT_EQ(std::system(("sox -n -r 48000 -c 1 -b 24 " + Quoted(flac) +
                           " synth 3 brownnoise && metaflac --set-tag=CHAPTER001=00:00:00.000 "
                           "--set-tag=CHAPTER001NAME=Begin --set-tag=CHAPTER002=00:00:01.750 "
                           "--set-tag=CHAPTER002NAME=End " +
                           Quoted(flac))
                              .c_str()),
              0);
    const Result flacSplit = Run("split --at-markers " + Quoted(flac));
    ASSERT_EQ(flacSplit.code, 0) << flacSplit.err;
    const std::string begin = dir_.File("Begin.flac"), end = dir_.File("End.flac");
    EXPECT_EQ(flacSplit.out, begin + "\n" + end + "\n");
    EXPECT_EQ(SoxiSamples(begin), 84000);
    EXPECT_EQ(SoxiSamples(end), 144000 - 84000);
    EXPECT_EQ(Joined({begin, end}), Joined({flac}));
    const auto chapters = Chapters(end);
    ASSERT_EQ(chapters.size(), 1u);
    EXPECT_EQ(chapters[0], (std::pair<double, std::string>{0.0, "End"}));
}

// The last piece ends where the sound does: for Opus the reader's length
// leaves out the pre-skip, as the decoder does.
TEST_F(SplitCli, Mp3AndOpusPiecesDecodeToTheirMarkersSpansExactly) {
    struct Case {
        const char* ext;
        const char* codec;
        int rate;
    };
    for (const Case& c : {Case{"mp3", "libmp3lame", 44100}, Case{"opus", "libopus", 48000}}) {
        const std::string ext = std::string(".") + c.ext;
        const std::string file = dir_.File(std::string("talk") + ext);
        ASSERT_EQ(std::system(("ffmpeg -v error -f lavfi -i sine=f=440:d=4 -ar " +
                               std::to_string(c.rate) + " -c:a " + c.codec + " " + Quoted(file))
                                  .c_str()),
                  0);
        const std::int64_t total = DecodedFrames(file);
        ASSERT_EQ(total, 4 * c.rate);
        for (const char* add : {"1.3=Frage", "2.7=Antwort"})
            ASSERT_EQ(Run("markers " + Quoted(file) + " --add " + add).code, 0);
        const Result split = Run("split --at-markers " + Quoted(file));
        ASSERT_EQ(split.code, 0) << split.err;
        const std::string lead = dir_.File("talk - start" + ext), q = dir_.File("Frage" + ext),
                          a = dir_.File("Antwort" + ext);
        EXPECT_EQ(split.out, lead + "\n" + q + "\n" + a + "\n");
        const std::int64_t first = c.rate * 13 / 10, second = c.rate * 27 / 10;
        EXPECT_EQ(DecodedFrames(lead), first) << c.ext;
        EXPECT_EQ(DecodedFrames(q), second - first) << c.ext;
        EXPECT_EQ(DecodedFrames(a), total - second) << c.ext;
        EXPECT_TRUE(Chapters(lead).empty()) << c.ext;
        const auto chapters = Chapters(a);
        ASSERT_EQ(chapters.size(), 1u) << c.ext;
        EXPECT_EQ(chapters[0], (std::pair<double, std::string>{0.0, "Antwort"})) << c.ext;
    }
}

}  // namespace
