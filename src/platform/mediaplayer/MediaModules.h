#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qsr::mediaplayer {

// MIDI rendering (FluidSynth) and CD reading (libcdio) need large libraries
// that most runs never touch, so each lives in a module beside the program
// and is loaded the first time a MIDI file or a CD is played. Both answer
// "nothing" when their module is missing, as for a file they cannot play.

// An open CD (see CdAudio for positions and reads).
class CdReader {
  public:
    virtual ~CdReader() = default;
    virtual std::int64_t TotalFrames() const = 0;
    virtual std::int64_t Seek(std::int64_t frame) = 0;
    virtual std::vector<std::int16_t> Read(int sectors) = 0;
};

// CdAudio::Open through the CD module; null also when the module cannot load.
std::unique_ptr<CdReader> OpenCd(const std::string& drive, int track);

// RenderMidi with the installed sound font, through the MIDI module; false
// also when the module cannot load.
bool RenderMidiFile(const std::string& path, int rate, std::vector<std::int16_t>& out);

// What a module exports, by the entry names below (see audio::ModuleTable).
inline constexpr int kModuleVersion = 1;
struct MidiModuleTable {
    int version;
    bool (*render)(const std::string& path, int rate, std::vector<std::int16_t>& out);
};
struct CdModuleTable {
    int version;
    CdReader* (*open)(const std::string& drive, int track);
};
inline constexpr const char* kMidiModuleEntry = "qsr_midi_module";
inline constexpr const char* kCdModuleEntry = "qsr_cd_module";

}  // namespace qsr::mediaplayer
