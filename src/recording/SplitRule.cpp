#include "recording/SplitRule.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>

#include "recording/OutputNaming.h"
#include "settings/OutputNamingSettings.h"

namespace qsr::recording {
namespace {

constexpr long long kMaxSeconds = settings::kSplitMaxMinutes * 60;
constexpr long long kMaxMegabytes = settings::kSplitMaxMegabytes;
constexpr std::uint64_t kMegabyte = 1'000'000;

// A whole number from 1 to `high`, digits only; 0 when it is not one.
long long Whole(const std::string& digits, long long high) {
    return settings::SplitMeasure(digits, high);
}

}  // namespace

std::optional<SplitRule> ParseSplit(const std::string& text) {
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const auto unitAt = lower.find_first_not_of("0123456789");
    if (unitAt == std::string::npos || unitAt == 0) return std::nullopt;
    const std::string number = lower.substr(0, unitAt);
    const std::string unit = lower.substr(unitAt);
    SplitRule rule;
    if (unit == "s") {
        rule.seconds = Whole(number, kMaxSeconds);
    } else if (unit == "m") {
        rule.seconds = Whole(number, kMaxSeconds / 60) * 60;
    } else if (unit == "mb") {
        rule.bytes = static_cast<std::uint64_t>(Whole(number, kMaxMegabytes)) * kMegabyte;
    }
    if (rule.Off()) return std::nullopt;
    return rule;
}

SplitRule SplitFromSettings(const settings::SplitSettings& stored) {
    SplitRule rule;
    rule.seconds = std::clamp<long long>(stored.minutes, 0, kMaxSeconds / 60) * 60;
    rule.bytes =
        static_cast<std::uint64_t>(std::clamp<long long>(stored.megabytes, 0, kMaxMegabytes)) *
        kMegabyte;
    return rule;
}

SplitRule StoredSplit(const std::string& settingsFile) {
    return SplitFromSettings(settings::ReadSplitSettings(settingsFile));
}

std::function<std::string()> PiecesBeside(const std::string& firstPath) {
    const std::filesystem::path first(firstPath);
    OutputNaming naming;
    naming.outputFolder = first.has_parent_path() ? first.parent_path().string() : ".";
    naming.baseName = first.stem().string();
    naming.extension = first.has_extension() ? first.extension().string().substr(1) : "";
    naming.dateTime = false;
    naming.overwrite = false;
    return [naming]() mutable {
        ++naming.listRows;
        return OutputPath(naming);
    };
}

}  // namespace qsr::recording
