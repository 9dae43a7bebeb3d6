#include "platform/services/AppFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <cstdlib>

// Q_INIT_RESOURCE declares a function and so must stand outside any namespace.
static void InitShippedResources() {
    Q_INIT_RESOURCE(resources);
}

namespace qsr::services {

std::string ChooseApplicationFolder(const AppFolderProbe& probe) {
    const std::string home = probe.env("QSR_HOME");
    if (!home.empty()) return home;
    if (!probe.executableDir.empty() && probe.isWritableDir(probe.executableDir))
        return probe.executableDir;
    std::string dataHome = probe.env("XDG_DATA_HOME");
    if (dataHome.empty()) dataHome = probe.env("HOME") + "/.local/share";
    return dataHome + "/quorvin-sound-recorder";
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

}  // namespace

std::string PrepareApplicationFolder() {
    AppFolderProbe probe;
    probe.env = [](const char* name) {
        const char* v = std::getenv(name);
        return std::string(v ? v : "");
    };
    probe.isWritableDir = [](const std::string& dir) {
        const QFileInfo info(QString::fromStdString(dir));
        return info.isDir() && info.isWritable();
    };
    probe.executableDir = QCoreApplication::applicationDirPath().toStdString();
    const std::string folder = ChooseApplicationFolder(probe);
    QDir().mkpath(QString::fromStdString(folder));
    SeedFromResources(QString::fromStdString(folder));
    return folder;
}

}  // namespace qsr::services
