#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qsr::mediaplayer {

// The audio of a CD, read through libcdio-paranoia a few sectors at a time:
// a disc holds over an hour of sound, so nothing reads it whole, and a seek
// only moves the read position. libcdio opens a CD image (CUE/BIN, TOC, NRG)
// the same way as a drive, which lets the tests play a real disc layout.
// Positions are in frames (one stereo sample pair) from the start of the
// disc's first audio track; the whole disc runs to the end of its last one.
// (A track alone: from its own start to its end.)
class CdAudio {
  public:
    static constexpr int kSectorFrames = 588;  // 2352 bytes of 16-bit stereo at 44.1 kHz
    static constexpr const char* kDriveVariable = "QSR_CD_DRIVE";

    // The drive (or image) `drive`; when empty, the one named by
    // kDriveVariable, else the system's default drive. `track` 0 reads the
    // whole disc, another number that track alone (positions then count
    // from its start). Null without a drive, without a disc, without audio
    // tracks or without an audio track of that number.
    static std::unique_ptr<CdAudio> Open(const std::string& drive, int track = 0);
    ~CdAudio();
    CdAudio(const CdAudio&) = delete;
    CdAudio& operator=(const CdAudio&) = delete;

    std::int64_t TotalFrames() const;
    // Moves to the start of the sector holding `frame` (clamped to the disc)
    // and returns that sector's first frame.
    std::int64_t Seek(std::int64_t frame);
    // Up to `sectors` sectors from the read position, interleaved stereo;
    // empty at the end of the disc.
    std::vector<std::int16_t> Read(int sectors);

    // The track a CD track file stands for, 0 when the path is not one: a
    // ".cda" file (any case) holds its number in its header; one that
    // cannot be read is known by a name such as "Track03.cda".
    static int TrackOfFile(const std::string& path);

  private:
    struct Handles;
    explicit CdAudio(std::unique_ptr<Handles> handles);
    std::unique_ptr<Handles> h_;
};

}  // namespace qsr::mediaplayer
