// Against the real sound server that scripts/test starts (PULSE_SERVER): the
// default source "qsr_tone_sink.monitor" carries a real-time 1000 Hz tone.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <thread>

#include "platform/audio-api/MixDown.h"
#include "platform/pulse/PulsePlayer.h"
#include "platform/pulse/PulseRecorder.h"
#include "platform/pulse/RealAudioEngine.h"
#include "support/EventWait.h"
#include "support/Signal.h"
#include "support/TempDir.h"

using qsr::audio::IAudioRecorder;
using qsr::audio::PulsePlayer;
using qsr::audio::PulseRecorder;
using qsr::audio::Samples;

namespace {

using qsr::testing::RunFor;
using qsr::testing::RunUntil;

// The strongest frequency of a mono signal.
double DominantFrequency(const Samples& mono, int rate) {
    return qsr::testing::DominantFrequency(qsr::testing::Channel(mono, 1), rate);
}

int FindDevice(IAudioRecorder& r, const std::string& name) {
    const int n = r.DeviceCount();
    for (int i = 0; i < n; ++i) {
        r.SelectDevice(i);
        if (r.DeviceName() == name) return i;
    }
    return -1;
}

// Collects every announced block, in order.
struct Collector {
    explicit Collector(IAudioRecorder& r) : rec(r) {
        QObject::connect(&r, &IAudioRecorder::EndArrayRecord, [this](long n) {
            numbers.push_back(n);
            Samples b = rec.TakeBlock(n);
            sizes.push_back(static_cast<long>(b.size()));
            all.insert(all.end(), b.begin(), b.end());
        });
        QObject::connect(&r, &IAudioRecorder::Timer, [this](long current, int left, int right) {
            ++timers;
            lastCurrent = current;
            loudest[0] = std::max(loudest[0], left);
            loudest[1] = std::max(loudest[1], right);
        });
    }
    IAudioRecorder& rec;
    std::vector<long> numbers, sizes;
    Samples all;
    int timers = 0;
    long lastCurrent = 0;
    int loudest[2] = {0, 0};  // the largest levels the progress reported
};

// The largest magnitude of one channel of interleaved values.
int Loudest(const Samples& s, std::size_t channel, std::size_t channels) {
    int peak = 0;
    for (std::size_t i = channel; i < s.size(); i += channels)
        peak = std::max(peak, std::abs(int{s[i]}));
    return std::min(peak, 32767);
}

class PulseIntegration : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::getenv("PULSE_SERVER"))
            GTEST_SKIP() << "no private sound server (run scripts/test)";
    }
};

}  // namespace

