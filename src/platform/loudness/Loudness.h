#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/audio-api/AudioFile.h"

namespace qsr::loudness {

// What EBU R128 says of a sound: integrated loudness (LUFS), loudness range
// (LU), true peak (dBTP, 4x oversampled) and sample peak (dBFS).
struct Figures {
    // None when every block falls below the absolute gate (silence): there is
    // no loudness to tell, and a made-up low one would be a false figure.
    std::optional<double> integrated;
    double range = 0;
    // Linear peaks, 1.0 = full scale; 0 for digital silence.
    double truePeak = 0, samplePeak = 0;
};

// Measures interleaved 16-bit frames as they come.
class Meter {
  public:
    Meter(int rate, int channels);
    ~Meter();
    Meter(const Meter&) = delete;
    Meter& operator=(const Meter&) = delete;
    // False when libebur128 refused the rate or channel count.
    bool Valid() const { return state_ != nullptr; }
    bool Add(const std::int16_t* frames, std::size_t count);
    Figures Result() const;
    // The figures of a set measured as one (an album): loudness and range over
    // every block of every meter, the highest peaks.
    static Figures Combined(const std::vector<const Meter*>& meters);

  private:
    struct State;
    State* state_ = nullptr;
};

// What measuring one file gave.
struct Measurement {
    enum class Outcome {
        Measured,   // figures hold
        Failed,     // cannot be opened or read; reason says why
        Damaged,    // frames could not be decoded: no figure is given for it
        Cancelled,  // stopped on request
    };
    Outcome outcome = Outcome::Failed;
    std::string reason;
    Figures figures;
    std::shared_ptr<Meter> meter;  // for a set's figures; only when Measured
    // Of a stereo file's two channels averaged into one, when asked for.
    std::optional<Figures> mixed;
    std::int64_t frames = 0;
    int rate = 0;
};

// Decodes the file once with `reader` and measures it. `cancel` (when given)
// is looked at between blocks; `progress` gets 0..100. With `mixedToo` a
// stereo file's mono mix is measured as well (as the writers average it).
Measurement MeasureFile(audio::IAudioFile& reader, const std::string& path,
                        const std::atomic<bool>* cancel = nullptr,
                        const std::function<void(double percent)>& progress = {},
                        bool mixedToo = false);

}  // namespace qsr::loudness
