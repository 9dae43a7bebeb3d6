#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/soundlib/SoundLibrary.h"

namespace qsr::mediaplayer {
class RealMediaControl;
}

namespace qsr::soundlib {

// The library over our own components: opening a stream reads the tags and
// checks that audio follows (MPEG frames, or a format FFmpeg recognises from
// its first bytes); the first play decodes the file and plays it through the
// media player's PulseAudio output, which also gives position, pause, volume
// and levels. Init does not need the sound server: without one, tags still
// read and a play fails with kErrInit.
class RealSoundLibrary : public ISoundLibrary {
  public:
    RealSoundLibrary();
    ~RealSoundLibrary() override;

    bool Init(int mixRate, int maxChannels, int flags) override;
    void Close() override;
    int GetError() const override { return error_; }
    Handle StreamOpen(const std::string& path, int mode) override;
    bool StreamClose(Handle stream) override;
    int StreamPlay(int channel, Handle stream) override;
    bool StopSound(int channel) override;
    bool SetPaused(int channel, bool paused) override;
    bool GetPaused(int channel) override;
    bool SetVolume(int channel, int volume) override;
    int GetVolume(int channel) override;
    int StreamGetLengthMs(Handle stream) override;
    int StreamGetLength(Handle stream) override;
    int StreamGetTime(Handle stream) override;
    bool StreamSetTime(Handle stream, int ms) override;
    bool GetCurrentLevels(int channel, float& left, float& right) override;
    bool StreamFindTagField(Handle stream, int kind, const std::string& name,
                            std::string& value) override;
    int StreamGetNumTagFields(Handle stream) override;
    bool StreamGetTagField(Handle stream, int index, TagField& field) override;

  private:
    struct Stream;
    Stream* Find(Handle stream);
    Stream* FindChannel(int channel);
    void Stop(Stream& s);
    bool Fail(int error) {
        error_ = error;
        return false;
    }
    bool Ok() {
        error_ = kErrNone;
        return true;
    }

    std::map<Handle, std::unique_ptr<Stream>> streams_;
    std::map<int, Handle> channels_;
    Handle nextHandle_ = 1;
    int nextChannel_ = 1;
    int error_ = kErrNone;
    bool initialised_ = false;
};

}  // namespace qsr::soundlib
