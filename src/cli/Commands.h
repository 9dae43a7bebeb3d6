#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace qsr::audio {
class IAudioEngine;
}

namespace qsr::cli {

// One command of quorvin-cli over the engine main() hands in (tests hand in a
// scripted one): its arguments after the command word; writes to out/err and
// returns the process exit code.
using Command = std::function<int(audio::IAudioEngine& engine, const std::vector<std::string>& args,
                                  std::FILE* out, std::FILE* err)>;

// Runs the command named by args[0]; prints usage and returns 2 when unknown.
int Run(audio::IAudioEngine& engine, const std::vector<std::string>& args, std::FILE* out = stdout,
        std::FILE* err = stderr);

// The commands.
int DevicesCommand(audio::IAudioEngine& engine, const std::vector<std::string>& args,
                   std::FILE* out, std::FILE* err);
int RecordCommand(audio::IAudioEngine& engine, const std::vector<std::string>& args, std::FILE* out,
                  std::FILE* err);
int ConvertCommand(audio::IAudioEngine& engine, const std::vector<std::string>& args,
                   std::FILE* out, std::FILE* err);
int InfoCommand(audio::IAudioEngine& engine, const std::vector<std::string>& args, std::FILE* out,
                std::FILE* err);
int TagsCommand(audio::IAudioEngine& engine, const std::vector<std::string>& args, std::FILE* out,
                std::FILE* err);
int LoudnessCommand(audio::IAudioEngine& engine, const std::vector<std::string>& args,
                    std::FILE* out, std::FILE* err);
// The loudness lines `info FILE --loudness` adds; the exit code.
int InfoLoudness(audio::IAudioEngine& engine, const std::string& path, std::FILE* out,
                 std::FILE* err);
int MarkCommand(audio::IAudioEngine& engine, const std::vector<std::string>& args, std::FILE* out,
                std::FILE* err);
int MarkersCommand(audio::IAudioEngine& engine, const std::vector<std::string>& args,
                   std::FILE* out, std::FILE* err);
int TrimCommand(audio::IAudioEngine& engine, const std::vector<std::string>& args, std::FILE* out,
                std::FILE* err);
int SplitCommand(audio::IAudioEngine& engine, const std::vector<std::string>& args, std::FILE* out,
                 std::FILE* err);

// Why FILE must not be rewritten now ("" when it may be): a recording goes
// into it. The tags command asks it only before writing.
using BeingRecordedQuery = std::function<std::string(const std::string& file)>;
// The tags command itself, over any such query: reading needs no more than
// the engine's tag component, so quorvin-cli reads tags without the rest.
int RunTagsCommand(audio::IAudioEngine& engine, const std::vector<std::string>& args,
                   std::FILE* out, std::FILE* err, const BeingRecordedQuery& beingRecorded);

// True for `tags FILE`: reading, nothing written.
bool IsTagRead(const std::vector<std::string>& args);

}  // namespace qsr::cli
