// The G.726 module's entry (see platform/audio/G726Module.h).
#include "platform/audio/G726Module.h"
#include "platform/g726/G726.h"

namespace {

using namespace qsr::audio::file;

IEncoder* OpenEncoder(const std::string& path, const G726Params& p, std::string& error) {
    return g726::OpenG726Encoder(path, p, error).release();
}

IDecoder* OpenDecoder(const std::string& path, const G726Params& p, std::string& error) {
    return g726::OpenG726Decoder(path, p, error).release();
}

const G726ModuleTable kTable{kG726ModuleVersion, OpenEncoder, OpenDecoder, g726::CutG726};

}  // namespace

extern "C" __attribute__((visibility("default"))) const G726ModuleTable* qsr_g726_module() {
    return &kTable;
}
