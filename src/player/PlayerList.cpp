#include "player/PlayerList.h"

#include <algorithm>
#include <cmath>

#include "player/Playlist.h"

namespace qsr::player {

void PlayerList::Append(const std::string& path) {
    paths_.push_back(path);
    names_.push_back(StripPath(path));
}

bool PlayerList::Select(int index) {
    if (index < 0 || index >= Count()) return false;
    current_ = index;
    return true;
}

bool PlayerList::Next() {
    if (Empty()) return false;
    return Select(current_ + 1 >= Count() ? 0 : current_ + 1);
}

bool PlayerList::Previous() {
    if (Empty()) return false;
    return Select(current_ - 1 < 0 ? Count() - 1 : current_ - 1);
}

bool PlayerList::Draw(double r) {
    if (Empty()) return false;
    // r is below 1, but a rounding of count × r must not reach count.
    const int index = std::clamp(static_cast<int>(std::floor(Count() * r)), 0, Count() - 1);
    return Select(index);
}

bool PlayerList::AdvanceAtEnd() {
    if (!Select(current_ + 1)) return false;
    // With duplicate names the first of them becomes current.
    const auto it =
        std::find(names_.begin(), names_.end(), names_[static_cast<std::size_t>(current_)]);
    current_ = static_cast<int>(it - names_.begin());
    return true;
}

}  // namespace qsr::player
