// The main window over the real engine and the private sound server that
// scripts/test starts (PULSE_SERVER): its "Tone_Output" monitor carries a
// real-time 1000 Hz tone. Records about 3 s into each format through
// StartRecord/StopRecord, decodes every listed file and plays one to its end.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <QTreeWidget>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app/windows/Form1.h"
#include "fakes/FakeServices.h"
#include "platform/pulse/RealAudioEngine.h"
#include "platform/services/windows/QtServices.h"
#include "support/Controls.h"
#include "support/MainWindow.h"
#include "support/Signal.h"
#include "support/TempDir.h"

using namespace qsr;
using qsr::testing::Control;
namespace fs = std::filesystem;

namespace {

using qsr::testing::LiveToneShare;

// "m:ss.mmm" back to seconds; -1 when it is not such a text.
double Seconds(const QString& elapsed) {
    const QStringList parts = elapsed.split(':');
    if (parts.size() != 2) return -1;
    return parts[0].toInt() * 60 + parts[1].toDouble();
}

struct Decoded {
    double seconds = 0;
    double toneShare = 0;
    double rms = 0;
};

// Reads the whole file back with the window's own file component (it knows
// the parameters of the headerless formats) and looks at its middle second.
Decoded Decode(audio::IAudioFile& file, const std::string& path) {
    Decoded d;
    if (file.OpenFile(path) < 0) return d;
    const int rate = file.SampleRate();
    const int channels = std::max(1, file.ChannelCount());
    std::vector<double> mono;
    for (;;) {
        const audio::Samples block = file.ReadBlock(8192);
        if (block.empty()) break;
        for (std::size_t i = 0; i + static_cast<std::size_t>(channels) <= block.size();
             i += static_cast<std::size_t>(channels))
            mono.push_back(block[i] / 32768.0);
    }
    file.Close();
    if (rate <= 0 || mono.empty()) return d;
    d.seconds = static_cast<double>(mono.size()) / rate;
    const std::size_t mid = mono.size() / 2;
    const std::size_t half = std::min<std::size_t>(static_cast<std::size_t>(rate) / 2, mid);
    std::vector<double> window(mono.begin() + static_cast<std::ptrdiff_t>(mid - half),
                               mono.begin() + static_cast<std::ptrdiff_t>(mid + half));
    d.toneShare = LiveToneShare(window, rate, 1000.0);
    double sum = 0;
    for (double v : window) sum += v * v;
    d.rms = window.empty() ? 0 : std::sqrt(sum / static_cast<double>(window.size()));
    return d;
}

class RecordingIntegrationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::getenv("PULSE_SERVER"))
            GTEST_SKIP() << "no private sound server (run scripts/test)";
        fs::create_directories(out);
        // The shipped defaults, recording into our folder under numbered names.
        std::string defaults = qsr::testing::ReadAll(std::string(QSR_SOURCE_DIR) +
                                                     "/resources/appfolder/settings.dat");
        ASSERT_FALSE(defaults.empty());
        const auto replace = [&defaults](const std::string& from, const std::string& to) {
            const auto at = defaults.find(from);
            ASSERT_NE(at, std::string::npos) << from;
            defaults.replace(at, from.size(), to);
        };
        replace("outputfolder=0", "outputfolder=" + out.string());
        replace("filename=recorded", "filename=tone");
        replace("datetime=1", "datetime=0");
        qsr::testing::WriteAll(home.File("settings.dat"), defaults);

        engine = audio::CreateRealAudioEngine();
        auto services = desk.Services();
        services.eventPump = &pump;  // the real recorder's events must really run
        qsr::testing::NewMainWindow(core, form, *engine, services, home.path().string());
        form->Form_Load();
        ASSERT_NE(form->Recorder(), nullptr);
        ASSERT_NE(form->FileComponent(), nullptr);
        ASSERT_NE(form->Player(), nullptr);
        const int tone =
            Control<QComboBox>(*form, "DeviceCombo")->findText("Monitor of Tone_Output");
        ASSERT_GE(tone, 0);
        Control<QComboBox>(*form, "DeviceCombo")->setCurrentIndex(tone);
        emit Control<QComboBox>(*form, "DeviceCombo")->activated(tone);
    }

    qsr::testing::TempDir home;
    fs::path out = home.path() / "recordings";
    std::unique_ptr<audio::IAudioEngine> engine;
    fakes::FakeDesktop desk;
    services::QtEventPump pump;
    std::unique_ptr<app::AppCore> core;
    std::unique_ptr<app::Form1> form;
};

