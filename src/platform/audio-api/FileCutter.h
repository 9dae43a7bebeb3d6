#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qsr::audio {

// A span of sample frames of a file, [begin, end).
struct SampleSpan {
    std::int64_t begin = 0, end = 0;
    std::int64_t Length() const { return end - begin; }
    bool operator==(const SampleSpan&) const = default;
};

// How a file can be cut without decoding and encoding its sound again.
struct CutAbility {
    bool possible = false;
    // Several kept spans joined into one file (a cut in the middle).
    bool joins = false;
    // Why not, or what the cut gives up, in the user's words ("" when exact).
    std::string note;
};

// What a finished cut measured.
struct CutResult {
    bool ok = false;
    std::string error;         // why it failed; the target is then untouched
    std::int64_t samples = 0;  // sample frames the new file holds
};

// Writes the kept spans of a recording into a new file, the way its format
// allows it exactly: PCM copied sample for sample, FLAC decoded and encoded
// losslessly, MP3 frames and Opus packets copied with the gapless header
// (the LAME header, Opus's pre-skip and granule) made to match. The
// file's tags and other chunks go along. The new file is written beside the
// target and renamed over it only when it is whole and checked, so a failure
// or a crash leaves the target as it was.
class IFileCutter {
  public:
    virtual ~IFileCutter() = default;
    // `progress` gets the fraction done (0..1); returning false stops the cut.
    using Progress = std::function<bool(double)>;

    // A RAW file has no header: the bytes of one sample frame in its format.
    virtual void SetRawFrameBytes(int bytes) = 0;
    // Nor do VOX and G.726 files: their sample rate (for the cue sheet of
    // markers beside them) and G.726's bits per code.
    virtual void SetHeaderlessFormat(int rate, int g726Bits) {
        (void)rate;
        (void)g726Bits;
    }
    // Whether `path` can be cut so: the spans are in order, apart, non-empty.
    virtual CutAbility Ability(const std::string& path, const std::vector<SampleSpan>& kept) = 0;
    // Writes `kept` of `in` to `out` (`out` may be `in`: replaced atomically).
    virtual CutResult Cut(const std::string& in, const std::vector<SampleSpan>& kept,
                          const std::string& out, const Progress& progress = {}) = 0;
};

}  // namespace qsr::audio
