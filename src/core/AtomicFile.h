#pragma once

#include <string>
#include <string_view>

namespace qsr::core {

// Replaces the file's whole content so that a crash or a full disk leaves
// either the old file or the new one, never half of either: the content goes
// to a fresh, exclusively created file in the same folder, is flushed to disk
// and renamed over the target in one step.
// - A symbolic link is followed: its target is replaced, the link stays.
// - The replaced file keeps its permission bits (new files get 0644 less the umask).
// - A file the user may not write is left untouched (false), as is anything
//   that is not a regular file.
// On failure the old file is whole and `error` (when given) says why.
bool WriteFileAtomically(const std::string& path, std::string_view content,
                         std::string* error = nullptr);

}  // namespace qsr::core
