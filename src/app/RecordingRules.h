#pragma once

#include <string>
#include <vector>

#include "app/ProjectFile.h"

namespace qsr::audio {
class IAudioRecorder;
}

namespace qsr::app {

// ---- Record devices -------------------------------------------------------------

struct RecordDevice {
    int index = 0;  // the recorder's
    std::string name;
};

// The devices that can record now, in the recorder's order: usable, and with
// a line to record from (the "Programs" entry has none while no program
// plays). Where the devices are their own lines (the Vista branch), usable is
// enough. Every index up to and including the count is tried: the recorder
// calls the one past the last unusable. `current` receives the recorder's
// current device as the count left it (the count looks at the devices again);
// the recorder is left on the last index tried.
std::vector<RecordDevice> RecordableDevices(audio::IAudioRecorder& recorder, bool devicesAreLines,
                                            int* current = nullptr);

// ---- Texts shown by the recording session, the list and projects ----------

inline constexpr const char* kStatusDone = "Done";
// While an armed recording waits for the level to rise.
inline constexpr const char* kStatusWaiting = "Waiting for sound…";
inline constexpr const char* kDeleteQuestion = "Do you want to delete the selected audio file now?";
inline constexpr const char* kRenameSucceeded = "Rename audio file is  succeeded!";
inline constexpr const char* kRenameFailed = "Rename audio file is  Faild!";
inline constexpr const char* kOpenProjectTitle = "Select a recording project file";
inline constexpr const char* kSaveProjectTitle = "Save recording project file";
// The dialogs' filter, in the file dialog service's (Qt's) form.
inline constexpr const char* kProjectFilter = "Project Files(*.rpf)";

// ---- Rows ---------------------------------------------------------------------

// The one message after recordings interrupted by a crash were listed again.
std::string RecoveredMessage(int count);

// The row a finished recording adds to a list that had rowsBefore rows.
RecordingRow NewRecordingRow(std::size_t rowsBefore, const std::string& path,
                             const std::string& size, const std::string& duration,
                             const std::string& recordTime);

// "NO." of every row set to 1, 2, 3 ... in list order.
void RenumberList(std::vector<RecordingRow>& rows);
// The "NO." text of the row at zero-based index.
std::string RowNumberText(std::size_t index);

// ---- Rename -------------------------------------------------------------------

// old + " is not exist!" (error icon), for a row whose file is gone.
std::string RenameMissingMessage(const std::string& oldPath);

// The input box's prompt.
std::string RenamePrompt(const std::string& oldPath);

enum class RenameStatus {
    Nothing,    // empty answer or Cancel: no message
    Succeeded,  // show kRenameSucceeded (information icon), put newPath into the row
    Failed,     // show kRenameFailed (information icon)
};

struct RenameOutcome {
    RenameStatus status = RenameStatus::Nothing;
    std::string newPath;  // the trimmed answer
    std::string message;  // what to show; empty for Nothing
};

// Renames oldPath to the answer (trimmed; taken as a full path). A rename onto
// the file itself succeeds; a rename onto another existing file is refused
// (it would destroy that file), as is one the file system refuses.
RenameOutcome RenameAudioFile(const std::string& oldPath, const std::string& answer);

}  // namespace qsr::app
