// quorvin-cli trim end to end: the built program on files ffmpeg made, the
// results read back by ffmpeg and ffprobe.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/audio/MarkerStore.h"
#include "platform/services/AppFolder.h"
#include "recording/LiveRecordings.h"
#include "recording/RecoveryJournal.h"
#include "support/Signal.h"
#include "support/TempDir.h"

namespace qsr::trim {
namespace {

using qsr::testing::Capture;
using qsr::testing::ReadAll;
using qsr::testing::TempDir;

struct Result {
    int code = -1;
    bool killed = false;
    std::string out;
};

class TrimCli : public ::testing::Test {
  protected:
    Result Run(const std::string& args, const std::string& env = {}) {
        return Cli("trim " + args, env);
    }
    Result Cli(const std::string& args, const std::string& env = {}) {
        const std::string cmd = env + " QSR_HOME='" + home_.path().string() +
                                "' exec " QSR_BINARY_DIR "/src/cli/quorvin-cli " + args + " 2>&1";
        Result r;
        FILE* p = popen(cmd.c_str(), "r");
        char buf[512];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
        const int status = pclose(p);
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
        return r;
    }
    // `seconds` of a tone between `lead` and `tail` seconds of silence.
    std::string Make(const std::string& name, const std::string& codec, double lead = 0,
                     double seconds = 8, double tail = 0) {
        const std::string path = dir_.File(name);
        Capture("ffmpeg -v error -f lavfi -i 'aevalsrc=0.4*sin(300*t*t)+0.05*random(0):s=44100:d=" +
                std::to_string(seconds) +
                "' -af 'adelay=" + std::to_string(static_cast<int>(lead * 44100)) +
                "S:all=1,apad=pad_dur=" + std::to_string(tail) + "' -ac 2 " + codec + " -y '" +
                path + "'");
        EXPECT_TRUE(std::filesystem::exists(path));
        return path;
    }
    static std::string Pcm(const std::string& path) {
        return Capture("ffmpeg -v error -i '" + path + "' -f s16le -");
    }
    static std::string Frames(const std::string& pcm, long from, long to) {
        return pcm.substr(static_cast<std::size_t>(from) * 4,
                          static_cast<std::size_t>(to - from) * 4);
    }
    TempDir home_, dir_;
};

// Keep a span, cut spans out, in place or into OUT; WAV and FLAC decode to
// exactly the original's samples of what is kept, MP3 to exactly its length.
TEST_F(TrimCli, KeepsAndCutsSpansWithoutCodingAgain) {
    const std::string wav = Make("a.wav", "-c:a pcm_s16le");
    const std::string wavPcm = Pcm(wav);
    Result r = Run("'" + wav + "' --start 1.5 --end 6 -o '" + dir_.File("b.wav") + "'");
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_TRUE(Pcm(dir_.File("b.wav")) == Frames(wavPcm, 66150, 264600));
    EXPECT_TRUE(ReadAll(wav).size() > 0 && Pcm(wav) == wavPcm);  // the input stays

    const std::string flac = Make("a.flac", "-c:a flac");
    const std::string flacPcm = Pcm(flac);
    r = Run("'" + flac + "' --cut 2.2-3.8 --cut 5-5.5 --end 7");
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_TRUE(Pcm(flac) == Frames(flacPcm, 0, 97020) + Frames(flacPcm, 167580, 220500) +
                                 Frames(flacPcm, 242550, 308700));

    const std::string mp3 = Make("a.mp3", "-c:a libmp3lame -b:a 160k");
    r = Run("'" + mp3 + "' --start 1.5 --end 6.25");
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(Pcm(mp3).size(), std::size_t{209475} * 4);
}

// The markers of a trimmed file stand where their sound went: earlier by what
// was cut before them; one in sound cut away goes with it.
TEST_F(TrimCli, MarkersMoveWithTheSound) {
    const auto mark = [this](const std::string& file, const std::vector<std::string>& adds) {
        for (const std::string& a : adds) {
            const Result r = Cli("markers '" + file + "' --add " + a);
            ASSERT_EQ(r.code, 0) << r.out;
        }
    };
    // WAV (sox): the start trimmed, a span cut out around the second marker.
    const std::string wav = dir_.File("m.wav");
    Capture("sox -n -r 44100 -c 2 -b 16 '" + wav + "' synth 8 sine 440");
    mark(wav, {"3=One", "5=Two", "7=Three"});
    Result r = Run("'" + wav + "' --start 1.5 --cut 4.5-5.5");
    ASSERT_EQ(r.code, 0) << r.out;
    std::vector<core::Marker> got;
    int rate = 0;
    std::string why;
    ASSERT_TRUE(audio::ReadWavMarkers(wav, got, rate, &why)) << why;
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].label, "One");
    EXPECT_EQ(got[0].frame, 3 * 44100 - 66150);
    EXPECT_EQ(got[1].label, "Three");
    EXPECT_EQ(got[1].frame, 7 * 44100 - 66150 - 44100);
    EXPECT_EQ(Capture("soxi -s '" + wav + "'"), std::to_string(8 * 44100 - 66150 - 44100) + "\n");

