#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qsr::mediaplayer {

// True for the names the MIDI renderer takes: .mid, .midi, .rmi (any case).
bool IsMidiName(std::string_view path);

// The General MIDI sound font the renderer uses; empty when none is installed.
std::string FindSoundFont();

// Renders a standard MIDI file (or one wrapped in an RMI "RIFF RMID" file)
// with FluidSynth into interleaved stereo 16-bit samples at `rate`, up to
// the end of its last event plus a second for notes to fade. False, and
// `out` empty, when the file is not MIDI, holds no sound, or no sound font
// is found.
bool RenderMidi(const std::string& path, int rate, std::vector<std::int16_t>& out,
                const std::string& soundFont);

}  // namespace qsr::mediaplayer
