#include "app/OsName.h"

namespace qsr::app {

std::string OsNameFor(const OsVersion& version) {
    if (version.platform == kPlatform9x) {
        switch (version.minor) {
            case 0:
                return "Windows95";
            case 10:
                return "Windows98";
            case 90:
                return "WindowsMillennium";
            default:
                return "";
        }
    }
    if (version.platform == kPlatformNT) {
        switch (version.major) {
            case 3:
                return "WindowsNT3.51";
            case 4:
                return "WindowsNT4.0";
            case 5:
                return version.minor == 0 ? "Windows2000" : "WindowsXP";
            case 6:
                return "WindowsVista";
            default:
                return "";
        }
    }
    return "Failed";
}

OsVersion QueryOsVersion() {
    // No Windows version record exists here; platform 0 is "not Windows".
    return OsVersion{0, 0, 0};
}

}  // namespace qsr::app
