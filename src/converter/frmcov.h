#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "converter/ConvertJob.h"
#include "platform/audio-api/AudioEngine.h"
#include "platform/services/Services.h"

class QCheckBox;
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

// The "Audio Converter" window: one input file to WMA, MP3, Ogg Vorbis, FLAC
// and/or Opus next to it. The conversion runs on this thread; ConvertJob lets events run
// between blocks, so the same button cancels.
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

  private:
    // One format step: start entry, conversion, outcome entry.
    void ConvertStep(const std::string& format, const std::string& target);

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

    QLineEdit* txtInputFile_;
    QPushButton* cmdOpenFile_;
    QCheckBox* chMP3_;
    QCheckBox* chOGG_;
    QCheckBox* chWMA_;
    QCheckBox* chFLAC_;
    QCheckBox* chOpus_;
    QLineEdit* txtMP3FormatString_;
    QLineEdit* txtOGGFormatString_;
    QLineEdit* txtWMAFormatString_;
    QLineEdit* txtFLACFormatString_;
    QLineEdit* txtOpusFormatString_;
    QSpinBox* udWMAProfile_;
    QPushButton* cmdConvert_;
    QProgressBar* ProgressConvert_;
    QTreeWidget* viewEvent_;
};

}  // namespace qsr::converter
