#include "recording/SplitRule.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>

#include "recording/OutputNaming.h"
#include "settings/Inifun.h"

namespace qsr::recording {
namespace {

constexpr long long kMaxSeconds = 366LL * 24 * 3600;
constexpr long long kMaxMegabytes = 1'000'000;
constexpr std::uint64_t kMegabyte = 1'000'000;

// A whole number from 1 to `high`, digits only; 0 when it is not one.
long long Whole(const std::string& digits, long long high) {
    if (digits.empty() || digits.size() > 12 ||
        !std::all_of(digits.begin(), digits.end(),
                     [](unsigned char c) { return std::isdigit(c) != 0; }))
        return 0;
    const long long v = std::atoll(digits.c_str());
    return v >= 1 && v <= high ? v : 0;
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

SplitRule SplitFromSettings(const std::string& minutes, const std::string& megabytes) {
    SplitRule rule;
    rule.seconds = Whole(minutes, kMaxSeconds / 60) * 60;
    rule.bytes = static_cast<std::uint64_t>(Whole(megabytes, kMaxMegabytes)) * kMegabyte;
    return rule;
}

SplitRule StoredSplit(const std::string& settingsFile) {
    return SplitFromSettings(settings::ReadIniValue(settingsFile, "set", "splitminutes"),
                             settings::ReadIniValue(settingsFile, "set", "splitmb"));
}

std::function<std::string()> PiecesBeside(const std::string& firstPath) {
    const std::filesystem::path first(firstPath);
    OutputNaming naming;
    naming.outputFolder = first.has_parent_path() ? first.parent_path().string() : ".";
    naming.baseName = first.stem().string();
    naming.extension = first.has_extension() ? first.extension().string().substr(1) : "";
    naming.dateTime = "0";
    naming.existedFile = "0";
    return [naming]() mutable {
        ++naming.listRows;
        return OutputPath(naming);
    };
}

}  // namespace qsr::recording
