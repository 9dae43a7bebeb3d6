#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/audio-api/AudioFile.h"
#include "platform/audio-api/LoudnessTag.h"
#include "platform/loudness/Loudness.h"

namespace qsr::loudness {

// The steps of writing ReplayGain tags into a set of files, the same for
// `quorvin-cli loudness --tag` and the tag editor's action: each file is
// measured once, the album figures come from a set measured whole, and each
// measured file gets its fields through the kill-safe tag writer.

// Measures a file that is to be tagged: one that takes no loudness tag is
// refused (Failed, with why) before it is decoded.
Measurement MeasureForTags(audio::IAudioFile& reader, const std::string& path,
                           const std::atomic<bool>* cancel = nullptr,
                           const std::function<void(double percent)>& progress = {});

// The figures of the set as one album: none for a single file, and none when
// any file of the set was not measured (they would be another album's).
std::optional<Figures> AlbumFigures(const std::vector<const Measurement*>& set);

// How writing one measured file's fields went.
struct TagWrite {
    enum class Outcome {
        Written,
        Silent,  // no gain can be told for silence: nothing written, not a fault
        Failed,  // nothing written; message says why, naming the file
    };
    Outcome outcome = Outcome::Failed;
    std::string message;  // empty when written
};

// Writes the track's (and the album's, when given) fields into `path`
// through `tag` (none: the build has no tag component). A `refusal` (a file
// being recorded, checked by the caller as late as it can) stops the write.
TagWrite WriteReplayGain(audio::ILoudnessTag* tag, const std::string& path, const Figures& track,
                         const Figures* album, const std::string& refusal = {});

}  // namespace qsr::loudness
