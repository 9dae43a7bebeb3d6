#include "platform/services/windows/QtServices.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QSettings>
#include <QUrl>

namespace qsr::services {
namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

std::optional<std::string> NonEmpty(const QString& s) {
    if (s.isEmpty()) return std::nullopt;
    return s.toStdString();
}

}  // namespace

MsgAnswer QtMessageBox::Show(const std::string& text, MsgIcon icon, MsgButtons buttons,
                             const std::string& title) {
    QMessageBox box;
    box.setText(Q(text));
    box.setWindowTitle(Q(title));
    switch (icon) {
        case MsgIcon::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case MsgIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case MsgIcon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case MsgIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MsgIcon::None:
            break;
    }
    switch (buttons) {
        case MsgButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case MsgButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case MsgButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        case MsgButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Cancel:
            return MsgAnswer::Cancel;
        case QMessageBox::Yes:
            return MsgAnswer::Yes;
        case QMessageBox::No:
            return MsgAnswer::No;
        default:
            return buttons == MsgButtons::OkCancel || buttons == MsgButtons::Ok ? MsgAnswer::Ok
                                                                                : MsgAnswer::Cancel;
    }
}

std::optional<std::string> QtFileDialog::OpenFile(const std::string& title,
                                                  const std::string& filter,
                                                  const std::string& startDir) {
    return NonEmpty(QFileDialog::getOpenFileName(nullptr, Q(title), Q(startDir), Q(filter)));
}

std::optional<std::string> QtFileDialog::SaveFile(const std::string& title,
                                                  const std::string& filter,
                                                  const std::string& startDir) {
    return NonEmpty(QFileDialog::getSaveFileName(nullptr, Q(title), Q(startDir), Q(filter)));
}

std::optional<std::string> QtFolderPicker::PickFolder(const std::string& title,
                                                      const std::string& startDir) {
    return NonEmpty(QFileDialog::getExistingDirectory(nullptr, Q(title), Q(startDir)));
}

std::optional<std::string> QtInputBox::Ask(const std::string& prompt, const std::string& title,
                                           const std::string& defaultText) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(nullptr, Q(title), Q(prompt), QLineEdit::Normal, Q(defaultText), &ok);
    if (!ok) return std::nullopt;
    return text.toStdString();
}

int QtInputBox::Choose(const std::string& prompt, const std::string& title,
                       const std::vector<std::string>& items) {
    QStringList list;
    for (const auto& item : items) list << Q(item);
    bool ok = false;
    const QString chosen = QInputDialog::getItem(nullptr, Q(title), Q(prompt), list, 0, false, &ok);
    if (!ok) return -1;
    return static_cast<int>(list.indexOf(chosen));
}

std::string QtUserSettings::Get(const std::string& app, const std::string& section,
                                const std::string& key, const std::string& defaultValue) {
    QSettings settings("quorvin", Q(app));
    return settings.value(Q(section) + "/" + Q(key), Q(defaultValue)).toString().toStdString();
}

void QtUserSettings::Set(const std::string& app, const std::string& section, const std::string& key,
                         const std::string& value) {
    QSettings settings("quorvin", Q(app));
    settings.setValue(Q(section) + "/" + Q(key), Q(value));
}

bool QtUrlOpener::Open(const std::string& urlOrPath) {
    const QString text = Q(urlOrPath);
    const QUrl url = QFileInfo::exists(text) ? QUrl::fromLocalFile(text) : QUrl(text);
    return QDesktopServices::openUrl(url);
}

bool QtProcessStarter::Start(const std::string& program, const std::vector<std::string>& args) {
    QStringList list;
    for (const auto& a : args) list << Q(a);
    return QProcess::startDetached(Q(program), list);
}

int QtModalRunner::Exec(QDialog& dialog) {
    return dialog.exec();
}

}  // namespace qsr::services
