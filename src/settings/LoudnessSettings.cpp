#include "settings/LoudnessSettings.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace qsr::settings {
namespace {

constexpr const LoudnessNumber* kNumbers[] = {&kNormaliseTarget, &kNormaliseCeiling};

// Tenths of a dB count: the settings' shared number reading rounds to whole numbers.
std::optional<double> Decimal(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::string Text(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

}  // namespace

LoudnessSettings ReadLoudnessSettings(const std::string& file) {
    LoudnessSettings s;
    // On only when stored as on: the older flags' reading takes an absent one as on.
    s.normalise = ReadIniValue(file, kLoudnessSection, kNormaliseKey) == "1";
    for (const LoudnessNumber* n : kNumbers) {
        const auto v = Decimal(ReadIniValue(file, kLoudnessSection, n->key));
        s.*(n->value) = v && *v >= n->minimum && *v <= n->maximum ? *v : n->fallback;
    }
    return s;
}

SettingsSave WriteLoudnessSettings(const std::string& file, const LoudnessSettings& s) {
    SettingsSave save(file);
    save.Put(kLoudnessSection, kNormaliseKey, s.normalise ? "1" : "0");
    for (const LoudnessNumber* n : kNumbers)
        save.Put(kLoudnessSection, n->key, Text(s.*(n->value)));
    return save;
}

}  // namespace qsr::settings
