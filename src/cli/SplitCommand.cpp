// split --at-markers: a recording cut at its markers into pieces beside it
// (or in -o DIR), each exact for its format; the recording stays.
#include <cstdio>
#include <filesystem>

#include "cli/Commands.h"
#include "core/AtomicFile.h"
#include "platform/audio-api/AudioEngine.h"
#include "platform/services/AppFolder.h"
#include "recording/LiveRecordings.h"
#include "recording/MarkerSplit.h"
#include "settings/ApplySettings.h"

namespace qsr::cli {
namespace {

int Say(std::FILE* err, const std::string& why, int code) {
    std::fprintf(err, "quorvin-cli split: %s\n", why.c_str());
    return code;
}

}  // namespace

int SplitCommand(audio::IAudioEngine& engine, const std::vector<std::string>& args, std::FILE* out,
                 std::FILE* err) {
    std::string file, folder;
    bool atMarkers = false, overwrite = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--at-markers") {
            atMarkers = true;
        } else if (a == "--overwrite") {
            overwrite = true;
        } else if (a == "-o" || a == "--output") {
            if (i + 1 >= args.size()) return Say(err, a + " needs a folder", 2);
            folder = args[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            return Say(err, "unknown option " + a, 2);
        } else if (file.empty()) {
            file = a;
        } else {
            return Say(err, "give one file", 2);
        }
    }
    if (!atMarkers) return Say(err, "say where to split: --at-markers", 2);
    if (file.empty()) return Say(err, "give a file", 2);

    const std::string journal = recording::JournalFile(services::PrepareApplicationFolder());
    if (recording::IsBeingRecorded(file, journal))
        return Say(err, recording::BeingRecordedMessage(file), 1);
    settings::FormatValues values = settings::ShippedFormatValues();
    settings::LoadFormatValues(
        services::AppPath(services::PrepareApplicationFolder(), settings::kSettingsFileName),
        values);
    recording::SplitSource source;
    std::string why;
    if (!recording::OpenSplitSource(engine, file, values, source, why))
        return Say(err, file + ": " + why, 1);
    if (!folder.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (!std::filesystem::is_directory(folder, ec))
            return Say(err, folder + " is not a folder" + (ec ? ": " + ec.message() : ""), 1);
    }
    const std::vector<recording::SplitPiece> pieces =
        recording::PlanSplit(file, source.markers, source.total, folder);
    auto cutter = engine.CreateCutter();
    if (!cutter) return Say(err, "this engine cannot cut files", 1);
    if (why = recording::SplitRefusal(*cutter, source, pieces); !why.empty())
        return Say(err, file + " cannot be split: " + why, 1);
    for (const recording::SplitPiece& p : pieces) {
        if (recording::IsBeingRecorded(p.path, journal))
            return Say(err, recording::BeingRecordedMessage(p.path), 1);
    }
    if (const auto existing = recording::ExistingPieces(pieces); !existing.empty() && !overwrite) {
        std::string names;
        for (const std::string& e : existing) names += "\n  " + e;
        return Say(err, "these pieces exist already (--overwrite replaces them):" + names, 1);
    }

    const recording::SplitReport report = recording::WritePieces(engine, *cutter, source, pieces);
    for (const recording::WrittenPiece& w : report.written)
        std::fprintf(out, "%s\n", w.path.c_str());
    if (!report.failure.empty()) {
        std::string text = core::CouldNotSaveMessage(report.failedPath, report.failure);
        if (report.left > 1) text += " (" + std::to_string(report.left - 1) + " more not written)";
        return Say(err, text, 1);
    }
    return 0;
}

}  // namespace qsr::cli
