#include "settings/OutputFilesRules.h"

#include "core/Text.h"
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
    choice.dateTime = stored.dateTime;
    choice.overwriteExisting = stored.overwrite;
    choice.storedFolder = stored.outputFolder;
    choice.shownFolder = choice.folder;
    return choice;
}

std::optional<OutputNamingSettings> OutputFilesToStore(const OutputFilesChoice& choice) {
    OutputNamingSettings out;
    out.fileName = core::Trim(choice.fileName);
    if (out.fileName.empty()) return std::nullopt;
    out.outputFolder = core::Trim(choice.folder);
    if (!choice.folderPicked && out.outputFolder == core::Trim(choice.shownFolder))
        out.outputFolder = choice.storedFolder;
    out.dateTime = choice.dateTime;
    out.overwrite = choice.overwriteExisting;
    return out;
}

}  // namespace qsr::settings
