#pragma once

#include <functional>
#include <string>

namespace qsr::services {

// What the folder choice looks at, so the rule is testable without touching $HOME.
struct AppFolderProbe {
    std::function<std::string(const char*)> env;            // "" when unset
    std::function<bool(const std::string&)> isWritableDir;  // existing and writable
    std::string executableDir;
};

// The application folder: $QSR_HOME when set, else the executable's folder when
// it is writable, else ~/.local/share/quorvin-sound-recorder.
std::string ChooseApplicationFolder(const AppFolderProbe& probe);

// Chooses the folder for this process, creates it and copies in what a fresh
// installation ships (settings.dat, skins/frmmain.skn, help/) without
// overwriting anything already there. Needs a Q(Core)Application.
std::string PrepareApplicationFolder();

// The folder + "/" + name.
std::string AppPath(const std::string& folder, const std::string& name);

}  // namespace qsr::services
