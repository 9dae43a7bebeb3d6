#include "settings/OutputFilesRules.h"

#include "core/Text.h"
#include "settings/Inifun.h"
#include "settings/SettingsRules.h"

namespace qsr::settings {
namespace {

// Empty, or a number equal to 0: the reader's "not set".
bool UnsetText(const std::string& text) {
    const std::string trimmed = core::Trim(text);
    if (trimmed.empty()) return true;
    const auto number = ParseNumber(trimmed);
    return number && *number == 0.0;
}

}  // namespace

OutputFilesChoice ReadOutputFilesChoice(const OutputNamingSettings& stored,
                                        const std::string& applicationFolder) {
    OutputFilesChoice choice;
    choice.folder = OutputFolder(stored.outputFolder, applicationFolder);
    // A name no file can have is refused as it is read: the dialog offers its own.
    choice.fileName = UnsetText(stored.fileName) || stored.fileName.size() > kMaxFileNameBytes
                          ? kOfferedFileName
                          : stored.fileName;
    choice.dateTime = FlagTestedForOne(stored.dateTime);
    choice.overwriteExisting = !ValueTestedForZero(stored.existedFile);
    return choice;
}

std::optional<OutputNamingSettings> OutputFilesToStore(const OutputFilesChoice& choice) {
    OutputNamingSettings out;
    out.fileName = core::Trim(choice.fileName);
    if (out.fileName.empty()) return std::nullopt;
    out.outputFolder = core::Trim(choice.folder);
    out.dateTime = choice.dateTime ? "1" : "0";
    out.existedFile = choice.overwriteExisting ? "1" : "0";
    return out;
}

void WriteOutputNamingSettings(const std::string& settingsFile,
                               const OutputNamingSettings& settings) {
    WriteIniValue(settingsFile, "set", "outputfolder", settings.outputFolder);
    WriteIniValue(settingsFile, "set", "filename", settings.fileName);
    WriteIniValue(settingsFile, "set", "datetime", settings.dateTime);
    WriteIniValue(settingsFile, "set", "existedfile", settings.existedFile);
}

}  // namespace qsr::settings
