#include "platform/loudness/Loudness.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>

namespace qsr::loudness {

struct Meter::State {
    ebur128_state* st = nullptr;
    unsigned channels = 0;
};

namespace {

// Without libebur128's histogram (its bins are 0.1 LU wide, as wide as the
// figures are given): the blocks it keeps instead take some 20 MB over ten
// hours of sound.
constexpr int kMode = EBUR128_MODE_I | EBUR128_MODE_LRA | EBUR128_MODE_TRUE_PEAK;

std::optional<double> Gated(double lufs) {
    if (!std::isfinite(lufs)) return std::nullopt;
    return lufs;
}

double Peak(ebur128_state* st, unsigned channels,
            int (*peak)(ebur128_state*, unsigned int, double*)) {
    double highest = 0;
    for (unsigned c = 0; c < channels; ++c) {
        double v = 0;
        if (peak(st, c, &v) == EBUR128_SUCCESS) highest = std::max(highest, v);
    }
    return highest;
}

}  // namespace

Meter::Meter(int rate, int channels) {
    if (rate <= 0 || channels <= 0) return;
    ebur128_state* st =
        ebur128_init(static_cast<unsigned>(channels), static_cast<unsigned long>(rate), kMode);
    if (!st) return;
    state_ = new State{st, static_cast<unsigned>(channels)};
}

Meter::~Meter() {
    if (!state_) return;
    ebur128_destroy(&state_->st);
    delete state_;
}

bool Meter::Add(const std::int16_t* frames, std::size_t count) {
    if (!state_) return false;
    return ebur128_add_frames_short(state_->st, frames, count) == EBUR128_SUCCESS;
}

Figures Meter::Result() const {
    Figures f;
    if (!state_) return f;
    double value = 0;
    if (ebur128_loudness_global(state_->st, &value) == EBUR128_SUCCESS) f.integrated = Gated(value);
    if (ebur128_loudness_range(state_->st, &value) == EBUR128_SUCCESS && std::isfinite(value))
        f.range = value;
    f.truePeak = Peak(state_->st, state_->channels, ebur128_true_peak);
    f.samplePeak = Peak(state_->st, state_->channels, ebur128_sample_peak);
    return f;
}

Figures Meter::Combined(const std::vector<const Meter*>& meters) {
    Figures f;
    std::vector<ebur128_state*> states;
    for (const Meter* m : meters) {
        if (!m || !m->state_) continue;
        states.push_back(m->state_->st);
        const Figures one = m->Result();
        f.truePeak = std::max(f.truePeak, one.truePeak);
        f.samplePeak = std::max(f.samplePeak, one.samplePeak);
    }
    if (states.empty()) return f;
    double value = 0;
    if (ebur128_loudness_global_multiple(states.data(), states.size(), &value) == EBUR128_SUCCESS)
        f.integrated = Gated(value);
    if (ebur128_loudness_range_multiple(states.data(), states.size(), &value) == EBUR128_SUCCESS &&
        std::isfinite(value))
        f.range = value;
    return f;
}

Measurement MeasureFile(audio::IAudioFile& reader, const std::string& path,
                        const std::atomic<bool>* cancel,
                        const std::function<void(double percent)>& progress, bool mixedToo) {
    Measurement m;
    if (progress) progress(0.0);
    if (reader.OpenFile(path) < 0 || reader.Status() < 0) {
        m.reason = reader.LastError().empty() ? "cannot be read" : reader.LastError();
        reader.Close();
        return m;
    }
    const int rate = reader.SampleRate(), channels = reader.ChannelCount();
    m.rate = rate;
    auto meter = std::make_shared<Meter>(rate, channels);
    if (!meter->Valid()) {
        reader.Close();
        m.reason = "cannot be measured (" + std::to_string(channels) + " channels at " +
                   std::to_string(rate) + " Hz)";
        return m;
    }
    std::unique_ptr<Meter> mono;
    if (mixedToo && channels == 2) mono = std::make_unique<Meter>(rate, 1);
    audio::Samples mix;
    const std::int64_t total = reader.TotalSamples();
    const double unit = reader.SizeValue();
    double position = 0;
    // A second of sound a block, as the converter reads.
    const long n = static_cast<long>(channels) * rate;
    bool failed = false;
    while (!(cancel && cancel->load())) {
        const audio::Samples block = reader.ReadBlock(n);
        if (block.empty()) {
            failed = reader.Status() < 0;
            break;
        }
        const std::size_t frames = block.size() / static_cast<std::size_t>(channels);
        meter->Add(block.data(), frames);
        if (mono) {
            mix.resize(frames);
            for (std::size_t i = 0; i < frames; ++i)
                mix[i] = static_cast<std::int16_t>((block[2 * i] + block[2 * i + 1]) / 2);
            mono->Add(mix.data(), frames);
        }
        m.frames += static_cast<std::int64_t>(frames);
        if (progress && total > 0 && unit > 0) {
            position = std::min<double>(position + double(block.size() * 2) / unit, double(total));
            progress(100.0 * position / double(total));
        }
    }
    const std::int64_t damaged = reader.DamagedFrames();
    const std::string why = reader.LastError();
    reader.Close();
    if (cancel && cancel->load()) {
        m.outcome = Measurement::Outcome::Cancelled;
        return m;
    }
    if (failed) {
        m.reason = why.empty() ? "reading failed" : why;
        return m;
    }
    // Frames passed over would be missing from the figures: a figure of part
    // of a file, given as the file's, would be false.
    if (damaged > 0) {
        m.outcome = Measurement::Outcome::Damaged;
        m.reason = "the file is damaged (" + std::to_string(damaged) + " bad frames)";
        return m;
    }
    if (m.frames == 0) {
        m.reason = "no sound could be decoded";
        return m;
    }
    m.outcome = Measurement::Outcome::Measured;
    m.figures = meter->Result();
    m.meter = std::move(meter);
    if (mono) m.mixed = mono->Result();
    if (progress) progress(100.0);
    return m;
}

}  // namespace qsr::loudness
