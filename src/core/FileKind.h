#pragma once

#include <string>

namespace qsr::core {

// What a path names when it is not a plain file or folder: "a named pipe",
// "a device" or "a socket"; empty otherwise (a missing path too). Only the
// file system's entry is looked at: opening a named pipe waits for a writer.
std::string SpecialFileKind(const std::string& path);

// The message refusing such a path: "<path> is a named pipe, not a file."
std::string SpecialFileMessage(const std::string& path, const std::string& kind);

}  // namespace qsr::core
