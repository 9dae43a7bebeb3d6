#include "platform/audio/AudioEngine.h"
#include "platform/audio/PulsePlayer.h"
#include "platform/audio/PulseRecorder.h"

namespace qsr::audio {
namespace {

// Components not built yet are reported as absent (null); callers skip what
// they cannot create, as they skip every failing component call.
class RealAudioEngine : public IAudioEngine {
  public:
    std::unique_ptr<IAudioRecorder> CreateRecorder() override {
        return std::make_unique<PulseRecorder>();
    }
    std::unique_ptr<IAudioFile> CreateFile() override { return nullptr; }
    std::unique_ptr<IAudioPlayer> CreatePlayer() override {
        return std::make_unique<PulsePlayer>();
    }
    std::unique_ptr<IMp3Settings> CreateMp3Settings() override { return nullptr; }
    std::unique_ptr<IId3v2Tag> CreateId3v2Tag() override { return nullptr; }
};

}  // namespace

std::unique_ptr<IAudioEngine> CreateRealAudioEngine() {
    return std::make_unique<RealAudioEngine>();
}

}  // namespace qsr::audio