TEST_F(PulseIntegration, ListsDevicesWithMonitorsAndTheirLines) {
    auto engine = qsr::audio::CreateRealAudioEngine();
    auto rec = engine->CreateRecorder();
    ASSERT_TRUE(rec);
    ASSERT_GE(rec->DeviceCount(), 3);
    EXPECT_GE(FindDevice(*rec, "Monitor of Tone_Output"), 0);
    EXPECT_GE(FindDevice(*rec, "Monitor of Test_Output"), 0);
    // One entry lists the programs playing, a line each (the server's tone is
    // one); it has nothing to set on the server.
    const int programs = FindDevice(*rec, "Programs");
    ASSERT_GE(programs, 0);
    rec->SelectDevice(programs);
    EXPECT_TRUE(rec->DeviceUsable());
    ASSERT_GE(rec->SourceLastIndex(), 0);
    rec->SelectSource(0);
    EXPECT_FALSE(rec->SourceName().empty());
    EXPECT_FALSE(rec->HasVolume());
    EXPECT_EQ(rec->AdvancedLastIndex(), -1);
    // So does the one that records the default source with the playback.
    const int combined = FindDevice(*rec, "Microphone + playback");
    ASSERT_GE(combined, 0);
    rec->SelectDevice(combined);
    EXPECT_TRUE(rec->DeviceUsable());
    EXPECT_FALSE(rec->HasVolume());
    EXPECT_FALSE(rec->CanCombine(combined));
    for (int i = 0; i < rec->DeviceCount(); ++i) {
        if (i == programs || i == combined) continue;
        rec->SelectDevice(i);
        EXPECT_EQ(rec->CurrentDevice(), i);
        EXPECT_TRUE(rec->CanCombine(i));
        ASSERT_TRUE(rec->DeviceUsable());
        EXPECT_FALSE(rec->DeviceName().empty());
        // The null sinks and the sine source have no ports: one line named after the device.
        ASSERT_EQ(rec->SourceLastIndex(), 0) << rec->DeviceName();
        rec->SelectSource(0);
        EXPECT_EQ(rec->CurrentSource(), 0);
        EXPECT_EQ(rec->SourceName(), rec->DeviceName());
        EXPECT_TRUE(rec->SourceSelectable());
        EXPECT_TRUE(rec->SourceActive());
        rec->SetSourceActive(true);
        EXPECT_TRUE(rec->SourceActive());
        EXPECT_TRUE(rec->HasVolume());
        // Advanced: a switch first, then one level per channel.
        ASSERT_GE(rec->AdvancedLastIndex(), 1);
        EXPECT_EQ(rec->AdvancedName(0), "Mute");
        EXPECT_TRUE(rec->AdvancedGet(0).isSwitch);
        EXPECT_FALSE(rec->AdvancedGet(1).isSwitch);
        EXPECT_FALSE(rec->AdvancedName(rec->AdvancedLastIndex()).empty());
        EXPECT_EQ(rec->AdvancedName(rec->AdvancedLastIndex() + 1), "");
    }
    // Outside the list: unusable, and nothing breaks.
    rec->SelectDevice(rec->DeviceCount());
    EXPECT_FALSE(rec->DeviceUsable());
    EXPECT_EQ(rec->SourceLastIndex(), -1);
    EXPECT_EQ(rec->DeviceName(), "");
    rec->SelectDevice(-3);
    EXPECT_FALSE(rec->DeviceUsable());
}

TEST_F(PulseIntegration, AFreshRecorderStartsOnTheServersDefaultSource) {
    // The test server's default source is the tone sink's monitor, which is
    // not the first in the list; the main window starts on the current device.
    auto rec = qsr::audio::CreateRealAudioEngine()->CreateRecorder();
    ASSERT_TRUE(rec);
    ASSERT_GE(rec->DeviceCount(), 3);
    rec->SelectDevice(rec->CurrentDevice());
    EXPECT_EQ(rec->DeviceName(), "Monitor of Tone_Output");
    // A device the user chose stays chosen when the list is read again.
    const int silent = FindDevice(*rec, "Monitor of Test_Output");
    rec->SelectDevice(silent);
    rec->DeviceCount();
    EXPECT_EQ(rec->CurrentDevice(), silent);
}

// What another client of the server says: pactl's output.
QString Pactl(const QStringList& args) {
    QProcess pactl;
    pactl.start("pactl", args);
    if (!pactl.waitForFinished(10000)) return {};
    return QString::fromUtf8(pactl.readAllStandardOutput()).trimmed();
}

// A device plugged in and out: a null sink whose monitor comes and goes.
struct PluggedSink {
    explicit PluggedSink(const char* name) : sink(name) { Plug(); }
    ~PluggedSink() { Unplug(); }
    void Plug() {
        module = Pactl({"load-module", "module-null-sink", QString("sink_name=") + sink,
                        QString("sink_properties=device.description=") + sink});
    }
    void Unplug() {
        if (!module.isEmpty()) Pactl({"unload-module", module});
        module.clear();
    }
    const char* sink;
    QString module;
};

