#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "app/ProjectFile.h"

namespace qsr::app {

// ---- Texts shown by the recording session, the list and projects ----------

inline constexpr const char* kStatusDone = "Done";
inline constexpr const char* kDeleteQuestion = "Do you want to delete the selected audio file now?";
inline constexpr const char* kRenameSucceeded = "Rename audio file is  succeeded!";
inline constexpr const char* kRenameFailed = "Rename audio file is  Faild!";
inline constexpr const char* kOpenProjectTitle = "Select a recording project file";
inline constexpr const char* kSaveProjectTitle = "Save recording project file";
// The dialogs' filter, in the file dialog service's (Qt's) form.
inline constexpr const char* kProjectFilter = "Project Files(*.rpf)";

// ---- Output path ------------------------------------------------------------

// Local date and time at which a recording starts.
struct StartTime {
    int year = 2000;  // four digits
    int month = 1;    // 1..12
    int day = 1;      // 1..31
    int hour = 0;     // 0..23
    int minute = 0;
    int second = 0;
};

// The local date and time of a moment.
StartTime LocalStartTime(std::time_t moment);

// "mmddyyhhmmss": 7 Dec 2026 14:05:09 gives "120726140509".
std::string DateTimeStamp(const StartTime& t);

// The settings read afresh at each start, as stored (texts), plus what the
// window knows.
struct OutputNaming {
    std::string outputFolder;       // `outputfolder`
    std::string applicationFolder;  // used when outputFolder is empty or "0"
    std::string baseName;           // `filename`
    std::string dateTime;           // `datetime`: "1" (or absent) appends the start time
    std::string existedFile;        // `existedfile`: "0" (or absent) numbers a taken name
    std::string extension;          // the output format list's text, e.g. "MP3"
    std::size_t listRows = 0;       // rows in the recordings list
    StartTime start;
};

using FileExists = std::function<bool(const std::string&)>;

// The recording's full path: folder + "/" + base [+ stamp] + "." + ext. When
// that name is taken and numbering is chosen, the name becomes
// base[stamp] + "_" + " N" + "." + ext with N = listRows + 1, moving on to the
// next number until the name is free (an earlier recording is never
// overwritten, also not when two start within the same second).
std::string OutputPath(const OutputNaming& naming, const FileExists& exists);

// Same, asking the file system whether a name is taken.
std::string OutputPath(const OutputNaming& naming);

// One message for a recording that could not start: names the file and why.
std::string StartFailedMessage(const std::string& path, const std::string& reason);

// ---- Texts of a recording -----------------------------------------------------

// "m:ss.mmm": 75042 ms gives "1:15.042"; minutes take as many digits as needed.
// A negative time shows as 0:00.000.
std::string ElapsedText(std::int64_t milliseconds);

// bytes / 1048576 with up to two decimals and "MB": 1572864 gives "1.5MB",
// 1048576 gives "1MB".
std::string SizeText(std::uint64_t bytes);

// SizeText of a file's size; empty when the file cannot be examined.
std::string FileSizeText(const std::string& path);

// The row a finished recording adds to a list that had rowsBefore rows.
RecordingRow NewRecordingRow(std::size_t rowsBefore, const std::string& path,
                             const std::string& size, const std::string& duration,
                             const std::string& recordTime);

// "NO." of every row set to 1, 2, 3 ... in list order.
void RenumberList(std::vector<RecordingRow>& rows);
// The "NO." text of the row at zero-based index.
std::string RowNumberText(std::size_t index);

// ---- Playback arithmetic ------------------------------------------------------

inline constexpr int kSliderMax = 1000;  // slPosition runs 0..1000
inline constexpr int kPlayBlockMs = 200;
inline constexpr long kVisualFrame = 4096;

// The sample the slider points to: whole part of total × value / 1000
// (500 on 441000 samples gives 220500). The value is held within 0..1000.
std::int64_t SliderToSample(int sliderValue, std::int64_t totalSamples);

// The slider value for a position: position / total, capped at 1, × 1000,
// to the nearest whole number; 0 when the total is not positive.
int SampleToSlider(std::int64_t position, std::int64_t totalSamples);

// Where playback is: the player's count since its last start plus the offset
// at which it was started.
std::int64_t PlaybackPosition(std::int64_t offset, std::int64_t playedSinceStart);

// The offset after a pause: it grows by what the player played since its start.
std::int64_t OffsetAfterPause(std::int64_t offset, std::int64_t playedSinceStart);

// Samples of the file left after position (0 when past the end).
std::int64_t RemainingSamples(std::int64_t position, std::int64_t totalSamples);

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