TEST_F(RecordingIntegrationTest, RecordsTheToneIntoEveryFormatAndPlaysOneBack) {
    auto& f = *form;
    const char* formats[] = {"WAV", "MP3", "VOX", "Raw", "G726", "OGG", "FLAC", "OPUS"};
    // The status bar names each recording's own format.
    const char* kinds[] = {"WAV", "MP3", "VOX", "RAW", "G.726", "OGG", "FLAC", "OPUS"};
    for (int i = 0; i < 8; ++i) {
        Control<QComboBox>(f, "cboEncoders")->setCurrentIndex(i);
        f.StartRecord();
        ASSERT_TRUE(f.flgRecord()) << formats[i];
        // Until the window's elapsed time shows 3 s of captured sound. (A null
        // sink's monitor may start late by up to its latency, so wall time is
        // not the measure.)
        QElapsedTimer clock;
        clock.start();
        while (Seconds(Control<QLabel>(f, "Label1")->text()) < 3.0 && clock.elapsed() < 15000)
            QTest::qWait(20);
        EXPECT_GE(Seconds(Control<QLabel>(f, "Label1")->text()), 3.0) << formats[i];
        EXPECT_TRUE(Control<QLabel>(f, "Panel2")->text().startsWith(kinds[i]))
            << Control<QLabel>(f, "Panel2")->text().toStdString();
        f.StopRecord();
    }
    EXPECT_TRUE(desk.messageBox.shown.empty()) << desk.messageBox.shown.front().text;
    ASSERT_EQ(Control<QTreeWidget>(f, "ListView1")->topLevelItemCount(), 8);

    for (int i = 0; i < 8; ++i) {
        const QTreeWidgetItem* row = Control<QTreeWidget>(f, "ListView1")->topLevelItem(i);
        const std::string path = row->text(1).toStdString();
        SCOPED_TRACE(path);
        EXPECT_EQ(row->text(0).toInt(), i + 1);
        EXPECT_EQ(path, (out / (std::string("tone.") + formats[i])).string());
        EXPECT_TRUE(row->text(2).endsWith("MB"));
        EXPECT_FALSE(row->text(4).isEmpty());
        const Decoded d = Decode(*f.FileComponent(), path);
        // About 3 s; the shared machine may stretch a step, never by seconds.
        EXPECT_GT(d.seconds, 2.9);
        EXPECT_LT(d.seconds, 4.0);
        EXPECT_GT(d.toneShare, 0.8) << "not the 1000 Hz tone";
        EXPECT_GT(d.rms, 0.01) << "silence";
        // The row's duration is the elapsed time shown at the stop.
        EXPECT_NEAR(Seconds(row->text(3)), d.seconds, 0.3);
    }

    // Play the WAV recording to its end: the player runs dry and playback stops.
    Control<QTreeWidget>(f, "ListView1")->topLevelItem(0)->setSelected(true);
    f.PlaySelected();
    ASSERT_TRUE(f.Playing());
    QElapsedTimer clock;
    clock.start();
    bool sawPosition = false;
    while (f.Playing() && clock.elapsed() < 15000) {
        QTest::qWait(50);
        if (Control<QLabel>(f, "Label1")->text() != "0:00.000") sawPosition = true;
    }
    EXPECT_FALSE(f.Playing());
    EXPECT_TRUE(f.PlaybackStopped());
    EXPECT_TRUE(sawPosition);
    EXPECT_GT(clock.elapsed(), 2000);  // it really played, not just ended
    EXPECT_GT(Seconds(Control<QLabel>(f, "Label1")->text()), 2.0);
}

// A small file system of its own for the recordings (root may mount one);
// elsewhere a file-size limit on this process refuses the bytes past it the
// same way, with its own reason.
class FullDisk {
  public:
    FullDisk(const fs::path& folder, unsigned long bytes) : folder_(folder) {
        const std::string size = "size=" + std::to_string(bytes);
        mounted_ = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, size.c_str()) == 0;
        if (mounted_) return;
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        handler_ = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = saved_;
        small.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FullDisk() {
        if (mounted_) {
            ::umount(folder_.c_str());
        } else {
            ::setrlimit(RLIMIT_FSIZE, &saved_);
            std::signal(SIGXFSZ, handler_);
        }
    }
    std::string Reason() const { return mounted_ ? "No space left on device" : "File too large"; }

  private:
    fs::path folder_;
    bool mounted_ = false;
    struct rlimit saved_ {};
    void (*handler_)(int) = nullptr;
};

TEST_F(RecordingIntegrationTest, ARecordingThatFillsTheDiskStopsIsListedAndSaysWhyOnce) {
    auto& f = *form;
    Control<QComboBox>(f, "cboEncoders")
        ->setCurrentIndex(0);  // WAV: the default format fills 300 kB in 2 s
    std::string path;
    {
        FullDisk disk(out, 300 * 1024);
        f.StartRecord();
        ASSERT_TRUE(f.flgRecord());
        QElapsedTimer clock;
        clock.start();
        while (f.flgRecord() && clock.elapsed() < 20000) QTest::qWait(50);
        EXPECT_FALSE(f.flgRecord()) << "the recording went on with a full disk";
        QTest::qWait(300);  // anything said late would be said by now
        ASSERT_EQ(desk.messageBox.shown.size(), 1u);
        ASSERT_EQ(Control<QTreeWidget>(f, "ListView1")->topLevelItemCount(), 1);
        path = Control<QTreeWidget>(f, "ListView1")->topLevelItem(0)->text(1).toStdString();
        EXPECT_EQ(desk.messageBox.shown[0].text,
                  "The recording to " + path + " stopped: " + disk.Reason());
        const double listed =
            Seconds(Control<QTreeWidget>(f, "ListView1")->topLevelItem(0)->text(3));
        // Decoded while the file is still on the full disk: what was written plays.
        const Decoded d = Decode(*f.FileComponent(), path);
        EXPECT_GT(d.seconds, 1.0);
        EXPECT_GE(d.seconds + 0.01, listed);
        EXPECT_GT(d.toneShare, 0.8);
        const std::string probed = qsr::testing::Capture(
            "ffprobe -v error -show_entries format=duration -of csv=p=0 " + path);
        EXPECT_NEAR(std::atof(probed.c_str()), d.seconds, 0.01) << probed;
    }
}

}  // namespace
