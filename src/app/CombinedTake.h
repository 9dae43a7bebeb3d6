#pragma once

#include <QObject>
#include <memory>
#include <string>

#include "platform/audio-api/AudioRecorder.h"
#include "recording/PairedFiles.h"

namespace qsr::app {

class AppCore;

// The second source of the window's (and the schedule's) takes: before each
// start, hands the stored second source to the recorder and, for the files
// layout, puts a pair of files under the session for that take, the second
// set up with the same format values; once the take is listed the session
// writes through the plain file component again. With no second source
// chosen it changes nothing.
class CombinedTake : public QObject {
    Q_OBJECT
  public:
    explicit CombinedTake(AppCore& core, QObject* parent = nullptr);
    ~CombinedTake() override;
    void Prepare(const std::string& settingsFile);

  signals:
    // One source of the take went away (SourceLostMessage's words).
    void SourceLost(const std::string& message);

  private:
    void Release();
    AppCore& core_;
    std::unique_ptr<recording::PairedFiles> paired_;
    audio::IAudioRecorder* watched_ = nullptr;  // whose SourceLost is passed on
};

}  // namespace qsr::app
