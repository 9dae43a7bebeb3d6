#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "converter/ConvertJob.h"
#include "platform/audio-api/AudioEngine.h"
#include "platform/services/Services.h"
#include "platform/services/Worker.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTreeWidget;

namespace qsr::converter {

// Event-list icons.
inline constexpr int kIconStep = 1;
inline constexpr int kIconSetting = 2;
inline constexpr int kIconError = 3;
inline constexpr int kIconWarning = 4;

// The "Audio Converter" window: one input file to WMA, MP3, Ogg Vorbis, FLAC
// and/or Opus next to it. Each format step runs in a worker while the window
// stays live; the same button cancels after the block in hand, and so does
// closing the window (which then closes once the partial file is finished).
class frmcov : public QDialog {
    Q_OBJECT
  public:
    frmcov(audio::IAudioEngine& engine, services::DesktopServices desktop,
           std::string applicationFolder, QWidget* parent = nullptr);
    ~frmcov() override;

    void Form_Load();
    void cmdOpenFile_Click();
    void udWMAProfile_Change();
    void cmdConvert_Click();
    void AddEvent(const std::string& text, int icon);
    std::string ChooseInputFile(const std::string& title);

    bool Converting() const { return flgConvert_; }
    // From any thread: the running step has been told to stop after the
    // block in hand (by Cancel, Escape or shut-down).
    bool CancelRequested() const { return job_ && job_->IsCancelled(); }
    // A format step is in the worker or its end not yet shown.
    bool Working() const { return stepRunning_; }
    // For shut-down: cancels a running step and waits (up to `bound`) for its
    // worker, so the partial file is closed before the program goes on.
    // False when the worker is still running after `bound`.
    bool StopWork(std::chrono::milliseconds bound);

    // Escape and the close box: during a run, cancel first and close after.
    void reject() override;

  private:
    // The window's group boxes, each with its controls.
    QGroupBox* BuildInputFrame();
    QGroupBox* BuildOutputFrame();
    QGroupBox* BuildSettingFrame();
    QGroupBox* BuildConvertFrame();
    QGroupBox* BuildStatusFrame();
    // The next checked format step in the order WMA, MP3, Ogg Vorbis, or the
    // end of the run; the boxes are read as each step starts.
    void NextStep();
    // One format step: start entry, then the conversion in the worker.
    void ConvertStep(const std::string& format, const std::string& target);
    // Back on this thread: the step's outcome entry, then the next step.
    void StepDone();
    void FinishRun();

    audio::IAudioEngine& engine_;
    services::DesktopServices desktop_;
    std::string applicationFolder_;
    std::unique_ptr<audio::IAudioFile> FileW_;
    std::unique_ptr<audio::IAudioFile> FileR_;
    std::unique_ptr<audio::IMp3Settings> MP3Lame_;
    std::unique_ptr<ConvertJob> job_;
    std::string filename_;
    std::string FileString_;
    bool flgConvert_ = false;
    bool stepRunning_ = false;
    bool closeAfterRun_ = false;
    int stage_ = 0;  // the next of the three format steps
    std::string stepFormat_;
    ConvertJob::Outcome stepOutcome_ = ConvertJob::Outcome::Complete;
    loudness::Target normaliseTarget_;  // as stored on the Output Files page

    QLineEdit* txtInputFile_;
    QPushButton* cmdOpenFile_;
    QCheckBox* chMP3_;
    QCheckBox* chOGG_;
    QCheckBox* chWMA_;
    QCheckBox* chFLAC_;
    QCheckBox* chOpus_;
    QCheckBox* chNormalise_;  // the Output Files loudness, for this window's runs
    QLineEdit* txtMP3FormatString_;
    QLineEdit* txtOGGFormatString_;
    QLineEdit* txtWMAFormatString_;
    QLineEdit* txtFLACFormatString_;
    QLineEdit* txtOpusFormatString_;
    QSpinBox* udWMAProfile_;
    QPushButton* cmdConvert_;
    QProgressBar* ProgressConvert_;
    QTreeWidget* viewEvent_;
    // Last: destroyed first, it waits for the step still using the files above.
    services::Worker worker_;
};

}  // namespace qsr::converter
