#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/audio-api/AudioEngine.h"
#include "platform/soundlib/SoundLibrary.h"
#include "player/FilePlayback.h"
#include "recording/RecordingSession.h"
#include "recording/RecoveryJournal.h"
#include "settings/FormatValues.h"

namespace qsr::services {
class IEventPump;
}

namespace qsr::app {

// The engine objects of one run of the program, apart from any window: the
// components (one file component writes recordings and reads for the list's
// playback), the recording session with its crash journal, the list's
// playback, the format values every format dialog shares, and the tag
// editor's sound library. main() creates them; the windows receive them.
class AppCore {
  public:
    using SoundLibraryFactory = std::function<std::unique_ptr<soundlib::ISoundLibrary>()>;

    AppCore(audio::IAudioEngine& engine, services::IEventPump* pump, std::string applicationFolder,
            SoundLibraryFactory soundLibraryFactory = {});
    ~AppCore();
    AppCore(const AppCore&) = delete;
    AppCore& operator=(const AppCore&) = delete;

    // Creates the recorder, the file component and the player and hands them
    // to the session and the playback. A component that cannot be created is
    // absent; every step that needs it is skipped, as a failing call would be.
    void CreateComponents();
    // Lets the components go at exit. Exit may come in the middle of one of
    // their own signals: the recorder and the player are deleted once control
    // is back in the event loop.
    void ReleaseComponents();

    audio::IAudioEngine& Engine() const { return engine_; }
    const std::string& ApplicationFolder() const { return applicationFolder_; }
    // Null before CreateComponents, when the engine could not create one, and
    // after ReleaseComponents.
    audio::IAudioRecorder* Recorder() const { return recorder_.get(); }
    audio::IAudioFile* FileComponent() const { return file_.get(); }
    audio::IAudioPlayer* Player() const { return player_.get(); }
    // The same as held, for a view that follows them through release.
    const std::unique_ptr<audio::IAudioRecorder>& HeldRecorder() const { return recorder_; }
    const std::unique_ptr<audio::IAudioFile>& HeldFile() const { return file_; }
    const std::unique_ptr<audio::IAudioPlayer>& HeldPlayer() const { return player_; }
    recording::RecordingSession& Session() { return session_; }
    const recording::RecordingSession& Session() const { return session_; }
    player::FilePlayback& Playback() { return playback_; }
    const player::FilePlayback& Playback() const { return playback_; }
    recording::RecoveryJournal& Journal() { return journal_; }
    const recording::RecoveryJournal& Journal() const { return journal_; }
    settings::FormatValues& Formats() { return formatValues_; }
    // The tag editor's library, opened on first use and kept to the end (the
    // editor closes what it opened); null without a factory.
    soundlib::ISoundLibrary* SoundLibrary();

  private:
    audio::IAudioEngine& engine_;
    std::string applicationFolder_;
    SoundLibraryFactory soundLibraryFactory_;
    settings::FormatValues formatValues_;
    std::unique_ptr<soundlib::ISoundLibrary> soundLibrary_;
    std::unique_ptr<audio::IAudioRecorder> recorder_;
    std::unique_ptr<audio::IAudioFile> file_;
    std::unique_ptr<audio::IAudioPlayer> player_;
    recording::RecoveryJournal journal_;
    recording::RecordingSession session_;
    player::FilePlayback playback_;
};

}  // namespace qsr::app
