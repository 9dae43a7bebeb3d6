#include "platform/audio/Dsp.h"

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

// The gain is recomputed every kControlFrames frames: log10 per sample would
// cost more than the filters, and 32 frames is well below a millisecond.
constexpr long kControlFrames = 32;

Agc::Agc(int rate, int channels, double lowDb, double highDb, double attackMs)
    : channels_(std::max(1, channels)),
      low_(std::min(lowDb, highDb)),
      high_(std::max(lowDb, highDb)) {
    const double tau = std::max(1.0, attackMs) / 1000.0;
    levelCoeff_ = 1 - std::exp(-1.0 / (tau * std::max(1, rate)));
    gainCoeff_ = 1 - std::exp(-static_cast<double>(kControlFrames) / (tau * std::max(1, rate)));
    warmup_ = static_cast<long>(tau * std::max(1, rate));
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
        meanSquare_ += (sq - meanSquare_) * levelCoeff_;
        for (int c = 0; c < channels_; ++c) frame[c] = std::clamp(frame[c] * gain_, -1.0, 1.0);
        if ((f + 1) % kControlFrames == 0) Control();
    }
}

void DspChain::Configure(const FilterSettings& s, int rate, int channels) {
    channels_ = std::max(1, channels);
    filters_.clear();
    agc_.reset();
    const double nyquist = rate / 2.0;
    auto fits = [&](float hz) { return hz > 0 && hz < nyquist * 0.98; };
    if (s.highPassOn && fits(s.highPassHz))
        filters_.push_back(Biquad::HighPass(rate, s.highPassHz));
    if (s.lowPassOn && fits(s.lowPassHz)) filters_.push_back(Biquad::LowPass(rate, s.lowPassHz));
    if (s.notchOn && fits(s.notchHz)) filters_.push_back(Biquad::Notch(rate, s.notchHz));
    states_.assign(filters_.size() * static_cast<size_t>(channels_), Biquad::State{});
    if (s.agcOn) agc_.emplace(rate, channels_, s.agcLowDb, s.agcHighDb, s.agcAttackMs);
}

void DspChain::Process(std::int16_t* values, long frames) {
    if (!Active() || frames <= 0) return;
    const size_t n = static_cast<size_t>(frames) * static_cast<size_t>(channels_);
    work_.resize(n);
    for (size_t i = 0; i < n; ++i) work_[i] = values[i] / 32768.0;
    for (size_t k = 0; k < filters_.size(); ++k) {
        const Biquad& q = filters_[k];
        for (int c = 0; c < channels_; ++c) {
            Biquad::State st = states_[k * static_cast<size_t>(channels_) + static_cast<size_t>(c)];
            for (size_t i = static_cast<size_t>(c); i < n; i += static_cast<size_t>(channels_))
                work_[i] = q.Process(work_[i], st);
            states_[k * static_cast<size_t>(channels_) + static_cast<size_t>(c)] = st;
        }
    }
    if (agc_) agc_->Process(work_.data(), frames);
    for (size_t i = 0; i < n; ++i) {
        const long v = std::clamp(std::lround(work_[i] * 32768.0), -32768L, 32767L);
        values[i] = static_cast<std::int16_t>(v);
    }
}

}  // namespace qsr::audio::dsp
