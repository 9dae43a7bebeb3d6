#include "recording/SoundTrigger.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace qsr::recording {
namespace {

// "<number><unit>" with the unit case-insensitive; false unless the whole text is that.
bool Number(const std::string& text, const std::string& unit, double& value) {
    if (text.size() <= unit.size()) return false;
    const std::string tail = text.substr(text.size() - unit.size());
    for (std::size_t i = 0; i < unit.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(tail[i])) !=
            std::tolower(static_cast<unsigned char>(unit[i])))
            return false;
    }
    const std::string number = text.substr(0, text.size() - unit.size());
    char* end = nullptr;
    value = std::strtod(number.c_str(), &end);
    return end != number.c_str() && *end == '\0' && std::isfinite(value);
}

// Splits at the first colon; false when a colon is followed by nothing.
bool Split(const std::string& text, std::string& first, std::string& second) {
    const auto colon = text.find(':');
    first = text.substr(0, colon);
    second = colon == std::string::npos ? "" : text.substr(colon + 1);
    return colon == std::string::npos || !second.empty();
}

}  // namespace

bool ParseStartOnSound(const std::string& text, TriggerSettings& out) {
    std::string level, hold;
    double db = 0, ms = out.startMs;
    if (!Split(text, level, hold) || !Number(level, "dB", db) || db > 0 || db < -100) return false;
    if (!hold.empty() && (!Number(hold, "ms", ms) || ms < 0 || ms > 60000)) return false;
    out.startOnSound = true;
    out.startDb = db;
    out.startMs = static_cast<int>(ms);
    return true;
}

bool ParseStopOnSilence(const std::string& text, TriggerSettings& out) {
    std::string length, level;
    double s = 0, db = out.silenceDb;
    if (!Split(text, length, level) || !Number(length, "s", s) || s <= 0 || s > 24 * 3600)
        return false;
    if (!level.empty() && (!Number(level, "dB", db) || db > 0 || db < -100)) return false;
    out.stopOnSilence = true;
    out.stopSeconds = s;
    out.silenceDb = db;
    return true;
}

double TriggerGate::WindowLevelDb(const std::int16_t* values, std::size_t count) {
    if (count == 0) return -120;
    // Whole numbers: the sum is exact (as the double sum was for any window
    // we take), and the loop vectorises.
    std::int64_t squares = 0;
    for (std::size_t i = 0; i < count; ++i) squares += std::int32_t{values[i]} * values[i];
    const double sum = static_cast<double>(squares);
    const double rms = std::sqrt(sum / double(count)) / 32768.0;
    return rms > 1e-6 ? 20 * std::log10(rms) : -120;
}

void TriggerGate::Reset(const TriggerSettings& settings, int rate, int channels) {
    settings_ = settings;
    channels_ = static_cast<std::size_t>(std::max(1, channels));
    windowValues_ = static_cast<std::size_t>(std::max(1, rate * kWindowMs / 1000)) * channels_;
    windowFrame_ = 0;
    spans_.clear();
    state_ = settings.startOnSound ? State::Waiting : State::Writing;
    partial_.clear();
    held_.clear();
    aboveMs_ = 0;
    silentMs_ = 0;
    lastDb_ = -120;
}

audio::Samples TriggerGate::Feed(const audio::Samples& block) {
    audio::Samples out;
    spans_.clear();
    partial_.insert(partial_.end(), block.begin(), block.end());
    std::size_t at = 0;
    while (partial_.size() - at >= windowValues_) {
        Window(partial_.data() + at, windowValues_, out);
        at += windowValues_;
        windowFrame_ += static_cast<std::int64_t>(windowValues_ / channels_);
    }
    partial_.erase(partial_.begin(), partial_.begin() + static_cast<std::ptrdiff_t>(at));
    return out;
}

audio::Samples TriggerGate::Flush() {
    audio::Samples out;
    spans_.clear();
    if (state_ == State::Writing) Out(out, partial_.data(), partial_.size(), windowFrame_);
    partial_.clear();
    return out;
}

void TriggerGate::Out(audio::Samples& out, const std::int16_t* values, std::size_t count,
                      std::int64_t frame) {
    if (count == 0) return;
    out.insert(out.end(), values, values + count);
    const auto frames = static_cast<std::int64_t>(count / channels_);
    if (!spans_.empty() && spans_.back().first + spans_.back().second == frame)
        spans_.back().second += frames;
    else
        spans_.emplace_back(frame, frames);
}

void TriggerGate::Hold(const std::int16_t* values, std::size_t count, std::size_t keepWindows) {
    held_.push_back({windowFrame_, audio::Samples(values, values + count)});
    while (held_.size() > keepWindows) held_.pop_front();
}

void TriggerGate::Release(audio::Samples& out) {
    for (const Held& w : held_) Out(out, w.values.data(), w.values.size(), w.frame);
    held_.clear();
}

void TriggerGate::Window(const std::int16_t* values, std::size_t count, audio::Samples& out) {
    lastDb_ = WindowLevelDb(values, count);
    switch (state_) {
        case State::Waiting: {
            // The second before the level rose, plus the hold time itself.
            const std::size_t keep =
                static_cast<std::size_t>((kPreRollMs + settings_.startMs) / kWindowMs + 1);
            Hold(values, count, keep);
            aboveMs_ = lastDb_ > settings_.startDb ? aboveMs_ + kWindowMs : 0;
            if (aboveMs_ > 0 && aboveMs_ >= settings_.startMs) {
                Release(out);
                state_ = State::Writing;
                silentMs_ = 0;
            }
            return;
        }
        case State::Writing:
        case State::Paused: {
            const bool silent = lastDb_ < settings_.silenceDb;
            silentMs_ = silent ? silentMs_ + kWindowMs : 0;
            if (settings_.stopOnSilence && silentMs_ >= settings_.stopSeconds * 1000) {
                if (state_ == State::Writing) Out(out, values, count, windowFrame_);
                state_ = State::Done;
                held_.clear();
                return;
            }
            if (!settings_.pauseOnSilence) {
                Out(out, values, count, windowFrame_);
                return;
            }
            if (state_ == State::Writing) {
                if (silentMs_ > kPauseHangoverMs) {
                    state_ = State::Paused;
                    Hold(values, count, kPauseLeadInMs / kWindowMs);
                } else {
                    Out(out, values, count, windowFrame_);
                }
            } else if (silent) {
                Hold(values, count, kPauseLeadInMs / kWindowMs);
            } else {
                Release(out);
                Out(out, values, count, windowFrame_);
                state_ = State::Writing;
            }
            return;
        }
        case State::Done:
            return;
    }
}

}  // namespace qsr::recording
