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

}  // namespace qsr::recording
