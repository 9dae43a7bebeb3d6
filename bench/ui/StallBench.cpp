// qsr_stall_bench WORK [CASES]: the longest gap between 10 ms ticks of a timer
// on the window thread while long work runs; WORK holds long.wav (20 minutes)
// and tone.mp3 (a short tagged MP3) and receives the MIDI file, the
// converter's outputs and the editor's folders. CASES picks some of "abcd"
// (default all). Needs PULSE_SERVER.
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "converter/windows/frmcov.h"
#include "platform/mediaplayer/RealMediaControl.h"
#include "platform/pulse/RealAudioEngine.h"
#include "platform/services/EventPump.h"
#include "platform/soundlib/SoundLibrary.h"
#include "tags/TagFileListModel.h"
#include "tags/windows/Frmid3v.h"

namespace {

// Records the longest gap between ticks of a 10 ms timer.
struct StallMeter {
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0, longest = 0, longestAt = 0;
    StallMeter() {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const qint64 now = clock.elapsed();
            if (now - last > longest) {
                longest = now - last;
                longestAt = last;
            }
            last = now;
        });
    }
    void Start() {
        clock.start();
        last = 0;
        longest = 0;
        timer.start();
    }
};

// Lets events run until done() (or the bound in seconds).
void RunUntil(const std::function<bool()>& done, double seconds) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < seconds * 1000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

// Five minutes of 16 channels striking four-note chords every 100 ms.
void WriteDenseMidi(const std::string& path) {
    std::string track;
    const auto delta = [&track](unsigned ticks) {
        std::string vlq(1, char(ticks & 0x7F));
        for (unsigned v = ticks >> 7; v; v >>= 7) vlq.insert(vlq.begin(), char(0x80 | (v & 0x7F)));
        track += vlq;
    };
    for (int ch = 0; ch < 16; ++ch) {
        delta(0);
        track += {char(0xC0 | ch), char((ch * 8) % 128)};
    }
    const unsigned step = 96;  // 100 ms at 960 ticks a second
    for (int i = 0; i < 3000; ++i) {
        const int ch = i % 16 == 9 ? 0 : i % 16;
        for (int n = 0; n < 4; ++n) {
            delta(0);
            track += {char(0x90 | ch), char(48 + (i * 7 + n * 4) % 36), 100};
        }
        delta(step);
        for (int n = 0; n < 4; ++n) {
            if (n) delta(0);
            track += {char(0x80 | ch), char(48 + (i * 7 + n * 4) % 36), 0};
        }
    }
    track += {0, char(0xFF), 0x2F, 0};
    std::string midi = std::string("MThd\0\0\0\6\0\0\0\1\x01\xE0", 14) + "MTrk";
    for (int shift : {24, 16, 8, 0}) midi += char((track.size() >> shift) & 0xFF);
    std::ofstream(path, std::ios::binary) << midi << track;
}

// Messages go to stderr; nothing waits for a click.
class StderrBox : public qsr::services::IMessageBox {
  public:
    qsr::services::MsgAnswer Show(const std::string& text, qsr::services::MsgIcon,
                                  qsr::services::MsgButtons, const std::string&) override {
        std::fprintf(stderr, "message: %.200s\n", text.c_str());
        return qsr::services::MsgAnswer::Ok;
    }
};

// A folder of n copies of one MP3 file.
std::string CopiesOf(const std::string& file, const std::string& folder, int n) {
    std::filesystem::create_directories(folder);
    for (int i = 0; i < n; ++i) {
        std::filesystem::copy_file(file, folder + "/track " + std::to_string(100000 + i) + ".mp3",
                                   std::filesystem::copy_options::overwrite_existing);
    }
    return folder;
}