TEST_F(PulseIntegration, DeviceNumbersStayTrueWhenDevicesComeAndGo) {
    PulseRecorder rec;
    const int count = rec.DeviceCount();
    const int tone = FindDevice(rec, "Monitor of Tone_Output");
    ASSERT_GE(tone, 0);
    PluggedSink usb("QsrPlugged");
    ASSERT_FALSE(usb.module.isEmpty());
    // The new device comes last; the others keep their numbers.
    ASSERT_EQ(rec.DeviceCount(), count + 1);
    const int plugged = FindDevice(rec, "Monitor of QsrPlugged");
    EXPECT_EQ(plugged, count);
    EXPECT_EQ(FindDevice(rec, "Monitor of Tone_Output"), tone);

    // Unplugged while chosen: starting on it fails, nothing records from another source.
    rec.SelectDevice(plugged);
    ASSERT_TRUE(rec.DeviceUsable());
    const QString outputsBefore = Pactl({"list", "short", "source-outputs"});
    usb.Unplug();
    EXPECT_LT(rec.Start(), 0);
    EXPECT_LT(rec.Status(), 0);
    EXPECT_FALSE(rec.DeviceUsable());
    EXPECT_EQ(rec.DeviceName(), "");
    EXPECT_EQ(rec.SourceLastIndex(), -1);
    EXPECT_EQ(Pactl({"list", "short", "source-outputs"}), outputsBefore);
    // The list is read again: still the same numbers, the gone device unusable.
    EXPECT_EQ(rec.DeviceCount(), count + 1);
    EXPECT_EQ(rec.CurrentDevice(), plugged);
    EXPECT_FALSE(rec.DeviceUsable());
    rec.SelectDevice(tone);
    EXPECT_EQ(rec.DeviceName(), "Monitor of Tone_Output");

    // Plugged in again (the server gives it a new number of its own): the same index.
    usb.Plug();
    EXPECT_EQ(rec.DeviceCount(), count + 1);
    rec.SelectDevice(plugged);
    EXPECT_TRUE(rec.DeviceUsable());
    EXPECT_EQ(rec.DeviceName(), "Monitor of QsrPlugged");
    // A volume change goes to that device and no other.
    rec.SelectSource(0);
    rec.SetVolume(32768);
    EXPECT_NE(Pactl({"get-source-volume", "QsrPlugged.monitor"}).indexOf("50%"), -1);
    EXPECT_EQ(Pactl({"get-source-volume", "qsr_tone_sink.monitor"}).indexOf("50%"), -1);

    // Unplugged while recording: the capture ends as failed, it does not move on.
    rec.SetFormat(44100, 2);
    rec.SetBlockLength(44100);
    Collector c(rec);
    ASSERT_EQ(rec.Start(), 0);
    RunFor(300);
    usb.Unplug();
    EXPECT_TRUE(RunUntil([&] { return rec.Status() != 1; }, 10000));
    EXPECT_LT(rec.Status(), 0);
}

TEST_F(PulseIntegration, VolumeBalanceMuteAndLevelsReadBackFromTheServer) {
    PulseRecorder rec;
    const int dev = FindDevice(rec, "Monitor of Test_Output");
    ASSERT_GE(dev, 0);
    rec.SelectDevice(dev);
    rec.SelectSource(0);
    const int before = rec.Volume();

    rec.SetVolume(32768);
    EXPECT_NEAR(rec.Volume(), 32768, 2);
    // What another client sees is what we set.
    QProcess pactl;
    pactl.start("pactl", {"get-source-volume", "qsr_sink.monitor"});
    ASSERT_TRUE(pactl.waitForFinished(10000));
    EXPECT_NE(pactl.readAllStandardOutput().indexOf("50%"), -1);

    rec.SetVolume(65535);
    EXPECT_EQ(rec.Volume(), 65535);
    rec.SetVolume(0);
    EXPECT_EQ(rec.Volume(), 0);
    rec.SetVolume(40000);

    ASSERT_TRUE(rec.HasBalance());
    rec.SetBalance(25);
    EXPECT_NEAR(rec.Balance(), 25, 1);
    EXPECT_NEAR(rec.Volume(), 40000, 2);  // balance keeps the loudest channel
    rec.SetBalance(50);
    EXPECT_EQ(rec.Balance(), 50);

    rec.AdvancedSet(0, 1);
    EXPECT_EQ(rec.AdvancedGet(0).value, 1);
    rec.AdvancedSet(0, 0);
    EXPECT_EQ(rec.AdvancedGet(0).value, 0);
    rec.AdvancedSet(1, 20000);  // the left channel only
    EXPECT_NEAR(rec.AdvancedGet(1).value, 20000, 2);
    EXPECT_NEAR(rec.AdvancedGet(2).value, 40000, 2);
    EXPECT_GT(rec.Balance(), 50);  // 0 = left, 100 = right

    rec.SetBalance(50);
    rec.SetVolume(before);
}

