#include "recording/MarkerTrack.h"

#include <algorithm>

namespace qsr::recording {

void MarkerTrack::Reset() {
    *this = MarkerTrack();
}

int MarkerTrack::Add(std::int64_t capturedFrame, std::string label, std::int64_t setAtMs) {
    const int number = ++numbers_;
    if (label.empty()) label = core::DefaultMarkerLabel(number);
    entries_.push_back(
        {number, std::max<std::int64_t>(0, capturedFrame), -1, std::move(label), setAtMs});
    return number;
}

bool MarkerTrack::Rename(int number, std::string label) {
    for (Entry& e : entries_)
        if (e.number == number) {
            e.label = std::move(label);
            return true;
        }
    return false;
}

bool MarkerTrack::Remove(int number) {
    return std::erase_if(entries_, [number](const Entry& e) { return e.number == number; }) > 0;
}

bool MarkerTrack::Written(std::int64_t capturedFrame, std::int64_t frames) {
    bool placed = false;
    for (Entry& e : entries_) {
        if (e.frame >= 0 || e.captured >= capturedFrame + frames) continue;
        e.frame = written_ + std::max<std::int64_t>(0, e.captured - capturedFrame);
        placed = true;
    }
    written_ += std::max<std::int64_t>(0, frames);
    return placed;
}

void MarkerTrack::Finish(std::int64_t fileFrames) {
    const std::int64_t last = std::max<std::int64_t>(0, fileFrames - 1);
    for (Entry& e : entries_)
        if (e.frame < 0 || e.frame > last) e.frame = last;
}

std::vector<core::Marker> MarkerTrack::Placed(std::int64_t from, std::int64_t to) const {
    std::vector<core::Marker> out;
    for (const Entry& e : entries_)
        if (e.frame >= from && e.frame < to) out.push_back({e.frame - from, e.label, e.setAtMs});
    core::SortMarkers(out);
    return out;
}

void CaptureClock::Reset(int rate) {
    rate_ = rate;
    reports_.clear();
}

void CaptureClock::Report(std::int64_t atMs, std::int64_t frames) {
    reports_.emplace_back(atMs, frames);
    while (reports_.size() > 1 && reports_.front().first < atMs - kWindowMs) reports_.pop_front();
}

std::int64_t CaptureClock::FrameAt(std::int64_t atMs) const {
    if (reports_.empty() || rate_ <= 0) return -1;
    // Frames ahead of the moment's share of the pace: the least lagging report wins.
    std::int64_t best = std::numeric_limits<std::int64_t>::min();
    for (const auto& [ms, frames] : reports_) best = std::max(best, frames * 1000 - ms * rate_);
    const std::int64_t estimate = (best + atMs * rate_) / 1000;
    return std::max(estimate, reports_.back().second);
}

}  // namespace qsr::recording
