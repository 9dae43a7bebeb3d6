#pragma once

#include <QWidget>
#include <functional>
#include <map>
#include <string>

class QLineEdit;
class QPushButton;

namespace qsr::recording {
class RecordingSession;
}

namespace qsr::app {

// The "Marker" button beside Record, the M key of the main window, and the
// small box that names the marker just set. The box never takes the focus by
// itself (a second M sets a second marker); F2 or a click puts the cursor in
// it, Enter keeps the new label, Escape the old one. The recording goes on
// throughout: the box renames through the session only.
class MarkerBar : public QWidget {
    Q_OBJECT
  public:
    // `window` takes the M and F2 keys; `warn` tells the user what was not stored.
    MarkerBar(recording::RecordingSession& session, QWidget* window,
              const std::function<void(const std::string&)>& warn, QWidget* parent = nullptr);

    // A marker at this moment (button, M, tray, hotkey); nothing without a take.
    void Mark();
    QPushButton* Button() const { return button_; }
    QLineEdit* LabelBox() const { return label_; }
    // How many markers a file recorded (or recovered) in this run holds; 0
    // when none or not known.
    std::size_t StoredCount(const std::string& path) const;
    void NoteStored(const std::string& path, std::size_t count) { stored_[path] = count; }

  private:
    void Shown(int number, const std::string& label);
    void Rename();
    void Recording(bool on);

    recording::RecordingSession& session_;
    QPushButton* button_ = nullptr;
    QLineEdit* label_ = nullptr;
    int number_ = 0;  // the marker the box names
    std::string shownLabel_;
    std::map<std::string, std::size_t> stored_;
};

}  // namespace qsr::app
