#pragma once

#include <unistd.h>

#include <string>

// Where a fuzz target writes the file it works on: in memory when the system
// offers it, so the writers' flushes to disk cost nothing and a run does
// thousands of inputs a second instead of a few.
inline std::string ScratchFile(const char* target) {
    const char* folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(folder) + "/qsr-" + target + "-" + std::to_string(::getpid());
}