TEST_F(PulseIntegration, RecordsThreeSecondsOfTheToneInOneSecondBlocks) {
    PulseRecorder rec;
    const int dev = FindDevice(rec, "Monitor of Tone_Output");
    ASSERT_GE(dev, 0);
    rec.SelectDevice(dev);
    rec.SetFormat(44100, 2);
    rec.SetBlockLength(rec.MillisecondsToSamples(1000));
    EXPECT_EQ(rec.MillisecondsToSamples(1000), 44100);
    EXPECT_EQ(rec.SamplesToMilliseconds(66150), 1500);
    Collector c(rec);
    ASSERT_EQ(rec.Start(), 0);
    EXPECT_EQ(rec.Status(), 1);
    ASSERT_TRUE(RunUntil([&] { return rec.CurrentSamples() >= 3 * 44100; }, 15000));
    rec.Stop();
    EXPECT_EQ(rec.Status(), 0);

    ASSERT_GE(c.numbers.size(), 3u);
    for (size_t i = 0; i < c.numbers.size(); ++i) EXPECT_EQ(c.numbers[i], static_cast<long>(i));
    for (size_t i = 0; i + 1 < c.sizes.size(); ++i) EXPECT_EQ(c.sizes[i], 88200);
    EXPECT_LE(c.sizes.back(), 88200);
    EXPECT_EQ(static_cast<long>(c.all.size()), 2 * rec.CurrentSamples());
    EXPECT_GE(c.timers, 3000 / PulseRecorder::kTimerMs / 2);  // progress every kTimerMs over 3 s
    EXPECT_EQ(c.lastCurrent, rec.CurrentSamples());  // the last progress is the final count
    // The levels of the progress are the peaks of what was recorded, channel by channel.
    EXPECT_EQ(c.loudest[0], Loudest(c.all, 0, 2));
    EXPECT_EQ(c.loudest[1], Loudest(c.all, 1, 2));
    EXPECT_GT(c.loudest[0], 8000);  // the tone at half of full scale

    const Samples mono = qsr::audio::MakeMonoFromStereo(c.all);
    EXPECT_NEAR(DominantFrequency(mono, 44100), 1000, 10);
    EXPECT_EQ(rec.LatestSamples(4096 * 2).size(), 8192u);
    EXPECT_EQ(rec.TakeBlock(0), Samples{});  // already taken
}

TEST_F(PulseIntegration, StalledUserInterfaceLosesNoSamples) {
    PulseRecorder rec;
    rec.SelectDevice(FindDevice(rec, "Monitor of Tone_Output"));
    rec.SetFormat(22050, 1);
    rec.SetBlockLength(rec.MillisecondsToSamples(250));
    rec.SetNotchEnabled(true);
    rec.SetAgcEnabled(true);
    Collector c(rec);
    ASSERT_EQ(rec.Start(), 0);
    // The server's null sink may take a second or so before its first data.
    ASSERT_TRUE(RunUntil([&] { return rec.CurrentSamples() > 0; }, 10000));
    const long beforeStall = rec.CurrentSamples();
    std::this_thread::sleep_for(std::chrono::seconds(3));  // the UI thread is busy
    RunFor(500);
    rec.Stop();
    // The stall was captured in full, and every sample came out in blocks.
    EXPECT_GE(rec.CurrentSamples() - beforeStall, 3 * 22050);
    EXPECT_EQ(static_cast<long>(c.all.size()), rec.CurrentSamples());
    for (size_t i = 0; i + 1 < c.sizes.size(); ++i) EXPECT_EQ(c.sizes[i], 5512);
    EXPECT_NEAR(DominantFrequency(c.all, 22050), 1000, 10);
    // Mono drives both levels with the one channel's peak.
    EXPECT_EQ(c.loudest[0], Loudest(c.all, 0, 1));
    EXPECT_EQ(c.loudest[1], c.loudest[0]);
}

