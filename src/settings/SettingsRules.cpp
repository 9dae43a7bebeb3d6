#include "settings/SettingsRules.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "core/OutputFormats.h"
#include "core/Text.h"

namespace qsr::settings {
namespace {

template <typename Int>
bool ConvertInt(const std::string& text, Int& target) {
    const auto number = ParseNumber(text);
    if (!number) return false;
    const double rounded = std::nearbyint(*number);  // default mode: half to even
    if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<Int>::max()))
        return false;
    target = static_cast<Int>(rounded);
    return true;
}

}  // namespace

std::optional<double> ParseNumber(const std::string& text) {
    const std::string t = core::Trim(text, core::kSpacesAndTabs);
    if (t.empty()) return std::nullopt;
    // Plain decimal only: no hex, no "inf"/"nan" that strtod would take.
    for (char c : t) {
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.' ||
              c == 'e' || c == 'E'))
            return std::nullopt;
    }
    char* end = nullptr;
    const double value = std::strtod(t.c_str(), &end);
    if (end != t.c_str() + t.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

bool FlagTestedForOne(const std::string& text) {
    const auto number = ParseNumber(text);
    return !number || *number == 1.0;
}

bool ValueTestedForZero(const std::string& text) {
    const auto number = ParseNumber(text);
    return !number || *number == 0.0;
}

bool ConvertInt16(const std::string& text, std::int16_t& target) {
    return ConvertInt(text, target);
}

bool ConvertInt32(const std::string& text, std::int32_t& target) {
    return ConvertInt(text, target);
}

bool ConvertSingle(const std::string& text, float& target) {
    const auto number = ParseNumber(text);
    if (!number || std::fabs(*number) > std::numeric_limits<float>::max()) return false;
    target = static_cast<float>(*number);
    return true;
}

int OutputFormatIndex(const std::string& text) {
    std::int32_t index = 0;
    ConvertInt32(text, index);
    const auto count = static_cast<std::int32_t>(core::RecordingFormats().size());
    return index >= 0 && index < count ? index : 0;
}

std::string OutputFolder(const std::string& stored, const std::string& applicationFolder) {
    std::string folder = core::Trim(stored, core::kSpacesAndTabs);
    if (folder.empty()) return applicationFolder;
    const auto number = ParseNumber(folder);
    if (number && *number == 0.0) return applicationFolder;
    return folder;
}

}  // namespace qsr::settings