    // MP3 (ffmpeg): a kept span; ffprobe reads the chapters.
    const std::string mp3 = dir_.File("m.mp3");
    Capture("ffmpeg -v error -f lavfi -i sine=f=440:d=8:r=44100 -c:a libmp3lame -b:a 128k -y '" +
            mp3 + "'");
    mark(mp3, {"3=One", "5=Two"});
    r = Run("'" + mp3 + "' --start 1.5 --end 4.5");
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(Capture("ffprobe -v error -show_entries chapter=start_time:chapter_tags=title -of "
                      "csv=p=0 '" +
                      mp3 + "'"),
              "1.500000,One\n");

    // RAW (8 kHz mono 16-bit, as the settings' defaults say): the sheet beside it.
    const std::string raw = dir_.File("m.raw");
    Capture("sox -n -r 8000 -c 1 -b 16 -e signed-integer -t raw '" + raw + "' synth 8 sine 440");
    mark(raw, {"2=One", "6=Two"});
    r = Run("'" + raw + "' --cut 1-3 -o '" + dir_.File("n.raw") + "'");
    ASSERT_EQ(r.code, 0) << r.out;
    const std::string sheet = ReadAll(dir_.File("n.cue"));
    EXPECT_NE(sheet.find("FILE \"n.raw\""), std::string::npos) << sheet;
    EXPECT_EQ(sheet.find("One"), std::string::npos) << sheet;
    EXPECT_NE(sheet.find("REM FRAME " + std::to_string(6 * 8000 - 2 * 8000)), std::string::npos)
        << sheet;
    EXPECT_NE(ReadAll(dir_.File("m.cue")).find("REM FRAME 16000"), std::string::npos);
}

// 16-bit samples out of raw bytes.
std::vector<std::int16_t> Samples16(const std::string& pcm) {
    std::vector<std::int16_t> out(pcm.size() / 2);
    std::memcpy(out.data(), pcm.data(), out.size() * 2);
    return out;
}

// How far into a span the cut's decode differs from the original's: from
// that sample to the span's end the two are equal (`length` when never).
long EqualFrom(const std::vector<std::int16_t>& original, long from,
               const std::vector<std::int16_t>& cut, long at, long length) {
    long k = length;
    while (k > 0 && original[from + k - 1] == cut[at + k - 1]) --k;
    return k;
}

