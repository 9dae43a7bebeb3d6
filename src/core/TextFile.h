#pragma once

#include <cstddef>
#include <string>

namespace qsr::core {

// What to do with a file larger than the caller's limit.
enum class OverLimit {
    Refuse,    // read nothing: the file is not what the caller expects
    Truncate,  // read the first `limit` bytes and say so
};

struct TextFileRead {
    bool ok = false;
    std::string text;        // the bytes as stored (no conversion)
    bool truncated = false;  // with OverLimit::Truncate: only the first `limit` bytes
    std::string why;         // when !ok: "No such file or directory", "a named pipe", ...
};

// Reads a whole file of at most `limit` bytes. Only a regular file is read:
// a folder, a named pipe, a device or a socket is refused at once with its
// kind as the reason (a pipe never blocks the reader). Works for files whose
// size the system does not know beforehand (/proc) as well.
TextFileRead ReadTextFile(const std::string& path, std::size_t limit,
                          OverLimit over = OverLimit::Refuse);

// "larger than 16 MB" (whole MB), "larger than 512 KB" or "larger than N bytes".
std::string LargerThanText(std::size_t limit);

}  // namespace qsr::core
