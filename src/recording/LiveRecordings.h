#pragma once

#include <string>

namespace qsr::recording {

// The recovery journal of an application folder.
std::string JournalFile(const std::string& applicationFolder);

// Whether a process of ours (this one, another window, quorvin-cli) is
// recording into `path` right now: a journal entry of a process that still
// runs names the same file, also through a hard or symbolic link or another
// spelling of the path. An entry whose process is gone is a crash to recover,
// not a recording. Every writer that would replace, rewrite, rename or delete
// a file asks this first.
bool IsBeingRecorded(const std::string& path, const std::string& journalFile);

// Why such a writer refuses: "PATH is being recorded".
std::string BeingRecordedMessage(const std::string& path);

}  // namespace qsr::recording