// VOX and G.726 (made by our convert from a sox sound): coded again from
// each cut until the coder falls in step with the old codes. ffmpeg decodes
// the G.726 results (2 bits a code) to the original's samples from there on,
// and the bytes are the old ones. VOX on unclipped sound never falls in step
// (its predictor has no leak: an offset of one step stays), so its kept sound
// is a second coding, sox decoding it within a third of the first coding's
// own error; where the sound clips it falls in step at once.
TEST_F(TrimCli, VoxAndG726AreCodedAgainUntilInStepWithTheOldCodes) {
    ASSERT_EQ(Cli("info /nonexistent.wav").code, 1);  // seeds the application folder
    std::ofstream(home_.File("settings.dat"), std::ios::trunc) << "[g726]\ngFreq=8000\ngbit=2\n";
    const std::string wav = dir_.File("n.wav");
    Capture("sox -R -n -r 8000 -c 1 -b 16 '" + wav +
            "' synth 10 sine 440 whitenoise remix 1,2 gain -6");
    const std::vector<std::pair<long, long>> spans{{10400, 24000}, {32800, 80000}};
    const long total = 13600 + 47200;

    const std::string g726 = dir_.File("n.g726"), g726Cut = dir_.File("m.g726");
    ASSERT_EQ(Cli("convert '" + wav + "' '" + g726 + "'").code, 0);
    Result r = Run("'" + g726 + "' --start 1.3 --cut 3-4.1 -o '" + g726Cut + "'");
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("G.726 is coded again"), std::string::npos) << r.out;
    const auto g726Pcm = [](const std::string& f) {
        return Samples16(Capture("ffmpeg -v error -f g726 -code_size 2 -sample_rate 8000 -i '" + f +
                                 "' -f s16le -"));
    };
    const auto original = g726Pcm(g726), cut = g726Pcm(g726Cut);
    ASSERT_EQ(original.size(), 80000u);
    ASSERT_EQ(cut.size(), static_cast<std::size_t>(total));
    const long first = EqualFrom(original, 10400, cut, 0, 13600);
    const long second = EqualFrom(original, 32800, cut, 13600, 47200);
    EXPECT_LT(first, 13600);
    EXPECT_LT(second, 8000);
    std::printf("G.726 2-bit: in step after %ld and %ld samples\n", first, second);
    // From there the bytes are the old ones (the second span is byte-aligned
    // in both files: 4 codes a byte).
    const std::size_t byte = static_cast<std::size_t>(13600 + second + 3) / 4;
    EXPECT_TRUE(ReadAll(g726Cut).substr(byte) ==
                ReadAll(g726).substr(byte - 13600 / 4 + 32800 / 4));

    const std::string vox = dir_.File("n.vox"), voxCut = dir_.File("m.vox");
    ASSERT_EQ(Cli("convert '" + wav + "' '" + vox + "'").code, 0);
    r = Run("'" + vox + "' --start 1.3 --cut 3-4.1 -o '" + voxCut + "'");
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("VOX is coded again"), std::string::npos) << r.out;
    const auto voxPcm = [](const std::string& f) {
        return Samples16(Capture("sox -t vox -r 8000 '" + f + "' -t s16 -"));
    };
    const auto source = Samples16(Capture("sox '" + wav + "' -t s16 -"));
    const auto before = voxPcm(vox), after = voxPcm(voxCut);
    ASSERT_EQ(after.size(), static_cast<std::size_t>(total));
    double secondCoding = 0, firstCoding = 0;  // squared errors
    long at = 0;
    for (const auto& [from, to] : spans) {
        for (long i = from; i < to; ++i, ++at) {
            secondCoding += std::pow(after[at] - before[i], 2.0);
            firstCoding += std::pow(before[i] - source[i], 2.0);
        }
    }
    EXPECT_LT(secondCoding, firstCoding / 9) << secondCoding << " " << firstCoding;

    // Where the sound clips, both decoders stop at the same limit and step:
    // VOX falls in step there, and the old codes follow.
    const std::string square = dir_.File("square.wav"), loud = dir_.File("loud.vox"),
                      loudCut = dir_.File("loud-cut.vox");
    Capture("sox -R -n -r 8000 -c 1 -b 16 '" + square + "' synth 6 square 50 gain -0.1 2>&1");
    ASSERT_EQ(Cli("convert '" + square + "' '" + loud + "'").code, 0);
    r = Run("'" + loud + "' --start 1.3 --cut 3-4.1 -o '" + loudCut + "'");
    ASSERT_EQ(r.code, 0) << r.out;
    const auto loudBefore = voxPcm(loud), loudAfter = voxPcm(loudCut);
    ASSERT_EQ(loudBefore.size(), 48000u);
    ASSERT_EQ(loudAfter.size(), 28800u);
    const long inStep = EqualFrom(loudBefore, 10400, loudAfter, 0, 13600);
    EXPECT_LT(inStep, 400);  // one period of the square wave is 160 samples
    std::printf("VOX, clipping: in step after %ld samples\n", inStep);
    // The second span starts in step: its bytes are the old ones.
    EXPECT_TRUE(ReadAll(loudCut).substr(13600 / 2) == ReadAll(loud).substr(32800 / 2));
}

