#pragma once

#include <optional>
#include <string>

#include "settings/OutputNamingSettings.h"

namespace qsr::settings {

// What the Output Files dialog shows, read from the four naming keys.
struct OutputFilesChoice {
    std::string folder;              // the folder box
    std::string fileName;            // the file-name box
    bool dateTime = true;            // "Date + Time"
    bool overwriteExisting = false;  // "Overwrite the existed file" (else add a number)
    // The stored folder text the box was filled from, and the box's text then:
    // a box left as it was keeps the stored text (so "0", the application
    // folder wherever it moves, stays "0") unless a folder was picked.
    std::string storedFolder;
    std::string shownFolder;
    bool folderPicked = false;  // set through "Browse..."
};

// The base name the dialog offers when none is stored.
inline constexpr const char* kOfferedFileName = "Recorded";

// What the dialog shows of the stored naming:
// - folder: empty or "0" shows the application folder, anything else as stored;
// - file name: empty or "0" shows kOfferedFileName.
OutputFilesChoice ReadOutputFilesChoice(const OutputNamingSettings& stored,
                                        const std::string& applicationFolder);

// What OK stores: folder and name trimmed (an empty folder stays empty; an
// unchanged, unpicked folder keeps its stored text). nullopt when the trimmed
// file name is empty: nothing may be stored then.
std::optional<OutputNamingSettings> OutputFilesToStore(const OutputFilesChoice& choice);

}  // namespace qsr::settings
