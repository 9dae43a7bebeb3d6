#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/audio-api/AudioFile.h"
#include "platform/audio-api/FileCutter.h"

namespace qsr::trim {

using audio::SampleSpan;

// What one decode of a recording gives the trim window and the silence trim:
// the lowest and highest value (over all channels) of every bucket of
// kBucketFrames sample frames, and the level of every 50 ms window in dB
// relative to full scale, measured as the sound triggers measure it.
struct Overview {
    static constexpr int kBucketFrames = 256;
    int rate = 0, channels = 0;
    std::int64_t total = 0;  // sample frames
    std::vector<std::int16_t> low, high;
    std::vector<float> levelDb;
    int windowFrames = 0;  // frames of one level window
};

// Decodes `path` once through `file`; `progress` gets 0..1 and returns false
// to stop. False with the reason when the file cannot be read or was stopped.
bool ComputeOverview(audio::IAudioFile& file, const std::string& path, Overview& out,
                     std::string& error, const std::function<bool(double)>& progress = {});

// The lowest and highest value of every one of `columns` columns that split
// [from, to) of the original's frames; empty columns are 0..0.
struct Column {
    std::int16_t low = 0, high = 0;
};
std::vector<Column> Columns(const Overview& o, std::int64_t from, std::int64_t to, int columns);

// The same over [from, to) of what `kept` leaves (the edited timeline): a
// column across a cut joins both sides.
std::vector<Column> EditedColumns(const Overview& o, const std::vector<SampleSpan>& kept,
                                  std::int64_t from, std::int64_t to, int columns);

// The span from the first sound to the end of the last: sound is a run of
// windows at or above `levelDb` lasting at least `minMs` (as a recording's
// start on sound waits for it). Nothing when there is no sound at all.
std::optional<SampleSpan> SoundSpan(const Overview& o, double levelDb, int minMs);

}  // namespace qsr::trim