TEST_F(PulseIntegration, FiltersShapeWhatIsRecorded) {
    auto record = [](bool lowPass) {
        PulseRecorder rec;
        rec.SelectDevice(FindDevice(rec, "Monitor of Tone_Output"));
        rec.SetFormat(44100, 1);
        rec.SetBlockLength(44100);
        rec.SetLowPassEnabled(lowPass);
        rec.SetLowPassFrequency(200);
        Collector c(rec);
        EXPECT_EQ(rec.Start(), 0);
        RunUntil([&] { return rec.CurrentSamples() >= 44100; }, 10000);
        rec.Stop();
        double sum = 0;
        for (std::int16_t v : c.all) sum += double(v) * v;
        return 10 * std::log10(std::max(sum / std::max<size_t>(1, c.all.size()), 1e-9));
    };
    // The 1000 Hz tone is more than two octaves above a 200 Hz low-pass: at least 20 dB down.
    EXPECT_LT(record(true), record(false) - 20);
}

TEST_F(PulseIntegration, FilterSwitchedOnDuringRecordingActsAtOnce) {
    PulseRecorder rec;
    rec.SelectDevice(FindDevice(rec, "Monitor of Tone_Output"));
    rec.SetFormat(44100, 1);
    rec.SetBlockLength(22050);
    std::vector<double> blockDb;
    QObject::connect(&rec, &IAudioRecorder::EndArrayRecord, [&](long n) {
        const Samples b = rec.TakeBlock(n);
        double sum = 0;
        for (std::int16_t v : b) sum += double(v) * v;
        blockDb.push_back(10 * std::log10(std::max(sum / std::max<size_t>(1, b.size()), 1e-9)));
        if (blockDb.size() == 1) {
            rec.SetLowPassFrequency(200);
            rec.SetLowPassEnabled(true);
            rec.SetFormat(8000, 2);  // ignored while capturing
        }
    });
    ASSERT_EQ(rec.Start(), 0);
    ASSERT_TRUE(RunUntil([&] { return blockDb.size() >= 3; }, 10000));
    rec.Stop();
    EXPECT_EQ(rec.Rate(), 44100);
    EXPECT_EQ(rec.Channels(), 1);
    EXPECT_LT(blockDb[2], blockDb[0] - 20);
}

