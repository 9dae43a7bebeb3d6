#include "desktop/windows/frmtray.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <exception>

namespace qsr::desktop {
namespace {

// A red recording dot, so the icon needs no image file.
QIcon RecorderIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(40, 40, 40));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(1, 1, 30, 30, 6, 6);
    painter.setBrush(QColor(220, 30, 30));
    painter.drawEllipse(7, 7, 18, 18);
    return QIcon(pixmap);
}

void Call(const std::function<void()>& target) {
    if (target) target();
}

}  // namespace

std::string TrayTip(const std::string& title) {
    return title.size() > 63 ? title.substr(0, 63) : title;
}

frmtray::frmtray(const std::string& title, TrayTargets targets, QWidget* parent)
    : QWidget(parent), targets_(std::move(targets)) {
    setObjectName("frmtray");
    setWindowTitle("systray");
    setWindowIcon(RecorderIcon());

    mPopupSys_ = new QMenu("SysTray", this);
    mPopupSys_->setObjectName("mPopupSys");
    auto add = [this](const char* name, const char* caption, void (frmtray::*handler)()) {
        QAction* action = mPopupSys_->addAction(caption);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, handler);
    };
    auto separator = [this](const char* name) { mPopupSys_->addSeparator()->setObjectName(name); };
    add("web", "Quorvin Sound Recorder On the Web", &frmtray::web_Click);
    add("Help", "Help", &frmtray::Help_Click);
    separator("tfd");
    add("maindisp", "Quorvin Sound Recorder", &frmtray::maindisp_Click);
    separator("a5");
    add("Option", "Settings", &frmtray::Option_Click);
    separator("fg2");
    add("settings", "Record Now", &frmtray::settings_Click);
    add("Restore", "Stop Record", &frmtray::Restore_Click);
    add("Marker", "Marker", &frmtray::Marker_Click);
    separator("a3");
    add("Exit", "Exit", &frmtray::Exit_Click);

    icon_ = new QSystemTrayIcon(RecorderIcon(), this);
    icon_->setToolTip(QString::fromStdString(TrayTip(title)));
    icon_->setContextMenu(mPopupSys_);
    connect(icon_, &QSystemTrayIcon::activated, this, &frmtray::OnActivated);
}

frmtray::~frmtray() = default;

void frmtray::AddIcon() {
    // Not checked: without a tray the program simply runs without the icon.
    icon_->show();
}

void frmtray::DeleteIcon() {
    icon_->hide();
}

bool frmtray::IconShown() const {
    return icon_->isVisible();
}

void frmtray::OnActivated(QSystemTrayIcon::ActivationReason reason) {
    // The context menu itself is popped up by Qt on a right click.
    if (reason == QSystemTrayIcon::Trigger) Form_MouseMove(kIconLeftButtonUp);
}

void frmtray::Form_MouseMove(int message) {
    if (message == kIconLeftButtonUp) {
        Call(targets_.showMain);
    } else if (message == kIconRightButtonUp) {
        activateWindow();
        mPopupSys_->popup(QCursor::pos());
    }
}

void frmtray::web_Click() {
    Call(targets_.openWeb);
}
void frmtray::Help_Click() {
    Call(targets_.openHelp);
}
void frmtray::maindisp_Click() {
    Call(targets_.showMain);
}
void frmtray::Option_Click() {
    Call(targets_.showSettings);
}
void frmtray::settings_Click() {
    Call(targets_.startRecord);
}
void frmtray::Marker_Click() {
    Call(targets_.setMarker);
}

void frmtray::Restore_Click() {
    Call(targets_.stopRecord);
}
void frmtray::Exit_Click() {
    // A failure on the way out must not keep the program from ending.
    try {
        Call(targets_.exitSystem);
    } catch (const std::exception&) {
    }
}

}  // namespace qsr::desktop
