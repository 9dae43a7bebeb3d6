#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/audio-api/FileCutter.h"

namespace qsr::trim {

using audio::SampleSpan;

// The cuts made to one recording before it is saved. Every edit is given in
// the timeline the user sees (what is left after the edits before it); the
// list keeps the spans of the original that remain, in order, so a save is
// one copy of those spans and anything placed on the original (a marker) can
// be carried to where it now is, or learn that it was cut away.
class EditList {
  public:
    explicit EditList(std::int64_t originalLength = 0) { Reset(originalLength); }
    // A new original: nothing cut, nothing to undo (after opening or saving).
    void Reset(std::int64_t originalLength);

    std::int64_t OriginalLength() const { return original_; }
    std::int64_t Length() const;  // what is left
    const std::vector<SampleSpan>& Kept() const { return kept_; }
    bool Changed() const;

    // Only `span` is left; false (nothing changes) when it is empty, outside,
    // or already all there is.
    bool Keep(SampleSpan span);
    // `span` is taken out; false when it is empty, outside, or everything.
    bool Delete(SampleSpan span);
    bool CanUndo() const { return !undo_.empty(); }
    bool Undo();

    // Where a position of the original now is; nothing when it was cut away
    // (the original's end maps to the end of what is left).
    std::optional<std::int64_t> ToEdited(std::int64_t original) const;
    // The original position of a position of the edited timeline (clamped).
    std::int64_t ToOriginal(std::int64_t edited) const;

  private:
    std::vector<SampleSpan> Remap(SampleSpan edited) const;
    void Apply(std::vector<SampleSpan> kept);
    std::int64_t original_ = 0;
    std::vector<SampleSpan> kept_;
    std::vector<std::vector<SampleSpan>> undo_;
};

}  // namespace qsr::trim
