#include "player/RefusalNotices.h"

#include <algorithm>

namespace qsr::player {

bool RefusalNotices::Add(const std::string& why, bool playingOn) {
    if (why.empty() || std::find(waiting_.begin(), waiting_.end(), why) != waiting_.end())
        return false;
    if (playingOn && told_.count(why)) return false;
    waiting_.push_back(why);
    return waiting_.size() == 1;
}

void RefusalNotices::Told() {
    if (waiting_.empty()) return;
    told_.insert(waiting_.front());
    waiting_.pop_front();
}

}  // namespace qsr::player
