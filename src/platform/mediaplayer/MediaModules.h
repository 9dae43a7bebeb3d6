#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qsr::mediaplayer {

// MIDI rendering (FluidSynth) and CD reading (libcdio) need large libraries
// that most runs never touch, so each lives in a module beside the program
// and is loaded the first time a MIDI file or a CD is played. Both answer
// "nothing" when their module is missing, as for a file they cannot play;
// whether the module loads tells the two apart.

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
// False when the CD module cannot load (tried once; the reason on standard error).
bool CdModuleLoads();

// A MIDI file rendered a few seconds ahead in a thread of the module's own
// (see MidiFeed for positions, waits and the end).
class MidiReader {
  public:
    virtual ~MidiReader() = default;
    virtual std::int64_t TotalFrames() const = 0;
    virtual void Seek(std::int64_t frame) = 0;
    virtual std::int64_t Take(std::int64_t frames, std::vector<std::int16_t>& out,
                              std::chrono::milliseconds wait) = 0;
    virtual bool WaitReady(std::chrono::milliseconds bound) = 0;
    virtual bool Ended() = 0;
};

// A MidiFeed over the installed sound font, through the MIDI module; null
// also when the module cannot load.
std::unique_ptr<MidiReader> OpenMidi(const std::string& path, int rate);
// False when the MIDI module cannot load (tried once; the reason on standard error).
bool MidiModuleLoads();

// What the player is told when a module is missing.
inline constexpr const char* kMidiModuleMissing =
    "MIDI files cannot be played: the MIDI module cannot be loaded";
inline constexpr const char* kCdModuleMissing =
    "CDs cannot be played: the CD module cannot be loaded";

// What a module exports, by the entry names below (see audio::ModuleTable).
inline constexpr int kModuleVersion = 2;
struct MidiModuleTable {
    int version;
    MidiReader* (*open)(const std::string& path, int rate);
};
struct CdModuleTable {
    int version;
    CdReader* (*open)(const std::string& drive, int track);
};
inline constexpr const char* kMidiModuleEntry = "qsr_midi_module";
inline constexpr const char* kCdModuleEntry = "qsr_cd_module";

}  // namespace qsr::mediaplayer