TEST_F(PulseIntegration, PlaysIntoASinkAndCapturesItBackFromItsMonitor) {
    PulseRecorder rec;
    const int dev = FindDevice(rec, "Monitor of Test_Output");
    ASSERT_GE(dev, 0);
    rec.SelectDevice(dev);
    rec.SelectSource(0);
    rec.SetVolume(65535);
    rec.SetFormat(44100, 2);
    rec.SetBlockLength(22050);
    Collector c(rec);

    PulsePlayer player;  // plays into the default sink, "Test_Output"
    player.SetFormat(44100, 2);
    const long total = player.MillisecondsToSamples(2000);
    long queued = 0;
    int requests = 0, ends = 0;
    auto feed = [&] {
        ++requests;
        const long n = std::min(player.MillisecondsToSamples(200), total - queued);
        if (n <= 0) return;
        Samples block(static_cast<size_t>(2 * n));
        for (long f = 0; f < n; ++f)
            block[size_t(2 * f)] = block[size_t(2 * f + 1)] = static_cast<std::int16_t>(
                10000 * std::sin(2 * M_PI * 700 * double(queued + f) / 44100));
        queued += n;
        player.QueueBlock(block);
    };
    QObject::connect(&player, &PulsePlayer::RequestOnLoadArray, feed);
    QObject::connect(&player, &PulsePlayer::EndArrayPlay, feed);
    QObject::connect(&player, &PulsePlayer::EndPlay, [&] { ++ends; });
    long lastTimer = -1;
    QObject::connect(&player, &PulsePlayer::Timer, [&](long s, int, int) { lastTimer = s; });

    ASSERT_EQ(rec.Start(), 0);
    ASSERT_EQ(player.Start(), 0);
    EXPECT_EQ(player.Status(), 1);
    feed();
    EXPECT_TRUE(RunUntil([&] { return ends > 0; }, 15000));
    EXPECT_EQ(queued, total);
    EXPECT_GT(requests, 5);
    EXPECT_EQ(player.CurrentSamples(), total);
    EXPECT_GE(lastTimer, 0);
    EXPECT_EQ(player.LatestSamples(100).size(), 100u);
    RunFor(300);
    EXPECT_EQ(ends, 1);  // announced once
    player.Stop();
    EXPECT_EQ(player.Status(), 0);
    rec.Stop();

    const Samples mono = qsr::audio::MakeMonoFromStereo(c.all);
    ASSERT_GT(mono.size(), 44100u);
    EXPECT_NEAR(DominantFrequency(mono, 44100), 700, 10);
}

// A server that goes away mid-recording ends the capture: what was captured
// is delivered, the status tells of the failure, nothing hangs.
TEST_F(PulseIntegration, ServerLossEndsCaptureAndDeliversWhatWasCaptured) {
    qsr::testing::TempDir dir;
    const std::string serverDir = dir.File("pulse");
    ASSERT_EQ(
        QProcess::execute(QSR_SOUND_SERVER_SCRIPT, {"start", QString::fromStdString(serverDir)}),
        0);
    const std::string old = std::getenv("PULSE_SERVER");
    setenv("PULSE_SERVER", ("unix:" + serverDir + "/native").c_str(), 1);
    {
        PulseRecorder rec;
        rec.SelectDevice(FindDevice(rec, "Monitor of Tone_Output"));
        rec.SetFormat(44100, 2);
        rec.SetBlockLength(44100);
        Collector c(rec);
        // A player on the same server, with plenty queued.
        PulsePlayer player;
        int ends = 0;
        QObject::connect(&player, &PulsePlayer::EndPlay, [&] { ++ends; });
        ASSERT_EQ(player.Start(), 0);
        player.QueueBlock(Samples(44100 * 2 * 20, 1000));
        ASSERT_EQ(rec.Start(), 0);
        ASSERT_TRUE(RunUntil([&] { return rec.CurrentSamples() >= 66150; }, 10000));
        QProcess::execute(QSR_SOUND_SERVER_SCRIPT, {"stop", QString::fromStdString(serverDir)});
        EXPECT_TRUE(RunUntil([&] { return rec.Status() != 1; }, 15000));
        EXPECT_LT(rec.Status(), 0);
        EXPECT_GE(rec.CurrentSamples(), 66150);
        EXPECT_EQ(static_cast<long>(c.all.size()), 2 * rec.CurrentSamples());
        EXPECT_EQ(c.numbers.size(), 2u);  // one whole block, then the partial one
        EXPECT_TRUE(RunUntil([&] { return ends > 0; }, 15000));
        EXPECT_LT(player.Status(), 0);
        player.Stop();
        rec.Stop();                 // harmless now
        EXPECT_LT(rec.Start(), 0);  // no server to start on
        // The devices keep their numbers, and none of them can be used.
        const int count = rec.DeviceCount();
        for (int i = 0; i < count; ++i) {
            rec.SelectDevice(i);
            EXPECT_FALSE(rec.DeviceUsable());
        }
    }
    setenv("PULSE_SERVER", old.c_str(), 1);
    QProcess::execute(QSR_SOUND_SERVER_SCRIPT, {"stop", QString::fromStdString(serverDir)});
}

