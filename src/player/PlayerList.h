#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace qsr::player {

// The player's playlist: the display names the user sees and the full paths
// behind them, in the same order, with one current index (-1 = none).
// Entries are only appended, always to both lists together.
class PlayerList {
  public:
    void Append(const std::string& path);
    int Count() const { return static_cast<int>(paths_.size()); }
    bool Empty() const { return paths_.empty(); }
    int Current() const { return current_; }
    const std::string& Path(int index) const { return paths_.at(static_cast<std::size_t>(index)); }
    const std::string& Name(int index) const { return names_.at(static_cast<std::size_t>(index)); }
    const std::vector<std::string>& Paths() const { return paths_; }
    const std::vector<std::string>& Names() const { return names_; }

    // Refuses an index outside the list (the selection stays); true when taken.
    bool Select(int index);
    // The following entry, wrapping from the last (or from none) to the first.
    // False on an empty list.
    bool Next();
    // The entry before, wrapping from the first (or from none) to the last.
    bool Previous();
    // Shuffle: the entry at floor(count × r) for r in [0, 1); the same entry
    // may come again. False on an empty list.
    bool Draw(double r);
    // Normal order at the end of the current entry: the following entry, then
    // the first entry carrying its display name. False at the end of the list
    // (playback stops there) or on an empty list.
    bool AdvanceAtEnd();

  private:
    std::vector<std::string> paths_;
    std::vector<std::string> names_;
    int current_ = -1;
};

}  // namespace qsr::player