// The hourglass marks the editor's scan and save from their start to their end.
bool EditorIdle() {
    return QApplication::overrideCursor() == nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace qsr;
    QApplication app(argc, argv);
    if (argc < 2 || !std::getenv("PULSE_SERVER")) {
        std::fprintf(stderr, "usage: PULSE_SERVER=... qsr_stall_bench WORK [abcd]\n");
        return 2;
    }
    const std::string work = argv[1];
    const std::string cases = argc > 2 ? argv[2] : "abcd";
    const auto run = [&cases](char c) { return cases.find(c) != std::string::npos; };
    StallMeter meter;

    // (a) A dense 5-minute MIDI file opens and plays 5 s.
    const std::string midi = work + "/dense.mid";
    if (run('a')) {
        WriteDenseMidi(midi);
        mediaplayer::RealMediaControl control;
        meter.Start();
        QElapsedTimer open;
        open.start();
        const bool ok = control.SetFileName(QString::fromStdString(midi));
        const qint64 openMs = open.elapsed();
        RunUntil([] { return false; }, 5.0);
        std::printf(
            "MIDI (5 min, dense): open %s in %lld ms, longest stall %lld ms over 5 s of play\n",
            ok ? "played" : "FAILED", static_cast<long long>(openMs),
            static_cast<long long>(meter.longest));
        control.Stop();
    }

    // (b) The converter window: 20 minutes of WAV to WMA, MP3 and Ogg Vorbis.
    if (run('b')) {
        auto engine = audio::CreateRealAudioEngine();
        services::DesktopServices desktop;
        converter::frmcov window(*engine, desktop, work);
        window.Form_Load();
        window.findChild<QLineEdit*>("txtInputFile")
            ->setText(QString::fromStdString(work + "/long.wav"));
        for (const char* box : {"chWMA", "chMP3", "chOGG"})
            window.findChild<QCheckBox*>(box)->setChecked(true);
        window.show();
        RunUntil([] { return false; }, 1.0);  // the first paint is not the conversion's
        meter.Start();
        QElapsedTimer took;
        took.start();
        window.cmdConvert_Click();
        RunUntil([&] { return !window.Working() && !window.Converting(); }, 3600);
        std::printf(
            "Converter (20 min WAV to WMA+MP3+Ogg): %.1f s, longest stall %lld ms (at %.1f s)\n",
            took.elapsed() / 1000.0, static_cast<long long>(meter.longest),
            meter.longestAt / 1000.0);
    }
    // (c) The tag editor lists a folder of 20,000 MP3 files; (d) it saves an
    // album into 2,000 ticked files.
    if (run('c') || run('d')) {
        auto library = soundlib::CreateSoundLibrary();
        auto engine = audio::CreateRealAudioEngine();
        StderrBox box;
        services::QtEventPump pump;
        services::DesktopServices desktop;
        desktop.messageBox = &box;
        desktop.eventPump = &pump;
        tags::Frmid3v editor(*library, *engine, desktop, work);
        editor.Form_Load();
        editor.show();
        RunUntil([] { return false; }, 1.0);
        tags::TagFileListModel& list = *editor.FileModel();
        const auto scan = [&](const std::string& folder, const char* what) {
            meter.Start();
            QElapsedTimer took;
            took.start();
            editor.UpdateFolder(folder);
            RunUntil(EditorIdle, 3600);
            std::printf("Editor scan (%s): %d rows in %.1f s, longest stall %lld ms (at %.1f s)\n",
                        what, list.rowCount(), took.elapsed() / 1000.0,
                        static_cast<long long>(meter.longest), meter.longestAt / 1000.0);
        };
        if (run('c')) scan(CopiesOf(work + "/tone.mp3", work + "/many", 20000), "20,000 MP3");
        if (run('d')) {
            scan(CopiesOf(work + "/tone.mp3", work + "/album", 2000), "2,000 MP3");
            for (int i = 0; i < list.rowCount(); ++i) list.SetTicked(i, true);
            editor.findChild<QLineEdit*>("txtv2_3")->setText("Stall Album");
            meter.Start();
            QElapsedTimer took;
            took.start();
            editor.SaveItems();
            RunUntil(EditorIdle, 3600);
            std::printf(
                "Editor batch save (2,000 MP3, album): %.1f s, longest stall %lld ms (at "
                "%.1f s)\n",
                took.elapsed() / 1000.0, static_cast<long long>(meter.longest),
                meter.longestAt / 1000.0);
        }
        editor.reject();
    }
    return 0;
}
