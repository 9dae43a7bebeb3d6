// qsr_idle_bench WINDOW SECONDS: shows one window over the real engine and
// the Qt desktop services, lets it rest for SECONDS with nothing to do, and
// prints the process's CPU ms over that time (after a second to settle).
// WINDOW: player, converter, tags.
#include <sys/resource.h>

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "converter/windows/frmcov.h"
#include "platform/mediaplayer/RealMediaControl.h"
#include "platform/pulse/RealAudioEngine.h"
#include "platform/services/AppFolder.h"
#include "platform/services/windows/QtServices.h"
#include "platform/soundlib/SoundLibrary.h"
#include "player/windows/MPlay3.h"
#include "tags/windows/Frmid3v.h"

namespace {

double CpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace qsr;
    if (argc != 3) {
        std::fprintf(stderr, "usage: qsr_idle_bench player|converter|tags SECONDS\n");
        return 2;
    }
    QApplication app(argc, argv);
    const std::string which = argv[1];
    const int seconds = std::atoi(argv[2]);
    const std::string folder = services::PrepareApplicationFolder();
    services::QtMessageBox messageBox;
    services::QtFileDialog fileDialog;
    services::QtUserSettings userSettings;
    services::DesktopServices desktop;
    desktop.messageBox = &messageBox;
    desktop.fileDialog = &fileDialog;
    desktop.userSettings = &userSettings;
    auto engine = audio::CreateRealAudioEngine(nullptr);

    std::unique_ptr<mediaplayer::RealMediaControl> control;
    std::unique_ptr<soundlib::ISoundLibrary> library;
    std::unique_ptr<QDialog> window;
    if (which == "player") {
        control = std::make_unique<mediaplayer::RealMediaControl>();
        auto w = std::make_unique<player::MPlay3>(*control, desktop, "qsr_idle_bench", folder);
        w->Form_Load();
        window = std::move(w);
    } else if (which == "converter") {
        auto w = std::make_unique<converter::frmcov>(*engine, desktop, folder);
        w->Form_Load();
        window = std::move(w);
    } else if (which == "tags") {
        library = soundlib::CreateSoundLibrary();
        auto w = std::make_unique<tags::Frmid3v>(*library, *engine, desktop, folder);
        w->Form_Load();
        window = std::move(w);
    } else {
        std::fprintf(stderr, "unknown window %s\n", which.c_str());
        return 2;
    }
    window->show();
    double from = 0;
    QTimer::singleShot(1000, [&] { from = CpuMs(); });
    QTimer::singleShot(1000 + seconds * 1000, [&] {
        std::printf("%s: %.1f ms CPU over %d s at rest\n", which.c_str(), CpuMs() - from, seconds);
        app.quit();
    });
    return app.exec();
}
