#include "platform/services/AppFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdlib>

#include "core/AtomicFile.h"
#include "core/TextFile.h"

// Q_INIT_RESOURCE declares a function and so must stand outside any namespace.
static void InitShippedResources() {
    Q_INIT_RESOURCE(resources);
}

namespace qsr::services {

AppFolderChoice ChooseApplicationFolder(const AppFolderProbe& probe) {
    const std::string home = probe.env("QSR_HOME");
    if (!home.empty()) return {home, false};
    if (!probe.executableDir.empty() && probe.isFile(probe.executableDir + "/settings.dat"))
        return {probe.executableDir, false};
    std::string dataHome = probe.env("XDG_DATA_HOME");
    if (dataHome.empty()) dataHome = probe.env("HOME") + "/.local/share";
    return {dataHome + "/quorvin-sound-recorder", true};
}

std::string DefaultRecordingsFolder() {
    QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (music.isEmpty()) music = QDir::homePath() + "/Music";
    return (music + "/Recordings").toStdString();
}

std::string AppPath(const std::string& folder, const std::string& name) {
    return folder + "/" + name;
}

namespace {

// Copies every shipped file below :/appfolder that the folder lacks.
void SeedFromResources(const QString& folder) {
    InitShippedResources();
    QDirIterator it(":/appfolder", QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString relative = source.mid(QStringLiteral(":/appfolder/").size());
        const QString target = folder + "/" + relative;
        if (QFileInfo::exists(target)) continue;
        QDir().mkpath(QFileInfo(target).absolutePath());
        if (QFile::copy(source, target)) {
            // Resource copies are read-only; the user's copy must be writable.
            QFile::setPermissions(target, QFile::permissions(target) | QFile::WriteOwner);
        }
    }
}

// The shipped settings file is small; anything larger is the user's own.
constexpr std::size_t kShippedSettingsBytes = 64 * 1024;

// A fresh user's recordings go to the music folder, not into the program's
// data folder. The shipped file holds "outputfolder=0" on a line of its own.
void NameRecordingsFolder(const QString& settingsFile) {
    const std::string path = settingsFile.toStdString();
    auto read = core::ReadTextFile(path, kShippedSettingsBytes);
    if (!read.ok) return;
    std::string& text = read.text;
    const std::string shipped = "\noutputfolder=0\n";
    const auto at = text.find(shipped);
    if (at == std::string::npos) return;
    text.replace(at, shipped.size(), "\noutputfolder=" + DefaultRecordingsFolder() + "\n");
    core::WriteFileAtomically(path, text);
}

}  // namespace

std::string PrepareApplicationFolder() {
    AppFolderProbe probe;
    probe.env = [](const char* name) {
        const char* v = std::getenv(name);
        return std::string(v ? v : "");
    };
    probe.isFile = [](const std::string& path) {
        return QFileInfo(QString::fromStdString(path)).isFile();
    };
    probe.executableDir = QCoreApplication::applicationDirPath().toStdString();
    const AppFolderChoice choice = ChooseApplicationFolder(probe);
    const QString folder = QString::fromStdString(choice.folder);
    QDir().mkpath(folder);
    const bool freshSettings = !QFileInfo::exists(folder + "/settings.dat");
    SeedFromResources(folder);
    if (choice.perUser && freshSettings) NameRecordingsFolder(folder + "/settings.dat");
    return choice.folder;
}

}  // namespace qsr::services
