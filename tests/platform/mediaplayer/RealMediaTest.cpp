// The real media control on the private sound server (PULSE_SERVER), with
// real WAV and MP3 files: the shared contract, then what only sound shows.
#include <sys/stat.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "platform/mediaplayer/MediaControlContract.h"
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

INSTANTIATE_TEST_SUITE_P(Real, MediaControlContract, ::testing::Values(&MakeReal));

}  // namespace
}  // namespace qsr::contract
