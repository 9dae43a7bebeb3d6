#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "core/Markers.h"
#include "recording/MarkerSplitWork.h"
#include "settings/FormatValues.h"

class QProgressBar;
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
// "Split at markers…" writes the recording's pieces beside it in a worker,
// with a progress bar and Cancel (closing the window cancels too).
class MarkersDialog : public QDialog {
    Q_OBJECT
  public:
    // What the split needs of the window that opens the list.
    struct SplitHooks {
        settings::FormatValues formats;                   // for a headerless file
        std::function<bool(const std::string&)> confirm;  // a yes/no question
        std::function<void(const std::string&)> tell;     // the report
        // Each piece written: its file, length in milliseconds, markers held.
        std::function<void(const std::string&, std::int64_t, std::size_t)> written;
    };
    // `playFrom` plays the file from a frame; `warn` shows a message;
    // `busy` says why the file may not be changed now ("" when it may).
    MarkersDialog(std::string path, audio::IAudioEngine& engine,
                  std::function<void(const std::string&, std::int64_t)> playFrom,
                  std::function<void(const std::string&)> warn,
                  std::function<std::string(const std::string&)> busy, SplitHooks split = {},
                  QWidget* parent = nullptr);
    ~MarkersDialog() override;

    const std::vector<core::Marker>& Markers() const { return markers_; }
    QTreeWidget* List() const { return list_; }
    void Rename(int row, const std::string& label);
    void Delete(int row);
    void Jump(int row);
    // Splits the recording at its markers; false when it does not start.
    bool Split();
    bool Splitting() const { return work_ && work_->Busy(); }
    void done(int result) override;

  private:
    void SplitFinished(const recording::SplitReport& report);
    void ShowSplitting(bool on);
    void BuildControls();
    void Reload();
    bool Store(std::vector<core::Marker> markers);
    void Edited(QTreeWidgetItem* item, int column);

    std::string path_;
    audio::IAudioEngine& engine_;
    std::function<void(const std::string&, std::int64_t)> playFrom_;
    std::function<void(const std::string&)> warn_;
    std::function<std::string(const std::string&)> busy_;
    SplitHooks split_;
    std::unique_ptr<recording::MarkerSplitWork> work_;
    int splitRate_ = 0;
    bool closeAfterSplit_ = false;
    std::vector<core::Marker> markers_;
    int rate_ = 0;
    bool filling_ = false;
    QTreeWidget* list_ = nullptr;
    QPushButton* jump_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* splitButton_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* close_ = nullptr;
};

}  // namespace qsr::app
