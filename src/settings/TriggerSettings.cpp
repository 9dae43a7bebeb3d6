#include "settings/TriggerSettings.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "settings/Inifun.h"

namespace qsr::settings {
namespace {

constexpr const char* kSection = "trigger";

double Number(const std::string& file, const char* key, double fallback, double low, double high) {
    const std::string text = ReadIniValue(file, kSection, key);
    if (text.empty()) return fallback;
    // The C locale's decimal point, whatever the user's locale.
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    double v = 0;
    if (!(in >> v) || !std::isfinite(v)) return fallback;
    return std::clamp(v, low, high);
}

std::string Text(double v) {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << v;
    return out.str();
}

}  // namespace

TriggerSettings LoadTriggerSettings(const std::string& file) {
    TriggerSettings t;
    t.startOnSound = ReadIniValue(file, kSection, "startonsound") == "1";
    t.startDb = Number(file, "startlevel", t.startDb, -100, 0);
    t.startMs = static_cast<int>(Number(file, "starttime", t.startMs, 0, 60000));
    t.stopOnSilence = ReadIniValue(file, kSection, "stoponsilence") == "1";
    t.stopSeconds = Number(file, "stoptime", t.stopSeconds, 0.1, 24 * 3600);
    t.silenceDb = Number(file, "silencelevel", t.silenceDb, -100, 0);
    t.pauseOnSilence = ReadIniValue(file, kSection, "pauseonsilence") == "1";
    return t;
}

void SaveTriggerSettings(const std::string& file, const TriggerSettings& t) {
    WriteIniValue(file, kSection, "startonsound", t.startOnSound ? "1" : "0");
    WriteIniValue(file, kSection, "startlevel", Text(t.startDb));
    WriteIniValue(file, kSection, "starttime", Text(t.startMs));
    WriteIniValue(file, kSection, "stoponsilence", t.stopOnSilence ? "1" : "0");
    WriteIniValue(file, kSection, "stoptime", Text(t.stopSeconds));
    WriteIniValue(file, kSection, "silencelevel", Text(t.silenceDb));
    WriteIniValue(file, kSection, "pauseonsilence", t.pauseOnSilence ? "1" : "0");
}

}  // namespace qsr::settings
