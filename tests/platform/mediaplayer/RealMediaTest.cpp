// The real media control on the private sound server (PULSE_SERVER), with
// real WAV and MP3 files: the shared contract, then what only sound shows.
#include <sys/stat.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <future>
#include <mutex>
#include <thread>

#include "platform/mediaplayer/MediaControlContract.h"
#include "platform/mediaplayer/MediaModules.h"
#include "platform/mediaplayer/RealMediaControl.h"
#include "support/CdImage.h"
#include "support/EventWait.h"
#include "support/MidiFile.h"
#include "support/Signal.h"
#include "support/TempDir.h"

namespace qsr::contract {
namespace {

void Pump(double seconds) {
    qsr::testing::RunFor(static_cast<int>(seconds * 1000));
}

struct RealHarness : MediaHarness {
    mediaplayer::RealMediaControl control;
    testing::TempDir dir;
    int made = 0;
    mediaplayer::IMediaControl& Control() override { return control; }
    QString MakeFile(double seconds) override {
        const std::string path = dir.File("tone" + std::to_string(++made) + ".wav");
        qsr::testing::WriteToneWav(path, 44100, 2, seconds);
        return QString::fromStdString(path);
    }
    QString MakeBadFile() override {
        const std::string path = dir.File("random.mp3");
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; i < 4096; ++i) out.put(static_cast<char>((i * 7919 + 13) % 251));
        return QString::fromStdString(path);
    }
    void Wait(double seconds) override { Pump(seconds); }
};

std::unique_ptr<MediaHarness> MakeReal() {
    if (!std::getenv("PULSE_SERVER")) return nullptr;
    return std::make_unique<RealHarness>();
}

class RealMedia : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::getenv("PULSE_SERVER")) GTEST_SKIP() << "no private sound server";
    }
    // What the default sink plays over the next 0.6 s, less its first 0.1 s
    // (the recorder's own start): interleaved stereo at 44.1 kHz.
    static std::vector<std::int16_t> MonitorSamples() {
        QProcess sink;
        sink.start("pactl", {"get-default-sink"});
        sink.waitForFinished();
        const QString monitor =
            QString::fromUtf8(sink.readAllStandardOutput()).trimmed() + ".monitor";
        QProcess rec;
        rec.start("ffmpeg", {"-loglevel", "error", "-f", "pulse", "-i", monitor, "-t", "0.6", "-ac",
                             "2", "-ar", "44100", "-f", "s16le", "-"});
        if (!rec.waitForStarted()) return {};
        for (int i = 0; i < 50 && rec.state() != QProcess::NotRunning; ++i) Pump(0.1);
        rec.waitForFinished();
        const QByteArray raw = rec.readAllStandardOutput();
        const auto* s = reinterpret_cast<const std::int16_t*>(raw.constData());
        const qsizetype n = raw.size() / 2;
        const qsizetype from = std::min<qsizetype>(n, 44100 * 2 / 10);
        return {s + from, s + n};
    }
    // RMS of MonitorSamples.
    static double MonitorLevel() {
        const auto s = MonitorSamples();
        double sum = 0;
        for (std::int16_t v : s) sum += double(v) * v;
        return s.empty() ? 0 : std::sqrt(sum / double(s.size()));
    }
    // The frequency of the left channel of MonitorSamples, from its zero
    // crossings.
    static double MonitorFrequency() {
        const auto s = MonitorSamples();
        int crossings = 0;
        for (std::size_t i = 2; i < s.size(); i += 2) crossings += (s[i - 2] < 0) != (s[i] < 0);
        return s.size() < 4 ? 0 : crossings / 2.0 / (double(s.size()) / 2 / 44100);
    }
    testing::TempDir dir;
};

TEST_F(RealMedia, WavAndMp3PlayToTheirEndAsAVisibleStream) {
    const std::string wav = dir.File("three.wav");
    qsr::testing::WriteToneWav(wav, 44100, 2, 3.0);
    const std::string mp3 = dir.File("three.mp3");
    ASSERT_EQ(QProcess::execute("lame", {"--quiet", "-b", "128", QString::fromStdString(wav),
                                         QString::fromStdString(mp3)}),
              0);
    for (const auto& file : {wav, mp3}) {
        mediaplayer::RealMediaControl c;
        QSignalSpy ended(&c, &mediaplayer::IMediaControl::EndOfStream);
        ASSERT_TRUE(c.SetFileName(QString::fromStdString(file))) << file;
        EXPECT_NEAR(c.Duration(), 3.0, 0.1) << file;
        QProcess pactl;
        pactl.start("pactl", {"list", "sink-inputs"});
        pactl.waitForFinished();
        EXPECT_TRUE(pactl.readAllStandardOutput().contains("Audio Player")) << file;
        Pump(2.5);
        EXPECT_EQ(ended.count(), 0) << file;
        EXPECT_NEAR(c.CurrentPosition(), 2.5, 0.3) << file;
        // The end comes once the server has played out its buffer; a busy
        // machine delays it, so allow a few seconds.
        for (int i = 0; i < 60 && ended.count() == 0; ++i) Pump(0.1);
        EXPECT_EQ(ended.count(), 1) << file;
    }
}

