#pragma once

#include <QDialog>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "platform/audio-api/AudioEngine.h"
#include "platform/services/Services.h"
#include "trim/SpanPlayer.h"
#include "trim/TrimWork.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QScrollBar;

namespace qsr::trim {

class WaveView;

// What the trim window is handed.
struct TrimWindowDeps {
    std::string cacheFolder;                      // where overviews are kept
    TrimWork::BeingRecorded beingRecorded;        // the "being recorded" guard
    services::IFileDialog* fileDialog = nullptr;  // "Save as"; may be null
    double silenceDb = -40;                       // the sound triggers' level...
    int silenceMs = 200;                          // ...and how long it must hold
};

// "Trim…": one recording's overview; select, keep or delete spans, undo,
// save over the file or as another. The work (decode, save) is TrimWork's;
// this window only shows it and passes the user's commands on.
class TrimWindow : public QDialog {
    Q_OBJECT
  public:
    TrimWindow(audio::IAudioEngine& engine, TrimWindowDeps deps, QWidget* parent = nullptr);
    ~TrimWindow() override;

    void OpenFile(const std::string& path);
    // How RAW, VOX and G.726 files are read and cut (the settings' formats).
    void SetHeaderless(const TrimWork::Headerless& formats);
    // Stops a decode or save; false when it still runs after `bound`.
    bool StopWork(std::chrono::milliseconds bound);

    // The controls, for the layout and the tests.
    QLabel* lblFile = nullptr;
    WaveView* view = nullptr;
    QScrollBar* scroll = nullptr;
    QLabel* lblSelection = nullptr;
    QProgressBar* progress = nullptr;
    QLabel* lblNote = nullptr;
    QPushButton* cmdPlay = nullptr;
    QPushButton* cmdKeep = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPushButton* cmdSilence = nullptr;
    QPushButton* cmdUndo = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdSaveAs = nullptr;
    QPushButton* cmdClose = nullptr;

    const TrimWork& Work() const { return *work_; }

  signals:
    // A file was written, its sound this long (the recordings list shows it).
    void Saved(const QString& path, qint64 milliseconds);

  private:
    void BuildLayout();  // TrimWindowLayout.cpp
    void Wire();
    void Refresh();  // labels, the scroll bar, what is enabled
    void SoundChanged();
    void Note(const std::string& text);
    void Play();
    void Keep();
    void Delete();
    void TrimSilence();
    void Undo();
    void Save();
    void SaveAs();
    std::string TimeText(std::int64_t frames) const;

    TrimWindowDeps deps_;
    std::unique_ptr<TrimWork> work_;
    SpanPlayer player_;
    QTimer playTimer_;
    bool refreshing_ = false;
    std::string savedNote_;
};

}  // namespace qsr::trim
