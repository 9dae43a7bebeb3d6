// The record command's loop over a scripted recorder and the real file component.
#include <gtest/gtest.h>

#include <QTimer>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "cli/Commands.h"
#include "core/OutputFormats.h"
#include "fakes/FakeAudio.h"
#include "platform/audio/AudioFileComponent.h"
#include "support/Signal.h"
#include "support/TempDir.h"

namespace qsr::cli {
namespace {

using qsr::testing::TempDir;

class ScriptedEngine : public audio::IAudioEngine {
  public:
    fakes::CallLog log;
    fakes::FakeRecorder* recorder = nullptr;
    bool haveRecorder = true;
    std::unique_ptr<audio::IAudioRecorder> CreateRecorder() override {
        if (!haveRecorder) return nullptr;
        auto r = std::make_unique<fakes::FakeRecorder>(&log);
        fakes::FakeDevice card;
        card.name = "Tone card";
        card.lines.resize(2);
        card.lines[0].name = "Line In";
        card.lines[1].name = "Mix";
        r->devices = {card};
        recorder = r.get();
        return r;
    }
    std::unique_ptr<audio::IAudioFile> CreateFile() override {
        return audio::CreateRealAudioFile();
    }
    std::unique_ptr<audio::IMp3Settings> CreateMp3Settings() override { return nullptr; }
    std::unique_ptr<audio::IAudioPlayer> CreatePlayer() override { return nullptr; }
    std::unique_ptr<audio::IId3v2Tag> CreateId3v2Tag() override { return nullptr; }
};

struct Output {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    ~Output() {
        std::fclose(out);
        std::fclose(err);
    }
    static std::string Read(std::FILE* f) {
        std::rewind(f);
        std::string s;
        char buf[256];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
        return s;
    }
};

class RecordCommandTest : public ::testing::Test {
  protected:
    void SetUp() override { setenv("QSR_HOME", home_.path().c_str(), 1); }
    TempDir home_, dir_;
};

TEST_F(RecordCommandTest, EveryAnnouncedBlockReachesTheFileAtTheEncodersFormat) {
    ScriptedEngine engine;
    // Quarter-second blocks of a 1 kHz tone while the recorder runs.
    QTimer feeder;
    long delivered = 0;
    QObject::connect(&feeder, &QTimer::timeout, [&] {
        if (engine.recorder && engine.recorder->status == 1) {
            const auto block =
                qsr::testing::Tone(engine.recorder->rate, engine.recorder->channels, 0.3);
            delivered += static_cast<long>(block.size()) / engine.recorder->channels;
            engine.recorder->Deliver(block);
            emit engine.recorder->Timer(engine.recorder->currentSamples, 0, 0);
        }
    });
    feeder.start(100);
    Output o;
    const std::string path = dir_.File("take.RAW");
    const int rc = RecordCommand(
        engine, {"--device", "0", "--seconds", "1", "--format", "Raw", "--rate", "16000", path},
        o.out, o.err);
    ASSERT_EQ(rc, 0) << Output::Read(o.err);
    EXPECT_EQ(Output::Read(o.err), "");  // nothing lost, nothing to warn of
    EXPECT_NE(Output::Read(o.out).find("take.RAW: RAW 16-bit PCM, 16000 Hz, Mono"),
              std::string::npos)
        << Output::Read(o.out);
    // settings.dat as shipped: RAW is mono; the rate was given.
    EXPECT_NE(std::find(engine.log.begin(), engine.log.end(), "SetFormat(16000,1)"),
              engine.log.end());
    EXPECT_NE(std::find(engine.log.begin(), engine.log.end(), "SetBlockLength(16000)"),
              engine.log.end());
    EXPECT_EQ(engine.log.back(), "Stop()");
    ASSERT_GT(delivered, 0);

    auto f = audio::CreateRealAudioFile();
    f->SetRawFormat(1, 16000, 1, 16);
    ASSERT_GE(f->OpenFile(path), 0);
    // One second of sound exactly, however the blocks fell.
    EXPECT_EQ(f->TotalSamples(), 16000);
    EXPECT_GE(delivered, 16000);
}

// Sound lost during the recording is told at the end; the file is kept and
// the command still succeeds.
TEST_F(RecordCommandTest, DropoutsAreAWarningAtTheEnd) {
    ScriptedEngine engine;
    QTimer feeder;
    QObject::connect(&feeder, &QTimer::timeout, [&] {
        if (engine.recorder && engine.recorder->status == 1) {
            engine.recorder->dropouts = 2;
            engine.recorder->Deliver(audio::Samples(8000, 5));
            emit engine.recorder->Timer(engine.recorder->currentSamples, 0, 0);
        }
    });
    feeder.start(50);
    Output o;
    const std::string path = dir_.File("gaps.WAV");
    const int rc = RecordCommand(
        engine, {"--device", "0", "--seconds", "1", "--format", "WAV", "--channels", "1", path},
        o.out, o.err);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(Output::Read(o.err),
              "quorvin-cli record: warning: 2 dropouts: capture could not keep up and the gaps "
              "hold silence\n");
    EXPECT_TRUE(std::filesystem::exists(path));
}

TEST_F(RecordCommandTest, MissingRecorderOrDeviceIsAClearError) {
    ScriptedEngine engine;
    Output o;
    EXPECT_EQ(
        RecordCommand(engine,
                      {"--device", "3", "--seconds", "1", "--format", "WAV", dir_.File("a.wav")},
                      o.out, o.err),
        2);  // a number the list does not hold is a bad argument
    EXPECT_NE(Output::Read(o.err).find("there is no device 3"), std::string::npos);
    engine.haveRecorder = false;
    EXPECT_EQ(
        RecordCommand(engine,
                      {"--device", "0", "--seconds", "1", "--format", "WAV", dir_.File("b.wav")},
                      o.out, o.err),
        1);
    EXPECT_NE(Output::Read(o.err).find("no capture component"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir_.File("a.wav")));
    EXPECT_FALSE(std::filesystem::exists(dir_.File("b.wav")));
}

TEST_F(RecordCommandTest, RefusesOutputsAndOptionsThatDoNotFitBeforeRecording) {
    ScriptedEngine engine;
    const std::string existing = dir_.File("old.wav");
    qsr::testing::WriteAll(existing, "keep");
    const struct {
        std::vector<std::string> args;
        std::string says;
    } cases[] = {
        {{"--format", "WAV", dir_.path().string()}, "is a folder"},
        {{"--format", "WAV", dir_.File("sub/")}, "is a folder"},
        {{"--format", "WAV", dir_.File("noext")}, "has no extension"},
        {{"--format", "WAV", existing}, "exists; give --overwrite"},
        {{"--format", "OGG", "--rate", "22050", dir_.File("a.ogg")},
         "--rate does not apply to OGG"},
        {{"--format", "VOX", "--channels", "2", dir_.File("a.vox")},
         "--channels does not apply to VOX"},
        {{"--format", "WAV", "--bitrate", "64", dir_.File("a.wav")},
         "--bitrate does not apply to WAV"},
    };
    for (const auto& c : cases) {
        Output o;
        std::vector<std::string> args = {"--device", "0", "--seconds", "1"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        EXPECT_EQ(RecordCommand(engine, args, o.out, o.err), 2) << c.says;
        EXPECT_NE(Output::Read(o.err).find(c.says), std::string::npos) << Output::Read(o.err);
    }
    EXPECT_EQ(engine.recorder, nullptr);  // nothing was recorded
    EXPECT_EQ(qsr::testing::ReadAll(existing), "keep");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1);
}

TEST_F(RecordCommandTest, OverwriteReplacesTheFileOnlyWhenTheNewOneIsComplete) {
    ScriptedEngine engine;
    QTimer feeder;
    QObject::connect(&feeder, &QTimer::timeout, [&] {
        if (engine.recorder && engine.recorder->status == 1) {
            engine.recorder->Deliver(audio::Samples(8000 * 2, 5));
            emit engine.recorder->Timer(engine.recorder->currentSamples, 0, 0);
        }
    });
    feeder.start(20);
    const std::string path = dir_.File("take.WAV");
    qsr::testing::WriteAll(path, "old take");
    Output o;
    ASSERT_EQ(RecordCommand(engine,
                            {"--device", "0", "--seconds", "1", "--format", "WAV", "--rate", "8000",
                             "--overwrite", path},
                            o.out, o.err),
              0)
        << Output::Read(o.err);
    auto f = audio::CreateRealAudioFile();
    ASSERT_GE(f->OpenFile(path), 0);
    EXPECT_EQ(f->TotalSamples(), 8000);
    // Only the replaced file is there: the one written beside it was renamed.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1);
}

// What ffmpeg, an independent decoder, makes of a file: mono 16-bit samples
// at the file's own rate (Opus at 48 kHz).
std::vector<std::int16_t> DecodeWithFfmpeg(const std::string& path) {
    const std::string pcm =
        qsr::testing::Capture("ffmpeg -v error -i '" + path + "' -f s16le -ac 1 -");
    std::vector<std::int16_t> s(pcm.size() / 2);
    std::memcpy(s.data(), pcm.data(), s.size() * 2);
    return s;
}

// A recording of `seconds` fed with a known signal in blocks of 0.3 s, so
// piece boundaries fall inside blocks; returns what was fed.
audio::Samples RecordFed(const std::vector<std::string>& args, std::string* errors) {
    ScriptedEngine engine;
    audio::Samples fed;
    QTimer feeder;
    std::uint32_t seed = 12345;
    QObject::connect(&feeder, &QTimer::timeout, [&] {
        if (!engine.recorder || engine.recorder->status != 1) return;
        audio::Samples block(static_cast<std::size_t>(engine.recorder->rate * 3 / 10));
        // A tone with noise: every sample differs from its neighbours.
        for (std::size_t i = 0; i < block.size(); ++i) {
            seed = seed * 1664525u + 1013904223u;
            const double t = static_cast<double>(fed.size() + i) / engine.recorder->rate;
            block[i] = static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * 440 * t) +
                                                 static_cast<int>(seed >> 22) - 512);
        }
        fed.insert(fed.end(), block.begin(), block.end());
        engine.recorder->Deliver(block);
        emit engine.recorder->Timer(engine.recorder->currentSamples, 0, 0);
    });
    feeder.start(0);
    Output o;
    EXPECT_EQ(RecordCommand(engine, args, o.out, o.err), 0) << Output::Read(o.err);
    *errors = Output::Read(o.err) + Output::Read(o.out);
    return fed;
}

