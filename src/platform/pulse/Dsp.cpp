#include "platform/pulse/Dsp.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace qsr::audio::dsp {
namespace {

constexpr double kPi = 3.14159265358979323846;

Biquad Normalised(double b0, double b1, double b2, double a0, double a1, double a2) {
    Biquad q;
    q.b0 = b0 / a0;
    q.b1 = b1 / a0;
    q.b2 = b2 / a0;
    q.a1 = a1 / a0;
    q.a2 = a2 / a0;
    return q;
}

}  // namespace

Biquad Biquad::Notch(double rate, double hz, double q) {
    const double w = 2 * kPi * hz / rate;
    const double alpha = std::sin(w) / (2 * q);
    const double c = std::cos(w);
    return Normalised(1, -2 * c, 1, 1 + alpha, -2 * c, 1 - alpha);
}

Biquad Biquad::HighPass(double rate, double hz, double q) {
    const double w = 2 * kPi * hz / rate;
    const double alpha = std::sin(w) / (2 * q);
    const double c = std::cos(w);
    return Normalised((1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

Biquad Biquad::LowPass(double rate, double hz, double q) {
    const double w = 2 * kPi * hz / rate;
    const double alpha = std::sin(w) / (2 * q);
    const double c = std::cos(w);
    return Normalised((1 - c) / 2, 1 - c, (1 - c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

double Biquad::MagnitudeAt(double rate, double hz) const {
    const std::complex<double> z1 = std::polar(1.0, -2 * kPi * hz / rate);
    const std::complex<double> z2 = z1 * z1;
    return std::abs((b0 + b1 * z1 + b2 * z2) / (1.0 + a1 * z1 + a2 * z2));
}

Agc::Agc(int rate, int channels, double lowDb, double highDb, double attackMs)
    : rate_(std::max(1, rate)), channels_(std::max(1, channels)) {
    Retune(lowDb, highDb, attackMs);
    warmup_ = static_cast<long>(std::max(1.0, attackMs) / 1000.0 * rate_);
}

void Agc::Retune(double lowDb, double highDb, double attackMs) {
    low_ = std::min(lowDb, highDb);
    high_ = std::max(lowDb, highDb);
    const double tau = std::max(1.0, attackMs) / 1000.0;
    levelCoeff_ = 1 - std::exp(-1.0 / (tau * rate_));
    gainCoeff_ = 1 - std::exp(-static_cast<double>(kControlFrames) / (tau * rate_));
}

void Agc::Control() {
    // The level follower starts from nothing: let it settle for one attack
    // time before acting on it, or a steady signal would be boosted at start.
    if (warmup_ > 0) {
        warmup_ -= kControlFrames;
        return;
    }
    const double levelDb = 10 * std::log10(std::max(meanSquare_, 1e-20));
    if (levelDb < -80) return;  // silence: hold the gain
    double target = gainDb_;
    if (levelDb + gainDb_ < low_) target = low_ - levelDb;
    if (levelDb + gainDb_ > high_) target = high_ - levelDb;
    target = std::clamp(target, kMinGainDb, kMaxGainDb);
    gainDb_ += (target - gainDb_) * gainCoeff_;
    gain_ = std::pow(10.0, gainDb_ / 20);
}

void Agc::Process(double* values, long frames) {
    for (long f = 0; f < frames; ++f) {
        double* frame = values + f * channels_;
        double sq = 0;
        for (int c = 0; c < channels_; ++c) sq = std::max(sq, frame[c] * frame[c]);
        const double g = Step(sq);
        for (int c = 0; c < channels_; ++c) frame[c] = std::clamp(frame[c] * g, -1.0, 1.0);
    }
}

void DspChain::Configure(const FilterSettings& s, int rate, int channels) {
    channels = std::max(1, channels);
    const bool sameStream = rate == rate_ && channels == channels_;
    if (!sameStream) Reset();
    rate_ = rate;
    channels_ = channels;
    const std::vector<Kind> oldKinds = std::move(kinds_);
    const std::vector<Biquad::State> oldStates = std::move(states_);
    kinds_.clear();
    filters_.clear();
    states_.clear();
    if (channels_ > kMaxChannels) {  // left unprocessed
        agc_.reset();
        return;
    }
    const double nyquist = rate / 2.0;
    auto fits = [&](float hz) { return hz > 0 && hz < nyquist * 0.98; };
    auto add = [&](Kind kind, const Biquad& q) {
        kinds_.push_back(kind);
        filters_.push_back(q);
    };
    if (s.highPassOn && fits(s.highPassHz))
        add(Kind::HighPass, Biquad::HighPass(rate, s.highPassHz));
    if (s.lowPassOn && fits(s.lowPassHz)) add(Kind::LowPass, Biquad::LowPass(rate, s.lowPassHz));
    if (s.notchOn && fits(s.notchHz)) add(Kind::Notch, Biquad::Notch(rate, s.notchHz));
    const std::size_t ch = static_cast<std::size_t>(channels_);
    states_.assign(filters_.size() * ch, Biquad::State{});
    // A filter that stays on goes on from where it was.
    for (std::size_t k = 0; k < kinds_.size(); ++k) {
        for (std::size_t old = 0; old < oldKinds.size(); ++old) {
            if (oldKinds[old] != kinds_[k] || (old + 1) * ch > oldStates.size()) continue;
            std::copy_n(oldStates.begin() + static_cast<std::ptrdiff_t>(old * ch), ch,
                        states_.begin() + static_cast<std::ptrdiff_t>(k * ch));
        }
    }
    if (!s.agcOn) {
        agc_.reset();
    } else if (agc_) {
        agc_->Retune(s.agcLowDb, s.agcHighDb, s.agcAttackMs);
    } else {
        agc_.emplace(rate, channels_, s.agcLowDb, s.agcHighDb, s.agcAttackMs);
    }
}

namespace {

// Rounds half away from zero, without branches: the signs of a tone are not
// predictable, and min, max and copysign are single instructions.
std::int16_t ToSample(double x) {
    const double y = std::min(std::max(x * 32768.0, -32768.0), 32767.0);
    return static_cast<std::int16_t>(static_cast<int>(y + std::copysign(0.5, y)));
}

}  // namespace

// One pass per frame through every filter and the gain control: the filters'
// feedback chains of successive frames and channels then overlap in the CPU,
// which a pass per filter does not allow. C = 0 takes the channel count at run time.
template <int C>
void DspChain::Run(std::int16_t* values, long frames) {
    const int ch = C > 0 ? C : channels_;
    const std::size_t nf = filters_.size();
    const Biquad* f = filters_.data();
    Biquad::State* st = states_.data();
    Agc* agc = agc_ ? &*agc_ : nullptr;
    double x[kMaxChannels];
    for (long i = 0; i < frames; ++i) {
        std::int16_t* frame = values + i * ch;
        for (int c = 0; c < ch; ++c) x[c] = frame[c] / 32768.0;
        for (std::size_t k = 0; k < nf; ++k)
            for (int c = 0; c < ch; ++c)
                x[c] = f[k].Process(
                    x[c], st[k * static_cast<std::size_t>(ch) + static_cast<std::size_t>(c)]);
        if (agc) {
            double sq = 0;
            for (int c = 0; c < ch; ++c) sq = std::max(sq, x[c] * x[c]);
            const double g = agc->Step(sq);
            for (int c = 0; c < ch; ++c) x[c] *= g;
        }
        for (int c = 0; c < ch; ++c) frame[c] = ToSample(x[c]);
    }
}

// Stereo: both channels move together as one two-lane vector, so each filter
// step is one vector instruction instead of two. The filter count is a
// compile-time constant so that every filter's state stays in registers, and
// the gain control runs in stretches between its gain updates with its level
// in a register too: this loop is most of the recorder's own work.
template <std::size_t NF>
void DspChain::RunStereo(std::int16_t* values, long frames) {
    typedef double V2 __attribute__((vector_size(16)));
    V2 b0[NF + 1], b1[NF + 1], b2[NF + 1], a1[NF + 1], a2[NF + 1];
    V2 z1[NF + 1], z2[NF + 1];
    for (std::size_t k = 0; k < NF; ++k) {
        const Biquad& q = filters_[k];
        b0[k] = V2{q.b0, q.b0};
        b1[k] = V2{q.b1, q.b1};
        b2[k] = V2{q.b2, q.b2};
        a1[k] = V2{q.a1, q.a1};
        a2[k] = V2{q.a2, q.a2};
        z1[k] = V2{states_[2 * k].z1, states_[2 * k + 1].z1};
        z2[k] = V2{states_[2 * k].z2, states_[2 * k + 1].z2};
    }
    Agc* agc = agc_ ? &*agc_ : nullptr;
    const V2 scale{1 / 32768.0, 1 / 32768.0};
    long i = 0;
    while (i < frames) {
        const long run = agc ? std::min(frames - i, agc->FramesToControl()) : frames - i;
        const double g = agc ? agc->Gain() : 1.0;
        const V2 gain{g, g};
        double level = agc ? agc->Level() : 0.0;
        for (const long end = i + run; i < end; ++i) {
            std::int16_t* frame = values + 2 * i;
            V2 x = V2{static_cast<double>(frame[0]), static_cast<double>(frame[1])} * scale;
            for (std::size_t k = 0; k < NF; ++k) {
                const V2 y = b0[k] * x + z1[k];
                z1[k] = b1[k] * x - a1[k] * y + z2[k];
                z2[k] = b2[k] * x - a2[k] * y;
                x = y;
            }
            if (agc) {
                level = agc->Follow(level, std::max(x[0] * x[0], x[1] * x[1]));
                x *= gain;
            }
            frame[0] = ToSample(x[0]);
            frame[1] = ToSample(x[1]);
        }
        if (agc) agc->Advance(level, run);
    }
    for (std::size_t k = 0; k < NF; ++k) {
        states_[2 * k].z1 = z1[k][0];
        states_[2 * k + 1].z1 = z1[k][1];
        states_[2 * k].z2 = z2[k][0];
        states_[2 * k + 1].z2 = z2[k][1];
    }
}

void DspChain::Process(std::int16_t* values, long frames) {
    if (!Active() || frames <= 0) return;
    if (channels_ == 1)
        Run<1>(values, frames);
    else if (channels_ == 2) {
        static_assert(kMaxFilters == 3);
        switch (filters_.size()) {
            case 0:
                RunStereo<0>(values, frames);
                break;
            case 1:
                RunStereo<1>(values, frames);
                break;
            case 2:
                RunStereo<2>(values, frames);
                break;
            default:
                RunStereo<3>(values, frames);
                break;
        }
    } else
        Run<0>(values, frames);
}

}  // namespace qsr::audio::dsp
