#include "app/RecordingRules.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "core/Text.h"
#include "platform/audio-api/AudioRecorder.h"

namespace qsr::app {
namespace {

bool PathExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

}  // namespace

std::vector<RecordDevice> RecordableDevices(audio::IAudioRecorder& recorder, bool devicesAreLines,
                                            int* current) {
    std::vector<RecordDevice> devices;
    const int count = recorder.DeviceCount();
    if (current) *current = recorder.CurrentDevice();
    for (int i = 0; i <= count; ++i) {
        recorder.SelectDevice(i);
        if (recorder.DeviceUsable() && (devicesAreLines || recorder.SourceLastIndex() >= 0))
            devices.push_back({i, recorder.DeviceName()});
    }
    return devices;
}

std::string RecoveredMessage(int count) {
    if (count == 1)
        return "1 recording interrupted by a crash was recovered and added to the list.";
    return std::to_string(count) +
           " recordings interrupted by a crash were recovered and added to the list.";
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

std::string RenameMissingMessage(const std::string& oldPath) {
    return oldPath + " is not exist!";
}

std::string RenamePrompt(const std::string& oldPath) {
    return "Old audio file name is: " + oldPath + "\n\nPlease enter new Audio file name:";
}

RenameOutcome RenameAudioFile(const std::string& oldPath, const std::string& answer) {
    RenameOutcome outcome;
    outcome.newPath = core::Trim(answer);
    if (outcome.newPath.empty()) return outcome;
    // A name without a folder (or a relative one) is taken in the recording's
    // own folder, never in the program's working folder.
    if (!std::filesystem::path(outcome.newPath).is_absolute())
        outcome.newPath = (std::filesystem::path(oldPath).parent_path() / outcome.newPath).string();

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