TEST_F(RecordCommandTest, FlacHoldsExactlyTheCapturedSamples) {
    std::string said;
    const std::string path = dir_.File("exact.flac");
    const audio::Samples fed = RecordFed({"--device", "0", "--seconds", "2", "--format", "FLAC",
                                          "--rate", "16000", "--channels", "1", path},
                                         &said);
    const auto decoded = DecodeWithFfmpeg(path);
    ASSERT_EQ(decoded.size(), 32000u) << said;
    EXPECT_TRUE(std::equal(decoded.begin(), decoded.end(), fed.begin()));
}

// 12 s cut every 5 s: pieces of 5, 5 and 2 s named by the numbering rule,
// each told as it closes; joined they are the capture (to the sample for the
// lossless formats; for Opus and MP3 the headers' delay and padding give each
// piece its exact length).
TEST_F(RecordCommandTest, SplitPiecesJoinToTheContinuousCapture) {
    for (const char* fmt : {"WAV", "FLAC", "OPUS", "MP3"}) {
        const std::string ext = std::string(".") + fmt;
        std::string said;
        const audio::Samples fed =
            RecordFed({"--device", "0", "--seconds", "12", "--format", fmt, "--rate", "16000",
                       "--channels", "1", "--split", "5s", dir_.File(std::string("take") + ext)},
                      &said);
        const std::string names[] = {"take", "take_ 2", "take_ 3"};
        const std::size_t seconds[] = {5, 5, 2};
        std::vector<std::int16_t> joined;
        for (int i = 0; i < 3; ++i) {
            const std::string piece = dir_.File(names[i] + ext);
            EXPECT_NE(said.find(piece + ": "), std::string::npos) << said;
            const auto d = DecodeWithFfmpeg(piece);
            // Opus decodes at 48 kHz.
            const std::size_t rate = std::string(fmt) == "OPUS" ? 48000 : 16000;
            EXPECT_NEAR(static_cast<double>(d.size()), static_cast<double>(seconds[i] * rate), 1)
                << fmt << " " << piece;
            joined.insert(joined.end(), d.begin(), d.end());
        }
        EXPECT_FALSE(std::filesystem::exists(dir_.File("take_ 4" + ext))) << fmt;
        if (std::string(fmt) == "WAV" || std::string(fmt) == "FLAC") {
            ASSERT_EQ(joined.size(), 12u * 16000) << fmt;
            EXPECT_TRUE(std::equal(joined.begin(), joined.end(), fed.begin())) << fmt;
        }
    }
}

