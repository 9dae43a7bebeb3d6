#pragma once

#include <filesystem>
#include <string>

namespace qsr::testing {

// The shared tag corpus beside the repository (a worktree may sit deeper).
inline std::string TagCorpus() {
    namespace fs = std::filesystem;
    if (fs::exists(fs::path(QSR_SHARED_CORPUS) / "tags")) {
        return std::string(QSR_SHARED_CORPUS) + "/tags/";
    }
    for (fs::path p = fs::absolute(QSR_TEST_DATA); p.has_relative_path(); p = p.parent_path()) {
        if (fs::exists(p / "shared/corpus/tags")) return (p / "shared/corpus/tags/").string();
    }
    return std::string(QSR_SHARED_CORPUS) + "/tags/";
}

}  // namespace qsr::testing
