#pragma once

#include <string>

namespace qsr::app {

// The version record of the running system as the device-list branch needs it.
struct OsVersion {
    int platform = 0;  // 1 = Windows 9x family, 2 = NT family, anything else = not Windows
    int major = 0;
    int minor = 0;
};

inline constexpr int kPlatform9x = 1;
inline constexpr int kPlatformNT = 2;

// Name of the system for (platform, major, minor): "Windows95" … "WindowsVista",
// empty text for an unknown Windows version, "Failed" for any other platform.
std::string OsNameFor(const OsVersion& version);

// The version of the system this program runs on. Linux is not a Windows
// platform, so its name is "Failed" and the ordinary device branch runs.
OsVersion QueryOsVersion();

}  // namespace qsr::app
