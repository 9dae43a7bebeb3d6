#pragma once

// The main window as main() builds it: over an application core that has
// created its components.
#include <memory>
#include <string>

#include "app/AppCore.h"
#include "app/windows/Form1.h"

namespace qsr::testing {

// Replaces form (and the core under it) by a new main window over engine and
// the application folder; the test loads it. Declare core before form, so
// the window goes first.
inline app::Form1& NewMainWindow(std::unique_ptr<app::AppCore>& core,
                                 std::unique_ptr<app::Form1>& form, audio::IAudioEngine& engine,
                                 const services::DesktopServices& desktop,
                                 const std::string& folder) {
    form.reset();
    core = std::make_unique<app::AppCore>(engine, desktop.eventPump, folder);
    core->CreateComponents();
    form = std::make_unique<app::Form1>(*core, desktop);
    return *form;
}

}  // namespace qsr::testing
