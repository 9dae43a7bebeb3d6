#include "recording/OutputNaming.h"

#include <filesystem>
#include <system_error>

#include "core/Text.h"
#include "settings/SettingsRules.h"

namespace qsr::recording {
namespace {

std::string TwoDigits(int value) {
    const int v = ((value % 100) + 100) % 100;
    return std::string{static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
}

// folder + "/" + name, without doubling a separator the folder already ends with.
std::string JoinFolder(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

bool PathExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

// Numbers tried after the first before giving up: far more names than a folder holds.
constexpr std::size_t kNumberingLimit = 1'000'000;

}  // namespace

StartTime LocalStartTime(std::time_t moment) {
    std::tm tm{};
    ::localtime_r(&moment, &tm);
    return StartTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                     tm.tm_hour,        tm.tm_min,     tm.tm_sec};
}

std::string DateTimeStamp(const StartTime& t) {
    return TwoDigits(t.month) + TwoDigits(t.day) + TwoDigits(t.year) + TwoDigits(t.hour) +
           TwoDigits(t.minute) + TwoDigits(t.second);
}

std::string OutputPath(const OutputNaming& naming, const FileExists& exists) {
    const std::string folder =
        settings::OutputFolder(naming.outputFolder, naming.applicationFolder);
    // An empty base name would give a hidden ".WAV": such recordings are "Recorded".
    std::string stem =
        core::Trim(naming.baseName).empty() ? std::string(kDefaultBaseName) : naming.baseName;
    if (naming.dateTime) stem += DateTimeStamp(naming.start);

    std::string path = JoinFolder(folder, stem + "." + naming.extension);
    if (naming.overwrite || !exists(path)) return path;

    // The name is taken and numbering is chosen: the first free "_ N".
    std::string candidate;
    for (std::size_t n = naming.listRows + 1; n <= naming.listRows + kNumberingLimit; ++n) {
        candidate = JoinFolder(folder, stem + "_ " + std::to_string(n) + "." + naming.extension);
        if (!exists(candidate)) break;
    }
    return candidate;
}

std::string OutputPath(const OutputNaming& naming) {
    return OutputPath(naming, PathExists);
}

std::string StartFailedMessage(const std::string& path, const std::string& reason) {
    std::string text = path.empty() ? "Cannot record" : "Cannot record to " + path;
    if (!reason.empty()) text += ": " + reason;
    return text;
}

}  // namespace qsr::recording