TEST_F(RealMedia, VolumeMinus2000IsQuieterOnTheSinkMonitor) {
    const std::string wav = dir.File("long.wav");
    qsr::testing::WriteToneWav(wav, 44100, 2, 5.0);
    mediaplayer::RealMediaControl c;
    ASSERT_TRUE(c.SetFileName(QString::fromStdString(wav)));
    Pump(0.3);
    const double loud = MonitorLevel();
    ASSERT_TRUE(c.SetVolume(-2000));
    Pump(0.8);  // what was already in the stream buffer plays out
    const double quiet = MonitorLevel();
    ASSERT_GT(loud, 1000) << "nothing heard on the monitor";
    // -20 dB is a tenth of the amplitude.
    EXPECT_NEAR(quiet / loud, 0.1, 0.04);
}

TEST_F(RealMedia, AMidiFilePlaysSoundToItsEnd) {
    const std::string mid = dir.File("note.mid");
    // Long enough for the monitor to catch it on a busy machine.
    testing::WriteMidiNote(mid, 6.0);
    mediaplayer::RealMediaControl c;
    QSignalSpy ended(&c, &mediaplayer::IMediaControl::EndOfStream);
    ASSERT_TRUE(c.SetFileName(QString::fromStdString(mid)));
    EXPECT_NEAR(c.Duration(), 7.0, 0.15);
    Pump(0.3);
    EXPECT_GT(MonitorLevel(), 300) << "the note was not heard on the monitor";
    for (int i = 0; i < 150 && ended.count() == 0; ++i) Pump(0.1);
    EXPECT_EQ(ended.count(), 1);
}

// Rendered as it plays: a five-minute file sounds at once, and a seek near
// its end renders from there (the feed's own test shows how little it
// renders ahead).
TEST_F(RealMedia, AFiveMinuteMidiFileSoundsAtOnceAndSeeksNearItsEnd) {
    const std::string mid = dir.File("long.mid");
    testing::WriteMidiNote(mid, 300.0);
    mediaplayer::RealMediaControl c;
    ASSERT_TRUE(c.SetFileName(QString::fromStdString(mid)));
    EXPECT_NEAR(c.Duration(), 301.0, 0.5);
    EXPECT_TRUE(c.Playing());
    EXPECT_GT(MonitorLevel(), 300) << "the note was not heard on the monitor";
    c.SetCurrentPosition(299.0);  // the held note is not struck again
    EXPECT_GE(c.CurrentPosition(), 299.0);
    EXPECT_TRUE(c.Playing());
}

TEST_F(RealMedia, ANamedPipeIsRefusedWithoutWaitingForAWriter) {
    const std::string fifo = dir.File("pipe.mp3");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    mediaplayer::RealMediaControl c;
    EXPECT_FALSE(c.SetFileName(QString::fromStdString(fifo)));
    EXPECT_FALSE(c.Playing());
}

// A BIN/CUE image stands in for the drive: track 1 is a 440 Hz tone, track 2
// an 880 Hz one, two seconds each.
TEST_F(RealMedia, AnAudioCdPlaysFromItsStartSeeksIntoItsSecondTrackAndEnds) {
    const std::string cue = dir.File("disc.cue");
    testing::WriteCdImage(cue, dir.File("disc.bin"), 2, 150);
    mediaplayer::RealMediaControl c(nullptr, cue);
    QSignalSpy ended(&c, &mediaplayer::IMediaControl::EndOfStream);
    ASSERT_TRUE(c.SetFileName("CDAUDIO:"));
    EXPECT_EQ(c.FileName(), "CDAUDIO:");
    EXPECT_DOUBLE_EQ(c.Duration(), 4.0);
    EXPECT_TRUE(c.Playing());
    Pump(0.2);
    EXPECT_NEAR(MonitorFrequency(), 440, 40) << "the first track was not heard";
    c.SetCurrentPosition(2.3);
    EXPECT_NEAR(c.CurrentPosition(), 2.3, 0.05);
    Pump(0.1);
    EXPECT_NEAR(MonitorFrequency(), 880, 60) << "the seek did not reach the second track";
    for (int i = 0; i < 60 && ended.count() == 0; ++i) Pump(0.1);
    EXPECT_EQ(ended.count(), 1);
    EXPECT_FALSE(c.Playing());
}

