#include "app/CombinedTake.h"

#include "app/AppCore.h"
#include "recording/TakeOfTwo.h"
#include "settings/ApplySettings.h"
#include "settings/SecondSourceSettings.h"

namespace qsr::app {

CombinedTake::CombinedTake(AppCore& core, QObject* parent) : QObject(parent), core_(core) {
    connect(&core_.Session(), &recording::RecordingSession::Finished, this, [this] {
        // The session finished writing through the pair: back to the plain
        // component once its own signal is over.
        if (paired_)
            QMetaObject::invokeMethod(
                this, [this] { Release(); }, Qt::QueuedConnection);
    });
}

CombinedTake::~CombinedTake() = default;

void CombinedTake::Release() {
    if (!paired_ || core_.Session().IsRecording() || core_.Session().IsStopping()) return;
    core_.Session().Attach(core_.Recorder(), core_.FileComponent());
    paired_.reset();
}

void CombinedTake::Prepare(const std::string& settingsFile) {
    Release();
    audio::IAudioRecorder* recorder = core_.Recorder();
    audio::IAudioFile* file = core_.FileComponent();
    if (!recorder || !file) return;
    if (watched_ != recorder) {
        watched_ = recorder;
        connect(recorder, &audio::IAudioRecorder::SourceLost, this,
                [this, recorder](const std::string& name, long atSample) {
                    emit SourceLost(recording::SourceLostMessage(
                        name, recorder->SamplesToMilliseconds(atSample)));
                });
    }
    const settings::SecondSourceSettings stored = settings::LoadSecondSourceSettings(settingsFile);
    const audio::SecondSource second = settings::ResolveSecondSource(stored, *recorder);
    recorder->SetSecondSource(second);
    // Two sources: a second source chosen, or the combined entry (the one
    // usable device that cannot be combined with another).
    const bool two = second.Active() ||
                     (recorder->DeviceUsable() && !recorder->CanCombine(recorder->CurrentDevice()));
    if (!two || stored.layout != audio::CombineLayout::Files) return;
    std::unique_ptr<audio::IAudioFile> other = core_.Engine().CreateFile();
    if (!other) return;
    settings::ApplyFormatValues(*other, core_.Formats());
    settings::ApplyNewerFormats(*other, core_.Formats(), [](core::Encoder) {});
    paired_ = std::make_unique<recording::PairedFiles>(*file, std::move(other));
    paired_->SetJournal(&core_.Journal());
    core_.Session().Attach(recorder, paired_.get());
}

}  // namespace qsr::app
