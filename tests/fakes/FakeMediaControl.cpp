#include "fakes/FakeMediaControl.h"

#include <algorithm>

namespace qsr::fakes {

void FakeMediaControl::Advance(double seconds) {
    if (!playing_) return;
    position_ += seconds;
    if (position_ >= duration_) {
        position_ = 0;
        playing_ = false;
        emit EndOfStream();
    }
}

bool FakeMediaControl::SetFileName(const QString& path) {
    const auto why = refused_.find(path);
    lastError_ = why == refused_.end() ? QString() : why->second;
    if (!lastError_.isEmpty()) return false;
    const auto it = files_.find(path);
    if (it == files_.end() || it->second <= 0) return false;
    fileName_ = path;
    duration_ = it->second;
    position_ = 0;
    playing_ = true;
    paused_ = false;
    return true;
}

void FakeMediaControl::Play() {
    if (fileName_.isEmpty()) return;
    playing_ = true;
    paused_ = false;
}

void FakeMediaControl::Pause() {
    if (!playing_) return;
    playing_ = false;
    paused_ = true;
}

void FakeMediaControl::Stop() {
    playing_ = false;
    paused_ = false;
    position_ = 0;
}

void FakeMediaControl::SetCurrentPosition(double seconds) {
    if (fileName_.isEmpty()) return;
    position_ = std::clamp(seconds, 0.0, duration_);
}

bool FakeMediaControl::SetVolume(int volume) {
    if (volume < kMinVolume || volume > kMaxVolume) return false;
    volume_ = volume;
    return true;
}

bool FakeMediaControl::SetBalance(int balance) {
    if (balance < kMinBalance || balance > kMaxBalance) return false;
    balance_ = balance;
    return true;
}

}  // namespace qsr::fakes
