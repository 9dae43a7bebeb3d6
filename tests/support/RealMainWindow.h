#pragma once

// The main window over the real engine and the private sound server
// (PULSE_SERVER), with fake desktop services around a real event pump. For
// test targets that link the app windows and the real engine, and define
// QSR_SOURCE_DIR.
#include <QComboBox>
#include <QString>
#include <memory>
#include <string>

#include "app/windows/Form1.h"
#include "fakes/FakeServices.h"
#include "platform/pulse/RealAudioEngine.h"
#include "platform/services/windows/QtServices.h"
#include "support/Controls.h"
#include "support/MainWindow.h"
#include "support/TempDir.h"

namespace qsr::testing {

// Copies the shipped settings.dat into `home`; false when it cannot be read.
inline bool SeedShippedSettings(const TempDir& home) {
    const std::string defaults =
        ReadAll(std::string(QSR_SOURCE_DIR) + "/resources/appfolder/settings.dat");
    if (defaults.empty()) return false;
    WriteAll(home.File("settings.dat"), defaults);
    return true;
}

struct RealMainWindow {
    std::unique_ptr<audio::IAudioEngine> engine = audio::CreateRealAudioEngine();
    fakes::FakeDesktop desk;
    services::QtEventPump pump;
    services::DesktopServices services;  // the fakes, with the real pump
    std::unique_ptr<app::AppCore> core;
    std::unique_ptr<app::Form1> form;

    // The window over the application folder `home`; the test loads it.
    explicit RealMainWindow(const std::string& home) {
        services = desk.Services();
        services.eventPump = &pump;
        NewMainWindow(core, form, *engine, services, home);
    }
    // Picks a capture device by its listed name, as the user does; false
    // when it is not listed.
    bool SelectDevice(const QString& name) {
        const int index = Control<QComboBox>(*form, "DeviceCombo")->findText(name);
        if (index < 0) return false;
        Control<QComboBox>(*form, "DeviceCombo")->setCurrentIndex(index);
        emit Control<QComboBox>(*form, "DeviceCombo")->activated(index);
        return true;
    }
};

}  // namespace qsr::testing