// Progress comes at the recorder's own pace whatever the server's fragment
// size, and every event arrives on the thread that owns the recorder.
TEST_F(PulseIntegration, ProgressAtItsOwnPaceAndEventsOnTheOwningThread) {
    PulseRecorder rec;
    rec.SelectDevice(FindDevice(rec, "Monitor of Tone_Output"));
    rec.SetFormat(44100, 2);
    rec.SetBlockLength(4410);  // 100 ms blocks: several per progress interval at times
    int timers = 0, offThread = 0;
    long blocks = 0, lastCurrent = -1;
    bool countsGrow = true, stopping = false;
    QObject::connect(&rec, &IAudioRecorder::Timer, [&](long current, int, int) {
        ++timers;
        if (QThread::currentThread() != rec.thread()) ++offThread;
        if (current < lastCurrent) countsGrow = false;
        lastCurrent = current;
    });
    QObject::connect(&rec, &IAudioRecorder::EndArrayRecord, [&](long n) {
        if (QThread::currentThread() != rec.thread()) ++offThread;
        EXPECT_EQ(n, blocks);
        const size_t size = rec.TakeBlock(n).size();
        if (stopping)  // the partial last block
            EXPECT_LE(size, 8820u);
        else
            EXPECT_EQ(size, 8820u);
        ++blocks;
    });
    ASSERT_EQ(rec.Start(), 0);
    ASSERT_TRUE(RunUntil([&] { return rec.CurrentSamples() > 0; }, 10000));
    const int timersBefore = timers;
    RunFor(2000);
    const int inTwoSeconds = timers - timersBefore;
    stopping = true;
    rec.Stop();
    EXPECT_EQ(offThread, 0);
    EXPECT_TRUE(countsGrow);
    // One per interval: neither one per fragment nor starved by a slow server.
    EXPECT_GE(inTwoSeconds, 2000 / PulseRecorder::kTimerMs / 2);
    EXPECT_LE(inTwoSeconds, 2000 / PulseRecorder::kTimerMs + 3);
    EXPECT_GE(blocks, 15);
    EXPECT_EQ(lastCurrent, rec.CurrentSamples());
}

// Stop keeps what the server still held: the frames announced cover the time
// from the start to the stop call. Without waiting for the data on its way,
// a stop lost up to one piece of the source (20 ms on the tone sink, more on
// devices with long periods): 10 to 21 ms in most runs of five.
TEST_F(PulseIntegration, StopKeepsEverySampleCapturedBeforeIt) {
    constexpr int kRate = 8000;
    for (int run = 0; run < 5; ++run) {
        SCOPED_TRACE(run);
        PulseRecorder rec;
        rec.SelectDevice(FindDevice(rec, "Monitor of Tone_Output"));
        rec.SetFormat(kRate, 1);
        rec.SetBlockLength(kRate);
        Collector c(rec);
        ASSERT_EQ(rec.Start(), 0);
        const auto started = std::chrono::steady_clock::now();
        RunFor(1000 + 37 * run);  // stops at different places within a piece
        const auto stopped = std::chrono::steady_clock::now();
        rec.Stop();
        const double wall = std::chrono::duration<double>(stopped - started).count();
        const double got = static_cast<double>(c.all.size()) / kRate;
        EXPECT_GE(got, wall - 0.008);
        // Reading on after the stop adds at most a piece of the stream.
        EXPECT_LE(got, wall + PulseRecorder::kFragmentMs / 1000.0 + 0.05);
        EXPECT_EQ(static_cast<long>(c.all.size()), rec.CurrentSamples());
    }
}
