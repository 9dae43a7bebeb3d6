#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/Markers.h"
#include "platform/audio-api/AudioFile.h"
#include "platform/audio-api/AudioPlayer.h"
#include "platform/audio-api/AudioRecorder.h"
#include "platform/audio-api/FileCutter.h"
#include "platform/audio-api/Id3v2Tag.h"
#include "platform/audio-api/LoudnessTag.h"
#include "platform/audio-api/Mp3Settings.h"

namespace qsr::services {
class IInputBox;
}

namespace qsr::audio {

// Creates the audio components. Windows receive an engine and create what they
// need from it, so tests hand them fakes.
class IAudioEngine {
  public:
    virtual ~IAudioEngine() = default;

    virtual std::unique_ptr<IAudioRecorder> CreateRecorder() = 0;
    virtual std::unique_ptr<IAudioFile> CreateFile() = 0;
    virtual std::unique_ptr<IAudioPlayer> CreatePlayer() = 0;
    virtual std::unique_ptr<IMp3Settings> CreateMp3Settings() = 0;
    virtual std::unique_ptr<IId3v2Tag> CreateId3v2Tag() = 0;
    // The loudness tag writer; none where the engine has no tag library.
    virtual std::unique_ptr<ILoudnessTag> CreateLoudnessTag() { return nullptr; }
    // Cuts files without coding them again; null when this engine cannot.
    virtual std::unique_ptr<IFileCutter> CreateCutter() { return nullptr; }
    // Whether the codec libraries' own log lines reach stderr; by default they
    // do not (failures are reported by the components themselves).
    virtual void SetCodecLogVerbose(bool verbose) { (void)verbose; }
    // A recording's markers, kept in the file as its type allows
    // (platform/audio/MarkerStore.h); an engine without a store keeps none.
    virtual bool StoreMarkers(const std::string& path, int rate,
                              const std::vector<core::Marker>& markers, std::string* error) {
        (void)path, (void)rate, (void)markers;
        if (error) *error = "markers cannot be stored by this program";
        return false;
    }
    virtual bool ReadMarkers(const std::string& path, std::vector<core::Marker>& markers, int& rate,
                             std::string* error) {
        (void)path, (void)rate, markers.clear();
        if (error) *error = "markers cannot be read by this program";
        return false;
    }
};

}  // namespace qsr::audio
