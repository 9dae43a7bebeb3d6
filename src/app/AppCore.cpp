#include "app/AppCore.h"

#include "platform/services/AppFolder.h"

namespace qsr::app {

AppCore::AppCore(audio::IAudioEngine& engine, services::IEventPump* pump,
                 std::string applicationFolder, SoundLibraryFactory soundLibraryFactory)
    : engine_(engine),
      applicationFolder_(std::move(applicationFolder)),
      soundLibraryFactory_(std::move(soundLibraryFactory)),
      journal_(services::AppPath(applicationFolder_, recording::kJournalFileName)),
      session_(pump) {
    session_.SetJournal(&journal_);
    session_.SetMarkerStore(
        [&engine](const std::string& path, int rate, const std::vector<core::Marker>& markers,
                  std::string* error) { return engine.StoreMarkers(path, rate, markers, error); });
}

AppCore::~AppCore() = default;

void AppCore::CreateComponents() {
    recorder_ = engine_.CreateRecorder();
    file_ = engine_.CreateFile();
    player_ = engine_.CreatePlayer();
    session_.Attach(recorder_.get(), file_.get());
    playback_.Attach(file_.get(), player_.get());
}

void AppCore::ReleaseComponents() {
    session_.Attach(nullptr, nullptr);
    playback_.Attach(nullptr, nullptr);
    if (recorder_) recorder_.release()->deleteLater();
    if (player_) player_.release()->deleteLater();
    file_.reset();
}

soundlib::ISoundLibrary* AppCore::SoundLibrary() {
    if (!soundLibrary_ && soundLibraryFactory_) soundLibrary_ = soundLibraryFactory_();
    return soundLibrary_.get();
}

}  // namespace qsr::app
