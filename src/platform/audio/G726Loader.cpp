// The program's side of the G.726 module (see G726Module.h).
#include "platform/audio/G726Module.h"
#include "platform/audio/Modules.h"

namespace qsr::audio::file {
namespace {

const G726ModuleTable* Module() {
    static const auto* table = static_cast<const G726ModuleTable*>(
        ModuleTable(kG726ModuleFile, kG726ModuleEntry, kG726ModuleVersion));
    return table;
}

constexpr const char* kMissing = "the G.726 module cannot be loaded";

}  // namespace

std::unique_ptr<IEncoder> OpenG726Encoder(const std::string& path, const G726Params& p,
                                          std::string& error) {
    const G726ModuleTable* m = Module();
    if (!m) {
        error = kMissing;
        return nullptr;
    }
    return std::unique_ptr<IEncoder>(m->openEncoder(path, p, error));
}

std::unique_ptr<IDecoder> OpenG726Decoder(const std::string& path, const G726Params& p,
                                          std::string& error) {
    const G726ModuleTable* m = Module();
    if (!m) {
        error = kMissing;
        return nullptr;
    }
    return std::unique_ptr<IDecoder>(m->openDecoder(path, p, error));
}

}  // namespace qsr::audio::file