// The silent ends go as far as the sound triggers would wait.
TEST_F(TrimCli, TrimsTheSilentEnds) {
    const std::string wav = Make("quiet.wav", "-c:a pcm_s16le", 1.0, 2.0, 1.5);
    const std::string pcm = Pcm(wav);
    const Result r = Run("'" + wav + "' --silence -40dB:300ms");
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_TRUE(Pcm(wav) == Frames(pcm, 44100, 132300));
}

// 2 for arguments, 1 for files: nothing is written either way.
TEST_F(TrimCli, RefusesBadArgumentsAndFilesItMayNotCut) {
    const std::string wav = Make("a.wav", "-c:a pcm_s16le");
    const std::string before = ReadAll(wav);
    for (const std::string& args :
         {std::string("'") + wav + "'", "'" + wav + "' --cut 5-2", "'" + wav + "' --start x",
          "'" + wav + "' --end 60", "'" + wav + "' --bogus 1",
          "'" + wav + "' --start 1 -o '" + dir_.File("x.flac") + "'",
          "'" + wav + "' --silence loud"}) {
        const Result r = Run(args);
        EXPECT_EQ(r.code, 2) << args << ": " << r.out;
    }
    const std::string ogg = Make("a.ogg", "-c:a libvorbis");
    Result r = Run("'" + ogg + "' --start 1");
    EXPECT_EQ(r.code, 1) << r.out;
    EXPECT_NE(r.out.find("cannot be cut without coding them again"), std::string::npos) << r.out;
    EXPECT_EQ(Run("'" + dir_.File("none.wav") + "' --start 1").code, 1);
    EXPECT_EQ(Run("'" + wav + "' --start 1 -o '" + ogg + "'").code, 2);

    // A file this process records into (its journal entry names it) is refused.
    ::setenv("QSR_HOME", home_.path().c_str(), 1);
    recording::RecoveryJournal journal(
        recording::JournalFile(services::PrepareApplicationFolder()));
    journal.Add({::getpid(), wav, 1700000000});
    r = Run("'" + wav + "' --start 1");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find(recording::BeingRecordedMessage(wav)), std::string::npos) << r.out;
    journal.Remove(wav);
    EXPECT_TRUE(ReadAll(wav) == before);
}

// Killed at any byte of the save, the file is the old one whole; after the
// last byte it is the new one whole. Nothing in between.
TEST_F(TrimCli, AKillDuringTheSaveLeavesTheOldFileOrTheNew) {
    const std::string wav = Make("a.wav", "-c:a pcm_s16le");
    const std::string before = ReadAll(wav);
    const std::string expected = dir_.File("expected.wav");
    ASSERT_EQ(Run("'" + wav + "' --cut 1-2 -o '" + expected + "'").code, 0);
    const std::string after = ReadAll(expected);
    for (const std::size_t at :
         {std::size_t{0}, std::size_t{40}, std::size_t{4096}, after.size() / 2, after.size() - 1}) {
        const Result r =
            Run("'" + wav + "' --cut 1-2", "QSR_TEST_KILL_SAVE_AT=" + std::to_string(at));
        EXPECT_TRUE(r.killed) << at << ": " << r.out;
        EXPECT_TRUE(ReadAll(wav) == before) << at;
    }
    const Result r =
        Run("'" + wav + "' --cut 1-2", "QSR_TEST_KILL_SAVE_AT=" + std::to_string(after.size() + 1));
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_TRUE(ReadAll(wav) == after);
    // The copies the killed saves left were taken away by the next one.
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir_.path()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.wav", "expected.wav"}));
}

}  // namespace
}  // namespace qsr::trim
