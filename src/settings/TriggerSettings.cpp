#include "settings/TriggerSettings.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <variant>

namespace qsr::settings {
namespace {

constexpr const char* kSection = "trigger";

using T = TriggerSettings;

// One key of the section, in the order they are written: a flag ("1" is on,
// anything else off), or a number held in [low, high] (a missing or unreadable
// one keeps the default).
struct TriggerKey {
    const char* key;
    std::variant<bool T::*, double T::*, int T::*> field;
    double low = 0, high = 0;
};
constexpr TriggerKey kKeys[] = {{"startonsound", &T::startOnSound},
                                {"startlevel", &T::startDb, -100, 0},
                                {"starttime", &T::startMs, 0, 60000},
                                {"stoponsilence", &T::stopOnSilence},
                                {"stoptime", &T::stopSeconds, 0.1, 24 * 3600},
                                {"silencelevel", &T::silenceDb, -100, 0},
                                {"pauseonsilence", &T::pauseOnSilence}};

double Number(const std::string& text, double fallback, double low, double high) {
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
    for (const TriggerKey& k : kKeys) {
        const std::string text = ReadIniValue(file, kSection, k.key);
        std::visit(
            [&](auto member) {
                using Field = std::remove_reference_t<decltype(t.*member)>;
                if constexpr (std::is_same_v<Field, bool>)
                    t.*member = text == "1";
                else
                    t.*member = static_cast<Field>(Number(text, t.*member, k.low, k.high));
            },
            k.field);
    }
    return t;
}

SettingsSave SaveTriggerSettings(const std::string& file, const TriggerSettings& t) {
    SettingsSave save(file);
    for (const TriggerKey& k : kKeys) {
        std::visit(
            [&](auto member) {
                using Field = std::remove_cvref_t<decltype(t.*member)>;
                if constexpr (std::is_same_v<Field, bool>)
                    save.Put(kSection, k.key, t.*member ? "1" : "0");
                else
                    save.Put(kSection, k.key, Text(t.*member));
            },
            k.field);
    }
    return save;
}

}  // namespace qsr::settings
