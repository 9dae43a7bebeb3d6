#pragma once

#include <optional>
#include <string>

#include "settings/ApplySettings.h"

namespace qsr::settings {

// What the Output Files dialog shows, read from the four naming keys.
struct OutputFilesChoice {
    std::string folder;              // the folder box
    std::string fileName;            // the file-name box
    bool dateTime = true;            // "Date + Time"
    bool overwriteExisting = false;  // "Overwrite the existed file" (else add a number)
};

// The base name the dialog offers when none is stored.
inline constexpr const char* kOfferedFileName = "Recorded";

// The dialog's reading of the stored texts:
// - folder: empty or "0" shows the application folder, anything else as stored;
// - file name: empty or "0" shows kOfferedFileName;
// - date and time: ticked unless the text is a number other than 1;
// - overwrite: only for a number other than 0.
OutputFilesChoice ReadOutputFilesChoice(const OutputNamingSettings& stored,
                                        const std::string& applicationFolder);

// The texts OK stores: folder and name trimmed (an empty folder stays empty),
// "1"/"0" for date and time, "0" to add a number and "1" to overwrite.
// nullopt when the trimmed file name is empty: nothing may be stored then.
std::optional<OutputNamingSettings> OutputFilesToStore(const OutputFilesChoice& choice);

// Writes the four keys of section "set", one after the other.
void WriteOutputNamingSettings(const std::string& settingsFile,
                               const OutputNamingSettings& settings);

}  // namespace qsr::settings
