#pragma once

#include <string>

#include "trim/Overview.h"

namespace qsr::trim {

// Overviews kept in a folder of the application's (beside the recordings
// list's data), one file per recording, named after its path. An entry holds
// the recording's path, size and modification time: a recording that changed
// since is decoded again.
std::string OverviewCacheFile(const std::string& folder, const std::string& recording);
// False when there is none, it is damaged, or the recording has changed.
bool LoadOverview(const std::string& folder, const std::string& recording, Overview& out);
// Written atomically; false with the reason when it could not be.
bool StoreOverview(const std::string& folder, const std::string& recording, const Overview& o,
                   std::string* error = nullptr);

}  // namespace qsr::trim
