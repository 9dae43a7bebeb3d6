// The MIDI module's entry: the renderer with FluidSynth, loaded on demand.
#include "platform/mediaplayer/MediaModules.h"
#include "platform/mediaplayer/MidiRender.h"

namespace {

bool Render(const std::string& path, int rate, std::vector<std::int16_t>& out) {
    using namespace qsr::mediaplayer;
    return RenderMidi(path, rate, out, FindSoundFont());
}

const qsr::mediaplayer::MidiModuleTable kTable{qsr::mediaplayer::kModuleVersion, Render};

}  // namespace

extern "C" __attribute__((visibility("default"))) const qsr::mediaplayer::MidiModuleTable*
qsr_midi_module() {
    return &kTable;
}
