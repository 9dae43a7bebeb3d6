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

bool CdModuleLoads() {
    return Cd() != nullptr;
}

bool MidiModuleLoads() {
    return Midi() != nullptr;
}

std::unique_ptr<MidiReader> OpenMidi(const std::string& path, int rate) {
    const MidiModuleTable* midi = Midi();
    return std::unique_ptr<MidiReader>(midi ? midi->open(path, rate) : nullptr);
}

}  // namespace qsr::mediaplayer
