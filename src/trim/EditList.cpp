#include "trim/EditList.h"

#include <algorithm>

namespace qsr::trim {

void EditList::Reset(std::int64_t originalLength) {
    original_ = std::max<std::int64_t>(0, originalLength);
    kept_.clear();
    if (original_ > 0) kept_.push_back({0, original_});
    undo_.clear();
}

std::int64_t EditList::Length() const {
    std::int64_t n = 0;
    for (const SampleSpan& s : kept_) n += s.Length();
    return n;
}

bool EditList::Changed() const {
    return !(kept_.size() == 1 && kept_[0] == SampleSpan{0, original_}) &&
           !(kept_.empty() && original_ == 0);
}

// The pieces of the original that `edited` covers, in order.
std::vector<SampleSpan> EditList::Remap(SampleSpan edited) const {
    std::vector<SampleSpan> out;
    std::int64_t at = 0;  // edited position of the current kept span's start
    for (const SampleSpan& s : kept_) {
        const std::int64_t from = std::max(edited.begin, at);
        const std::int64_t to = std::min(edited.end, at + s.Length());
        if (from < to) out.push_back({s.begin + (from - at), s.begin + (to - at)});
        at += s.Length();
    }
    return out;
}

void EditList::Apply(std::vector<SampleSpan> kept) {
    undo_.push_back(kept_);
    kept_ = std::move(kept);
}

bool EditList::Keep(SampleSpan span) {
    const std::int64_t length = Length();
    span.begin = std::max<std::int64_t>(0, span.begin);
    span.end = std::min(length, span.end);
    if (span.begin >= span.end || (span.begin == 0 && span.end == length)) return false;
    Apply(Remap(span));
    return true;
}

bool EditList::Delete(SampleSpan span) {
    const std::int64_t length = Length();
    span.begin = std::max<std::int64_t>(0, span.begin);
    span.end = std::min(length, span.end);
    if (span.begin >= span.end || (span.begin == 0 && span.end == length)) return false;
    std::vector<SampleSpan> kept = Remap({0, span.begin});
    for (const SampleSpan& s : Remap({span.end, length})) {
        // Two pieces that meet again in the original become one.
        if (!kept.empty() && kept.back().end == s.begin) {
            kept.back().end = s.end;
        } else {
            kept.push_back(s);
        }
    }
    Apply(std::move(kept));
    return true;
}

bool EditList::Undo() {
    if (undo_.empty()) return false;
    kept_ = std::move(undo_.back());
    undo_.pop_back();
    return true;
}

std::optional<std::int64_t> EditList::ToEdited(std::int64_t original) const {
    std::int64_t at = 0;
    for (const SampleSpan& s : kept_) {
        if (original >= s.begin && original < s.end) return at + (original - s.begin);
        at += s.Length();
        if (original == s.end && &s == &kept_.back()) return at;
    }
    return std::nullopt;
}

std::int64_t EditList::ToOriginal(std::int64_t edited) const {
    std::int64_t at = 0;
    for (const SampleSpan& s : kept_) {
        if (edited < at + s.Length()) return s.begin + std::max<std::int64_t>(0, edited - at);
        at += s.Length();
    }
    return kept_.empty() ? 0 : kept_.back().end;
}

}  // namespace qsr::trim
