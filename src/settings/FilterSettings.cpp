#include "settings/FilterSettings.h"

#include <array>
#include <utility>

#include "settings/SettingsRules.h"

namespace qsr::settings {
namespace {

constexpr const char* kSection = "other";

using F = FilterSettings;

// A flag and the number it governs, as the keys stand in the section.
struct FilterKeys {
    const char* flag;
    bool F::*on;
    const FilterNumber* number;
};
constexpr std::array<FilterKeys, 4> kFilters{{{"notch", &F::notch, &kNotchFrequency},
                                              {"highpass", &F::highPass, &kHighPassFrequency},
                                              {"lowpass", &F::lowPass, &kLowPassFrequency},
                                              {"autogain", &F::autoGain, &kAgcLowLevel}}};
// The gain control's further numbers, after its low level.
constexpr std::array<const FilterNumber*, 2> kMoreGainNumbers{&kAgcHighLevel, &kAgcAttackTime};

}  // namespace

std::optional<float> StoredFrequency(const std::string& text) {
    float value = 0;
    if (!ConvertSingle(text, value)) return std::nullopt;
    return value;
}

std::optional<std::int32_t> StoredLevel(const std::string& text) {
    std::int32_t value = 0;
    if (!ConvertInt32(text, value)) return std::nullopt;
    return value;
}

FilterSettings ReadFilterSettings(const std::string& file) {
    FilterSettings s;
    auto read = [&](const FilterNumber* n) { s.*(n->text) = ReadIniValue(file, kSection, n->key); };
    for (const FilterKeys& k : kFilters) {
        s.*(k.on) = FlagTestedForOne(ReadIniValue(file, kSection, k.flag));
        read(k.number);
    }
    for (const FilterNumber* n : kMoreGainNumbers) read(n);
    return s;
}

SettingsSave WriteFilterSettings(const std::string& file, const FilterSettings& s) {
    SettingsSave save(file);
    auto write = [&](const FilterNumber* n) { save.Put(kSection, n->key, s.*(n->text)); };
    for (const FilterKeys& k : kFilters) {
        save.Put(kSection, k.flag, s.*(k.on) ? "1" : "0");
        write(k.number);
    }
    for (const FilterNumber* n : kMoreGainNumbers) write(n);
    return save;
}

FilterSettings WithoutFilters(FilterSettings filters) {
    for (const FilterKeys& k : kFilters) filters.*(k.on) = false;
    return filters;
}

}  // namespace qsr::settings
