#pragma once

#include <functional>
#include <string>

namespace qsr::services {

// What the folder choice looks at, so the rule is testable without touching $HOME.
struct AppFolderProbe {
    std::function<std::string(const char*)> env;     // "" when unset
    std::function<bool(const std::string&)> isFile;  // an existing regular file
    std::string executableDir;
};

struct AppFolderChoice {
    std::string folder;
    bool perUser = false;  // the user's own data folder (not $QSR_HOME, not portable)
};

// The application folder: $QSR_HOME when set (tests and explicit choices),
// else the executable's folder when it already holds a settings.dat (a
// portable copy), else $XDG_DATA_HOME/quorvin-sound-recorder (by default
// ~/.local/share/quorvin-sound-recorder). An installed program thus never
// writes beside its binary.
AppFolderChoice ChooseApplicationFolder(const AppFolderProbe& probe);

// The folder recordings go to by default in a per-user folder: the user's
// music folder (as the desktop names it, else ~/Music) + "/Recordings".
std::string DefaultRecordingsFolder();

// Chooses the folder for this process, creates it and copies in what a fresh
// installation ships (settings.dat, skins/frmmain.skn, help/) without
// overwriting anything already there; a per-user folder's fresh settings.dat
// names DefaultRecordingsFolder() as the output folder. Needs a
// Q(Core)Application.
std::string PrepareApplicationFolder();

// The folder + "/" + name.
std::string AppPath(const std::string& folder, const std::string& name);

}  // namespace qsr::services
