#pragma once

#include <deque>
#include <set>
#include <string>

namespace qsr::player {

// Which reasons the media control gives for a file it refused are told to
// the user, one box at a time. A reason already waiting is not queued again,
// and while the list plays on by itself a reason told once is not told
// again: every MIDI file of a list would otherwise stop on a box of its own
// when the MIDI module is missing. A file the user chose is always answered.
class RefusalNotices {
  public:
    // Queues `why` when it is to be told; true when nothing was waiting
    // before, so the caller arranges for the queue to be told.
    bool Add(const std::string& why, bool playingOn);
    // The reason to tell now, null when none waits. It stays waiting while
    // its box is up, so the same reason arriving then is not queued again.
    const std::string* Next() const { return waiting_.empty() ? nullptr : &waiting_.front(); }
    // The reason Next gave has been told.
    void Told();

  private:
    std::deque<std::string> waiting_;
    std::set<std::string> told_;
};

}  // namespace qsr::player
