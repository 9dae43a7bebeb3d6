// The program's side of the FFmpeg module (see FfmpegModule.h).
#include "platform/audio/CodecLog.h"
#include "platform/audio/FfmpegModule.h"
#include "platform/audio/Modules.h"

namespace qsr::audio::file {
namespace {

const FfmpegModuleTable* Module() {
    static const FfmpegModuleTable* table = [] {
        const auto* t = static_cast<const FfmpegModuleTable*>(
            ModuleTable(kFfmpegModuleFile, kFfmpegModuleEntry, kFfmpegModuleVersion));
        if (t) {
            t->useQuietHook(&QuietCodecLogByDefault);
            SetCodecLogSink(t->setLogVerbose);
        }
        return t;
    }();
    return table;
}

constexpr const char* kMissing = "the FFmpeg module cannot be loaded";

}  // namespace

std::unique_ptr<IDecoder> OpenFfmpegDecoder(const std::string& path, bool dither,
                                            std::string& error) {
    const FfmpegModuleTable* m = Module();
    if (!m) {
        error = kMissing;
        return nullptr;
    }
    return std::unique_ptr<IDecoder>(m->openDecoder(path, dither, error));
}

std::unique_ptr<IEncoder> OpenWmaEncoder(const std::string& path, int profile, std::string& error) {
    const FfmpegModuleTable* m = Module();
    if (!m) {
        error = kMissing;
        return nullptr;
    }
    return std::unique_ptr<IEncoder>(m->openWmaEncoder(path, profile, error));
}

std::unique_ptr<IResampler> OpenResampler(int inRate, int outRate, int channels, bool dither) {
    const FfmpegModuleTable* m = Module();
    return std::unique_ptr<IResampler>(m ? m->openResampler(inRate, outRate, channels, dither)
                                         : nullptr);
}

bool FfmpegRecognises(const unsigned char* bytes, std::size_t size) {
    const FfmpegModuleTable* m = Module();
    return m && m->recognises(bytes, size);
}

int FfmpegLengthMs(const std::string& path) {
    const FfmpegModuleTable* m = Module();
    return m ? m->lengthMs(path) : -1;
}

}  // namespace qsr::audio::file
