#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace qsr::cli {

// One command of quorvin-cli: its arguments after the command word; writes to
// out/err and returns the process exit code.
using Command =
    std::function<int(const std::vector<std::string>& args, std::FILE* out, std::FILE* err)>;

// Runs the command named by args[0]; prints usage and returns 2 when unknown.
int Run(const std::vector<std::string>& args, std::FILE* out = stdout, std::FILE* err = stderr);

// The commands, each in a file of its own.
int DevicesCommand(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);
int RecordCommand(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);
int ConvertCommand(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);
int InfoCommand(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);
int TagsCommand(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

}  // namespace qsr::cli

namespace qsr::cli {
// For commands not built yet: says so on err and returns 3.
int NotAvailable(const char* name, std::FILE* err);
}  // namespace qsr::cli
