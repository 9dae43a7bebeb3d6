// The program's side of the G.726 module (see G726Module.h).
#include "platform/audio/FileCutter.h"
#include "platform/audio/G726Module.h"
#include "platform/audio/Modules.h"

namespace qsr::audio::file {
namespace {

// The module's table; null, with the reason in `error`, when it cannot load.
const G726ModuleTable* Module(std::string& error) {
    static const auto* table = static_cast<const G726ModuleTable*>(
        ModuleTable(kG726ModuleFile, kG726ModuleEntry, kG726ModuleVersion));
    if (!table) error = "the G.726 module cannot be loaded";
    return table;
}

}  // namespace

std::unique_ptr<IEncoder> OpenG726Encoder(const std::string& path, const G726Params& p,
                                          std::string& error) {
    const G726ModuleTable* m = Module(error);
    return std::unique_ptr<IEncoder>(m ? m->openEncoder(path, p, error) : nullptr);
}

std::unique_ptr<IDecoder> OpenG726Decoder(const std::string& path, const G726Params& p,
                                          std::string& error) {
    const G726ModuleTable* m = Module(error);
    return std::unique_ptr<IDecoder>(m ? m->openDecoder(path, p, error) : nullptr);
}

CutResult CutG726(const std::string& in, const G726Params& p, const std::vector<SampleSpan>& kept,
                  const std::string& out, const IFileCutter::Progress& progress) {
    CutResult r;
    const G726ModuleTable* m = Module(r.error);
    return m ? m->cut(in, p, kept, out, progress) : r;
}

}  // namespace qsr::audio::file
