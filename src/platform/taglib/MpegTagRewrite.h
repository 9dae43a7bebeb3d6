#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>

namespace qsr::audio::tagfile {

// The two ways a new head (ID3v2 tag) is put into an MP3 file without ever
// leaving half of it behind:
//
// - in place: the new tag fits the old tag's space (padding fills the rest),
//   so one write of that region, then fsync. Keeps the inode, hard links,
//   owner, mode and the audio where it is.
// - replace: a new file beside the real target (symlinks resolved), created
//   exclusively under a random name, with the target's owner, mode and
//   extended attributes, the
//   audio copied in blocks, fsync, then renamed over the target. A kill at any
//   moment leaves the old file or the new one. Not possible for a hard-linked
//   file (the other names would keep the old file) or in a folder we cannot
//   write; those are refused, never half done. Copies a killed rewrite left
//   beside the file are removed at its next rewrite.

// The 10 header bytes of a tag of `size` bytes (footer not counted).
std::string RenderHeader(int major, std::uint32_t size);

// Writes `bytes` over the start of the open file, then fsyncs it.
bool WriteInPlace(int fd, const std::string& bytes, std::string& error);

enum class ReplaceResult { Done, Impossible, Failed };

// Makes the file at `path` (open as fd, described by st) hold `head`
// followed by its own bytes from `from` to the end. Impossible (with the
// reason) for a hard-linked file or a folder that takes no new file;
// Failed for any other error. The file is untouched unless Done.
ReplaceResult ReplaceHead(const std::string& path, int fd, const struct stat& st,
                          const std::string& head, std::uint64_t from, std::string& error);

// Tests only: called with the name of each step of a write ("in place: write",
// "in place: flush", "in place: done", "replace: created", "replace: block",
// "replace: flushed", "replace: renamed", "replace: done"), so a crash test
// can end the process at a known moment instead of a guessed one.
using StepHook = void (*)(const char* step);
void SetStepHook(StepHook hook);

}  // namespace qsr::audio::tagfile