// --help, a wrong --format and an output no format writes name the formats
// one way, the table's; an unknown extension is a bad argument.
TEST_F(RecordCommandTest, HelpAndRefusalsNameTheFormatsOfTheTable) {
    ScriptedEngine engine;
    const std::string list = core::RecordingFormatList();
    const auto count = [](const std::string& text, const std::string& part) {
        std::size_t n = 0;
        for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
        return n;
    };
    // Wrapped at a blank: the list is read with the line breaks and indents taken out.
    const auto unwrapped = [](std::string text) {
        std::string flat;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] != '\n') {
                flat += text[i];
                continue;
            }
            flat += ' ';
            while (i + 1 < text.size() && text[i + 1] == ' ') ++i;
        }
        return flat;
    };
    {
        Output o;
        ASSERT_EQ(qsr::cli::Run(engine, {"--help"}, o.out, o.err), 0);
        const std::string help = Output::Read(o.out);
        EXPECT_EQ(count(unwrapped(help), "FMT: " + list + ";"), 1u) << help;
        EXPECT_EQ(count(unwrapped(help), list + " or WMA;"), 1u) << help;
        EXPECT_EQ(count(help, "FLAC"), 2u) << help;
        for (std::size_t at = 0, end; at < help.size(); at = end + 1) {
            end = help.find('\n', at);
            EXPECT_LE(end - at, 90u) << help.substr(at, end - at);
        }
    }
    {
        Output o;
        ASSERT_EQ(qsr::cli::Run(engine, {"record", "--help"}, o.out, o.err), 0);
        EXPECT_EQ(count(unwrapped(Output::Read(o.out)), "FMT: " + list + ";"), 1u);
    }
    {
        Output o;
        EXPECT_EQ(
            RecordCommand(
                engine, {"--device", "0", "--seconds", "1", "--format", "AAC", dir_.File("a.aac")},
                o.out, o.err),
            2);
        EXPECT_EQ(Output::Read(o.err), "quorvin-cli record: --format is one of " + list + "\n");
    }
    {
        Output o;
        EXPECT_EQ(ConvertCommand(engine, {dir_.File("in.wav"), dir_.File("out.XyZ")}, o.out, o.err),
                  2);
        EXPECT_EQ(Output::Read(o.err),
                  "quorvin-cli convert: unknown file type 'xyz' (use " + list + " or WMA)\n");
        auto file = audio::CreateRealAudioFile();
        EXPECT_LT(file->CreateFile(dir_.File("out.xyz")), 0);
        EXPECT_EQ(file->LastError(), "unknown file type 'xyz' (use " + list + " or WMA)");
    }
    EXPECT_EQ(engine.recorder, nullptr);
    EXPECT_FALSE(std::filesystem::exists(dir_.File("out.XyZ")));
}

TEST_F(RecordCommandTest, DevicesListsEveryDeviceWithItsLines) {
    ScriptedEngine engine;
    Output o;
    ASSERT_EQ(DevicesCommand(engine, {}, o.out, o.err), 0);
    EXPECT_EQ(Output::Read(o.out), "0: Tone card\n    0: Line In\n    1: Mix\n");
}

}  // namespace
}  // namespace qsr::cli
