#include "app/RecordingRules.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "settings/SettingsRules.h"

namespace qsr::app {
namespace {

std::string TwoDigits(int value) {
    const int v = ((value % 100) + 100) % 100;
    return std::string{static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
}

std::string PaddedNumber(std::int64_t value, int width) {
    std::string text = std::to_string(value);
    if (static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), '0');
    return text;
}

std::string TrimBlanks(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
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
    std::string stem = naming.baseName;
    if (settings::FlagTestedForOne(naming.dateTime)) stem += DateTimeStamp(naming.start);

    const std::string path = JoinFolder(folder, stem + "." + naming.extension);
    if (!settings::ValueTestedForZero(naming.existedFile) || !exists(path)) return path;

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
    std::string text = "Cannot record to " + path;
    if (!reason.empty()) text += ": " + reason;
    return text;
}

std::string ElapsedText(std::int64_t milliseconds) {
    const std::int64_t t = milliseconds < 0 ? 0 : milliseconds;
    const std::int64_t minutes = t / 60000;
    const std::int64_t seconds = t / 1000 - 60 * minutes;
    return std::to_string(minutes) + ":" + PaddedNumber(seconds, 2) + "." +
           PaddedNumber(t % 1000, 3);
}

std::string SizeText(std::uint64_t bytes) {
    constexpr std::uint64_t kMb = 1048576;
    std::uint64_t whole = bytes / kMb;
    // Hundredths, rounded half away from zero as the "0.##" pattern does.
    std::uint64_t hundredths = ((bytes % kMb) * 100 + kMb / 2) / kMb;
    if (hundredths == 100) {
        ++whole;
        hundredths = 0;
    }
    std::string text = std::to_string(whole);
    if (hundredths != 0) {
        text += '.';
        text += static_cast<char>('0' + hundredths / 10);
        if (hundredths % 10 != 0) text += static_cast<char>('0' + hundredths % 10);
    }
    return text + "MB";
}

std::string FileSizeText(const std::string& path) {
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(path, ec);
    if (ec) return {};
    return SizeText(bytes);
}

RecordingRow NewRecordingRow(std::size_t rowsBefore, const std::string& path,
                             const std::string& size, const std::string& duration,
                             const std::string& recordTime) {
    return RecordingRow{RowNumberText(rowsBefore), path, size, duration, recordTime};
}

std::string RowNumberText(std::size_t index) {
    return std::to_string(index + 1);
}

void RenumberList(std::vector<RecordingRow>& rows) {
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i].number = RowNumberText(i);
}

std::int64_t SliderToSample(int sliderValue, std::int64_t totalSamples) {
    if (totalSamples <= 0) return 0;
    const std::int64_t value = sliderValue < 0            ? 0
                               : sliderValue > kSliderMax ? kSliderMax
                                                          : sliderValue;
    // Split the product so that no realistic total can overflow.
    return totalSamples / kSliderMax * value + totalSamples % kSliderMax * value / kSliderMax;
}

int SampleToSlider(std::int64_t position, std::int64_t totalSamples) {
    if (totalSamples <= 0 || position <= 0) return 0;
    if (position >= totalSamples) return kSliderMax;
    const double fraction = static_cast<double>(position) / static_cast<double>(totalSamples);
    return static_cast<int>(fraction * kSliderMax + 0.5);
}

std::int64_t PlaybackPosition(std::int64_t offset, std::int64_t playedSinceStart) {
    return offset + playedSinceStart;
}

std::int64_t OffsetAfterPause(std::int64_t offset, std::int64_t playedSinceStart) {
    return offset + playedSinceStart;
}

std::int64_t RemainingSamples(std::int64_t position, std::int64_t totalSamples) {
    return position >= totalSamples ? 0 : totalSamples - position;
}

std::string RenameMissingMessage(const std::string& oldPath) {
    return oldPath + " is not exist!";
}

std::string RenamePrompt(const std::string& oldPath) {
    return "Old audio file name is: " + oldPath + "\n\nPlease enter new Audio file name:";
}

RenameOutcome RenameAudioFile(const std::string& oldPath, const std::string& answer) {
    RenameOutcome outcome;
    outcome.newPath = TrimBlanks(answer);
    if (outcome.newPath.empty()) return outcome;

    const auto fail = [&outcome] {
        outcome.status = RenameStatus::Failed;
        outcome.message = kRenameFailed;
        return outcome;
    };
    const auto succeed = [&outcome] {
        outcome.status = RenameStatus::Succeeded;
        outcome.message = kRenameSucceeded;
        return outcome;
    };

    std::error_code ec;
    if (!PathExists(oldPath)) return fail();
    // The same file under its own (or another) name of it: nothing to move.
    if (PathExists(outcome.newPath) && std::filesystem::equivalent(oldPath, outcome.newPath, ec))
        return succeed();

    // Refuse to replace another file, atomically where the file system can.
    if (::renameat2(AT_FDCWD, oldPath.c_str(), AT_FDCWD, outcome.newPath.c_str(),
                    RENAME_NOREPLACE) != 0) {
        if (errno != EINVAL && errno != ENOSYS) return fail();
        if (PathExists(outcome.newPath) ||
            std::rename(oldPath.c_str(), outcome.newPath.c_str()) != 0)
            return fail();
    }
    return PathExists(outcome.newPath) ? succeed() : fail();
}

}  // namespace qsr::app