// A track file plays its own track only.
TEST_F(RealMedia, ACdTrackFilePlaysItsTrack) {
    const std::string cue = dir.File("disc.cue");
    testing::WriteCdImage(cue, dir.File("disc.bin"), 2, 150);
    mediaplayer::RealMediaControl c(nullptr, cue);
    ASSERT_TRUE(c.SetFileName("/media/cd/Track02.cda"));
    EXPECT_DOUBLE_EQ(c.Duration(), 2.0);
    Pump(0.2);
    EXPECT_NEAR(MonitorFrequency(), 880, 60);
    EXPECT_FALSE(c.SetFileName("/media/cd/Track03.cda"));  // the disc has two
    EXPECT_EQ(c.FileName(), "/media/cd/Track02.cda");
}

// Without a drive (or with no disc in it) "CDAUDIO:" is refused and what
// was playing goes on.
TEST_F(RealMedia, WithoutADiscTheCdIsRefusedAndTheFileGoesOn) {
    const std::string wav = dir.File("tone.wav");
    qsr::testing::WriteToneWav(wav, 44100, 2, 3.0);
    mediaplayer::RealMediaControl c(nullptr, dir.File("no-such-drive"));
    ASSERT_TRUE(c.SetFileName(QString::fromStdString(wav)));
    EXPECT_FALSE(c.SetFileName("CDAUDIO:"));
    EXPECT_EQ(c.FileName().toStdString(), wav);
    EXPECT_TRUE(c.Playing());
    EXPECT_NEAR(c.Duration(), 3.0, 0.01);
    mediaplayer::RealMediaControl idle(nullptr, dir.File("no-such-drive"));
    EXPECT_FALSE(idle.SetFileName("CDAUDIO:"));
    idle.Play();
    EXPECT_FALSE(idle.Playing());
    EXPECT_EQ(idle.Duration(), 0.0);
}

// A disc of a 440 Hz tone in a drive that, once armed, stops answering at
// its next read (a spin-up, a paranoia retry) until the test lets it go.
struct DriveGate {
    std::mutex m;
    std::condition_variable cv;
    bool armed = false;
    bool stuck = false;
    bool released = false;
};

class StuckDrive : public mediaplayer::CdReader {
  public:
    static constexpr std::int64_t kSector = 588;
    explicit StuckDrive(std::shared_ptr<DriveGate> gate) : gate_(std::move(gate)) {}
    std::int64_t TotalFrames() const override { return 30 * 75 * kSector; }
    std::int64_t Seek(std::int64_t frame) override {
        at_ = std::clamp<std::int64_t>(frame / kSector * kSector, 0, TotalFrames());
        return at_;
    }
    std::vector<std::int16_t> Read(int sectors) override {
        {
            std::unique_lock lock(gate_->m);
            if (gate_->armed && !gate_->stuck) {
                gate_->stuck = true;
                gate_->cv.notify_all();
                gate_->cv.wait(lock, [this] { return gate_->released; });
            }
        }
        std::vector<std::int16_t> out;
        for (std::int64_t i = 0; i < sectors * kSector && at_ < TotalFrames(); ++i, ++at_) {
            const auto v =
                static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * 440 * at_ / 44100.0));
            out.push_back(v);
            out.push_back(v);
        }
        return out;
    }

  private:
    std::shared_ptr<DriveGate> gate_;
    std::int64_t at_ = 0;
};

// The window's calls that take the sound server's lock (volume, balance,
// levels, pause) answer while the drive hangs in the middle of a read.
TEST_F(RealMedia, ACdDriveThatHangsDoesNotHoldTheWindowsCalls) {
    auto gate = std::make_shared<DriveGate>();
    mediaplayer::RealMediaControl c;
    c.SetCdOpener([gate](const std::string&, int) { return std::make_unique<StuckDrive>(gate); });
    ASSERT_TRUE(c.SetFileName("CDAUDIO:"));
    ASSERT_TRUE(c.Playing());
    const auto release = [&gate] {
        {
            std::lock_guard lock(gate->m);
            gate->released = true;
        }
        gate->cv.notify_all();
    };
    {
        std::unique_lock lock(gate->m);
        gate->armed = true;
        if (!gate->cv.wait_for(lock, std::chrono::seconds(30), [&] { return gate->stuck; })) {
            lock.unlock();
            release();
            FAIL() << "the drive was not read again while the disc played";
        }
    }
    // On a thread of their own, so that a failure cannot hang the test.
    auto calls = std::async(std::launch::async, [&c] {
        float left = 0;
        float right = 0;
        c.CurrentLevels(left, right);
        return c.SetVolume(-1000) && c.SetBalance(500) && (c.Pause(), c.Paused()) &&
               (c.Play(), c.Playing());
    });
    const bool answered = calls.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    {
        std::lock_guard lock(gate->m);
        EXPECT_TRUE(gate->stuck && !gate->released) << "the drive must still hang";
    }
    release();
    EXPECT_TRUE(answered) << "a call waited for the drive";
    EXPECT_TRUE(calls.get());
}

INSTANTIATE_TEST_SUITE_P(Real, MediaControlContract, ::testing::Values(&MakeReal));

}  // namespace
}  // namespace qsr::contract
