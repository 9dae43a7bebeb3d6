#pragma once

#include <string>

namespace qsr::tags {

// Parts of SplitPath, to be added together.
enum SplitPathParts : int {
    kSplitName = 1,       // the name without extension
    kSplitExtension = 2,  // the extension without its dot
    kSplitFolder = 4,     // the folder with its trailing "/"
};

// Picks the folder, the name and the extension out of a path ("/" separates).
std::string SplitPath(const std::string& path, int parts);

}  // namespace qsr::tags
