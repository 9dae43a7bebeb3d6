#include "platform/mediaplayer/MediaModules.h"

#include "platform/audio/Modules.h"

namespace qsr::mediaplayer {
namespace {

const MidiModuleTable* Midi() {
    static const auto* table = static_cast<const MidiModuleTable*>(
        audio::ModuleTable("qsr-midi-module.so", kMidiModuleEntry, kModuleVersion));
    return table;
}

const CdModuleTable* Cd() {
    static const auto* table = static_cast<const CdModuleTable*>(
        audio::ModuleTable("qsr-cd-module.so", kCdModuleEntry, kModuleVersion));
    return table;
}

}  // namespace

std::unique_ptr<CdReader> OpenCd(const std::string& drive, int track) {
    const CdModuleTable* cd = Cd();
    return std::unique_ptr<CdReader>(cd ? cd->open(drive, track) : nullptr);
}

bool RenderMidiFile(const std::string& path, int rate, std::vector<std::int16_t>& out) {
    const MidiModuleTable* midi = Midi();
    return midi && midi->render(path, rate, out);
}

}  // namespace qsr::mediaplayer
