#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/soundlib/SoundLibrary.h"

namespace qsr::fakes {

// A sound library without sound: files are registered with their length,
// size and tag fields (anything else does not open), time moves only by
// StreamSetTime or Advance, and a playing, unpaused channel shows the levels
// set in `levels`. Every call is logged by name; a call named in `failing`
// answers failure with `failError`, one named in `throwing` throws.
class FakeSoundLibrary : public soundlib::ISoundLibrary {
  public:
    struct File {
        int lengthMs = 0;
        int bytes = 0;
        std::vector<soundlib::TagField> fields;
    };
    void AddFile(const std::string& path, File file) { files_[path] = std::move(file); }
    // A file that exists but holds no audio the library recognises.
    void AddBadFile(const std::string& path) { badFiles_.insert(path); }
    // Moves every playing, unpaused stream on, stopping at its end.
    void Advance(int ms);

    std::vector<std::string> calls;
    std::set<std::string> failing;
    std::set<std::string> throwing;
    int failError = soundlib::kErrPlay;
    float levels[2] = {0.5f, 0.25f};

    int OpenStreams() const { return static_cast<int>(streams_.size()); }
    bool Initialised() const { return initialised_; }

    bool Init(int mixRate, int maxChannels, int flags) override;
    void Close() override;
    int GetError() const override { return error_; }
    soundlib::Handle StreamOpen(const std::string& path, int mode) override;
    bool StreamClose(soundlib::Handle stream) override;
    int StreamPlay(int channel, soundlib::Handle stream) override;
    bool StopSound(int channel) override;
    bool SetPaused(int channel, bool paused) override;
    bool GetPaused(int channel) override;
    bool SetVolume(int channel, int volume) override;
    int GetVolume(int channel) override;
    int StreamGetLengthMs(soundlib::Handle stream) override;
    int StreamGetLength(soundlib::Handle stream) override;
    int StreamGetTime(soundlib::Handle stream) override;
    bool StreamSetTime(soundlib::Handle stream, int ms) override;
    bool GetCurrentLevels(int channel, float& left, float& right) override;
    bool StreamFindTagField(soundlib::Handle stream, int kind, const std::string& name,
                            std::string& value) override;
    int StreamGetNumTagFields(soundlib::Handle stream) override;
    bool StreamGetTagField(soundlib::Handle stream, int index, soundlib::TagField& field) override;

  private:
    struct Stream {
        std::string path;
        int timeMs = 0;
        int channel = 0;  // 0 = not playing
    };
    struct Channel {
        soundlib::Handle stream = 0;
        bool paused = false;
        int volume = 255;
    };
    // Logs the call; false when it is to fail (error set), throws when asked.
    bool Enter(const std::string& name);
    bool Fail(int error);
    Stream* Find(soundlib::Handle stream);
    Channel* FindChannel(int channel);
    void Stop(int channel);

    std::map<std::string, File> files_;
    std::set<std::string> badFiles_;
    std::map<soundlib::Handle, Stream> streams_;
    std::map<int, Channel> channels_;
    soundlib::Handle nextHandle_ = 1;
    int nextChannel_ = 1;
    int error_ = soundlib::kErrNone;
    bool initialised_ = false;
};

}  // namespace qsr::fakes
