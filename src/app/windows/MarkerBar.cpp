#include "app/windows/MarkerBar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

#include "core/AtomicFile.h"
#include "recording/RecordingSession.h"

namespace qsr::app {

namespace {

// Escape in the box: the label it showed, and the focus back to the window.
class LabelEdit : public QLineEdit {
  public:
    using QLineEdit::QLineEdit;
    std::function<void()> cancel;

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape && cancel) {
            cancel();
            return;
        }
        QLineEdit::keyPressEvent(event);
    }
};

}  // namespace

MarkerBar::MarkerBar(recording::RecordingSession& session, QWidget* window,
                     const std::function<void(const std::string&)>& warn, QWidget* parent)
    : QWidget(parent), session_(session) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    button_ = new QPushButton("Marker", this);
    button_->setObjectName("cmdMarker");
    button_->setToolTip("Set a marker (M); F2 names it");
    button_->setAccessibleName("Marker");
    button_->setEnabled(false);
    auto* edit = new LabelEdit(this);
    label_ = edit;
    label_->setObjectName("txtMarkerLabel");
    label_->setAccessibleName("Marker label");
    label_->setMaxLength(200);
    label_->setMinimumWidth(120);
    label_->hide();
    layout->addWidget(button_);
    // The window places the label box (LabelBox) where its showing moves no
    // button from under the pointer.

    connect(button_, &QPushButton::clicked, this, &MarkerBar::Mark);
    auto* m = new QShortcut(QKeySequence(Qt::Key_M), window);
    m->setObjectName("MarkerKey");
    connect(m, &QShortcut::activated, this, &MarkerBar::Mark);
    auto* f2 = new QShortcut(QKeySequence(Qt::Key_F2), label_);
    f2->setContext(Qt::WindowShortcut);
    connect(f2, &QShortcut::activated, this, [this] {
        if (!label_->isVisible()) return;
        label_->setFocus();
        label_->selectAll();
    });
    connect(label_, &QLineEdit::returnPressed, this, &MarkerBar::Rename);
    edit->cancel = [this] {
        label_->setText(QString::fromStdString(shownLabel_));
        button_->setFocus();
    };
    connect(&session_, &recording::RecordingSession::MarkerAdded, this, &MarkerBar::Shown);
    connect(&session_, &recording::RecordingSession::Started, this, [this] { Recording(true); });
    connect(&session_, &recording::RecordingSession::Finished, this, [this] { Recording(false); });
    connect(&session_, &recording::RecordingSession::MarkersStored, this, &MarkerBar::NoteStored);
    connect(&session_, &recording::RecordingSession::MarkersNotStored, this,
            [this, warn](const std::string& path, const std::string& why) {
                // Told once the stop is over: a message box does not run in its middle.
                const std::string text = core::CouldNotSaveMessage(path, "its markers: " + why);
                QMetaObject::invokeMethod(
                    this,
                    [warn, text] {
                        if (warn) warn(text);
                    },
                    Qt::QueuedConnection);
            });
}

std::size_t MarkerBar::StoredCount(const std::string& path) const {
    const auto it = stored_.find(path);
    return it == stored_.end() ? 0 : it->second;
}

void MarkerBar::Mark() {
    session_.AddMarker();
}

void MarkerBar::Shown(int number, const std::string& label) {
    // A label typed but not yet kept is kept before the box names the next one.
    if (label_->isVisible() && label_->hasFocus()) Rename();
    number_ = number;
    shownLabel_ = label;
    label_->setText(QString::fromStdString(label));
    label_->show();
}

void MarkerBar::Rename() {
    const std::string text = label_->text().trimmed().toStdString();
    if (!text.empty() && number_ > 0 && session_.RenameMarker(number_, text)) shownLabel_ = text;
    label_->setText(QString::fromStdString(shownLabel_));
    button_->setFocus();
}

void MarkerBar::Recording(bool on) {
    button_->setEnabled(on);
    if (on) return;
    label_->hide();
    number_ = 0;
}

}  // namespace qsr::app
