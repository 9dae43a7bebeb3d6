#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tags/clsFile.h"

namespace qsr::tags {

// True when name matches a pattern of "*" (any run) and "?" (one character),
// without regard to case in any script ("É" matches "é"); "?" is one UTF-8
// character. "*.*" matches every name, as the tag editor expects.
bool MatchesPattern(const std::string& name, const std::string& pattern);

// Collects the files of a folder that match one or more ";"-separated
// patterns; with recursion, every subfolder is searched completely before the
// folder's own files. Positions count from 1.
class clsFind {
  public:
    using Collection = std::vector<std::shared_ptr<clsFile>>;

    void Clear() { files_.clear(); }
    // The file at a 1-based position; null outside 1..Count.
    std::shared_ptr<clsFile> Item(std::int32_t position) const;
    std::int32_t Count() const { return static_cast<std::int32_t>(files_.size()); }
    void Remove(std::int32_t position);
    // Iteration in collection order.
    Collection::const_iterator begin() const { return files_.begin(); }
    Collection::const_iterator end() const { return files_.end(); }
    const Collection& NewEnum() const { return files_; }

    // Searches and appends; returns Count afterwards.
    std::int32_t Find(std::string folder, const std::string& patterns, bool recursive);

  private:
    Collection files_;
};

}  // namespace qsr::tags
