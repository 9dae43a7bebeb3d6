#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "core/Markers.h"

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace qsr::audio {
class IAudioEngine;
}

namespace qsr::app {

// "Markers" of one recording: its markers by time and label. F2 (or a
// double click on the label) renames one, Delete removes it, Enter or Jump
// plays the recording from it. Every change is written into the file at
// once, as the recording keeps them (atomically); a change that cannot be
// stored is reported and the list shows what the file holds.
class MarkersDialog : public QDialog {
    Q_OBJECT
  public:
    // `playFrom` plays the file from a frame; `warn` shows a message;
    // `busy` says why the file may not be changed now ("" when it may).
    MarkersDialog(std::string path, audio::IAudioEngine& engine,
                  std::function<void(const std::string&, std::int64_t)> playFrom,
                  std::function<void(const std::string&)> warn,
                  std::function<std::string(const std::string&)> busy, QWidget* parent = nullptr);

    const std::vector<core::Marker>& Markers() const { return markers_; }
    QTreeWidget* List() const { return list_; }
    void Rename(int row, const std::string& label);
    void Delete(int row);
    void Jump(int row);

  private:
    void BuildControls();
    void Reload();
    bool Store(std::vector<core::Marker> markers);
    void Edited(QTreeWidgetItem* item, int column);

    std::string path_;
    audio::IAudioEngine& engine_;
    std::function<void(const std::string&, std::int64_t)> playFrom_;
    std::function<void(const std::string&)> warn_;
    std::function<std::string(const std::string&)> busy_;
    std::vector<core::Marker> markers_;
    int rate_ = 0;
    bool filling_ = false;
    QTreeWidget* list_ = nullptr;
    QPushButton* jump_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* close_ = nullptr;
};

}  // namespace qsr::app
