#include "platform/pulse/RealAudioEngine.h"

#include "platform/audio/AudioFileComponent.h"
#include "platform/audio/CodecLog.h"
#include "platform/audio/FileCutter.h"
#include "platform/audio/LameMp3Settings.h"
#include "platform/audio/MarkerStore.h"
#include "platform/audio/Modules.h"
#include "platform/audio/TagLibModule.h"
#include "platform/pulse/PulsePlayer.h"
#include "platform/pulse/PulseRecorder.h"

namespace qsr::audio {
namespace {

// The components over PulseAudio, the encoder libraries, FFmpeg and TagLib.
class RealAudioEngine : public IAudioEngine {
  public:
    explicit RealAudioEngine(services::IInputBox* chooser) : chooser_(chooser) {}
    std::unique_ptr<IAudioRecorder> CreateRecorder() override {
        return std::make_unique<PulseRecorder>();
    }
    std::unique_ptr<IAudioFile> CreateFile() override { return CreateRealAudioFile(chooser_); }
    std::unique_ptr<IAudioPlayer> CreatePlayer() override {
        return std::make_unique<PulsePlayer>();
    }
    std::unique_ptr<IMp3Settings> CreateMp3Settings() override {
        return std::make_unique<LameMp3Settings>();
    }
    std::unique_ptr<IId3v2Tag> CreateId3v2Tag() override {
        const TagLibModuleTable* module = TagModule();
        return std::unique_ptr<IId3v2Tag>(module ? module->create() : nullptr);
    }
    std::unique_ptr<ILoudnessTag> CreateLoudnessTag() override {
        const TagLibModuleTable* module = TagModule();
        return std::unique_ptr<ILoudnessTag>(module ? module->createLoudnessTag() : nullptr);
    }
    std::unique_ptr<IFileCutter> CreateCutter() override {
        return KeepingMarkers(file::CreateFileCutter());
    }
    void SetCodecLogVerbose(bool verbose) override { audio::SetCodecLogVerbose(verbose); }
    bool StoreMarkers(const std::string& path, int rate, const std::vector<core::Marker>& markers,
                      std::string* error) override {
        return audio::StoreMarkers(path, rate, markers, error);
    }
    bool ReadMarkers(const std::string& path, std::vector<core::Marker>& markers, int& rate,
                     std::string* error) override {
        return audio::ReadMarkers(path, markers, rate, error);
    }

  private:
    static const TagLibModuleTable* TagModule() {
        static const auto* module = static_cast<const TagLibModuleTable*>(
            ModuleTable(kTagLibModuleFile, kTagLibModuleEntry, kTagLibModuleVersion));
        return module;
    }
    services::IInputBox* chooser_;  // the list for "From Menu"; may be null
};

}  // namespace

std::unique_ptr<IAudioEngine> CreateRealAudioEngine(services::IInputBox* chooser) {
    return std::make_unique<RealAudioEngine>(chooser);
}

}  // namespace qsr::audio
