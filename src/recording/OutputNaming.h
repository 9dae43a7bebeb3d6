#pragma once

#include <ctime>
#include <functional>
#include <string>

namespace qsr::recording {

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

// The naming settings read afresh at each start, plus what the window knows.
struct OutputNaming {
    std::string outputFolder;       // `outputfolder`, as stored
    std::string applicationFolder;  // used when outputFolder is empty or "0"
    std::string baseName;           // `filename`
    bool dateTime = true;           // appends the start time
    bool overwrite = false;         // replaces a taken name; else it is numbered
    std::string extension;          // the output format list's text, e.g. "MP3"
    std::size_t listRows = 0;       // rows in the recordings list
    StartTime start;
};

using FileExists = std::function<bool(const std::string&)>;

// The base name of a recording whose stored base name is empty or blank.
inline constexpr const char* kDefaultBaseName = "Recorded";

// The recording's full path: folder + "/" + base [+ stamp] + "." + ext (base
// kDefaultBaseName when empty). When
// that name is taken and numbering is chosen, the name becomes
// base[stamp] + "_" + " N" + "." + ext with N = listRows + 1, moving on to the
// next number until the name is free (an earlier recording is never
// overwritten, also not when two start within the same second).
std::string OutputPath(const OutputNaming& naming, const FileExists& exists);

// Same, asking the file system whether a name is taken.
std::string OutputPath(const OutputNaming& naming);

// One message for a recording that could not start: names the file (when
// one was named) and why.
std::string StartFailedMessage(const std::string& path, const std::string& reason);

}  // namespace qsr::recording
