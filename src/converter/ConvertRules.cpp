#include "converter/ConvertRules.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace qsr::converter {

namespace fs = std::filesystem;

std::optional<std::string> LookupInputName(const std::string& path) {
    if (path.empty()) return std::nullopt;
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return std::nullopt;
    const std::string name = fs::path(path).filename().string();
    if (name.empty()) return std::nullopt;
    return name;
}

std::optional<std::string> OutputStem(const std::string& path, const std::string& foundName) {
    const auto dot = foundName.find('.');
    if (foundName.empty() || dot == std::string::npos) return std::nullopt;
    const auto at = path.find(foundName);
    if (at == std::string::npos) return std::nullopt;
    return path.substr(0, at) + foundName.substr(0, dot);
}

std::string Mp3Name(const std::string& stem, int kbps) {
    return stem + "_" + std::to_string(kbps) + "kbps.mp3";
}
std::string OggName(const std::string& stem) {
    return stem + ".ogg";
}
std::string FlacName(const std::string& stem) {
    return stem + ".flac";
}
std::string OpusName(const std::string& stem) {
    return stem + ".opus";
}
std::string WmaName(const std::string& stem, int profile) {
    return stem + "_" + std::to_string(profile) + ".wma";
}

bool IsSameFile(const std::string& source, const std::string& target) {
    std::error_code ec;
    if (fs::equivalent(source, target, ec)) return true;
    // A target that does not exist yet can still be the source spelled
    // differently ("a/../song.ogg"); compare the normalised absolute paths.
    const fs::path a = fs::weakly_canonical(fs::absolute(source), ec);
    const fs::path b = fs::weakly_canonical(fs::absolute(target), ec);
    return !ec && a == b;
}

double AdvancePosition(double position, std::int64_t bytes, double bytesPerUnit,
                       std::int64_t total) {
    if (bytesPerUnit > 0) position += static_cast<double>(bytes) / bytesPerUnit;
    if (total > 0) position = std::min(position, static_cast<double>(total));
    return position;
}

double ProgressPercent(double position, std::int64_t total) {
    if (total <= 0) return 0.0;
    return std::clamp(100.0 * position / static_cast<double>(total), 0.0, 100.0);
}

}  // namespace qsr::converter
