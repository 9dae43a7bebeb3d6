// trim: keeps a span of a recording, cuts spans out of it or trims its silent
// ends, without coding the sound again (the engine's file cutter).
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "cli/Commands.h"
#include "core/AtomicFile.h"
#include "core/Text.h"
#include "platform/audio-api/AudioEngine.h"
#include "platform/services/AppFolder.h"
#include "recording/LiveRecordings.h"
#include "recording/SoundTrigger.h"
#include "settings/ApplySettings.h"
#include "settings/Inifun.h"
#include "trim/EditList.h"
#include "trim/Overview.h"

namespace qsr::cli {
namespace {

int Bad(std::FILE* err, const std::string& why) {
    std::fprintf(err, "quorvin-cli trim: %s\n", why.c_str());
    return 2;
}

int Failed(std::FILE* err, const std::string& why) {
    std::fprintf(err, "quorvin-cli trim: %s\n", why.c_str());
    return 1;
}

// Seconds, not negative ("1.5", "62").
std::optional<double> Seconds(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(v) || v < 0) return std::nullopt;
    return v;
}

struct TrimArgs {
    std::string file, out;
    std::optional<double> start, end;
    std::vector<std::pair<double, double>> cuts;
    std::string silence;
    bool overwrite = false;
};

// Empty when the arguments are good, else why not.
std::string Parse(const std::vector<std::string>& args, TrimArgs& t) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool valued = a == "--start" || a == "--end" || a == "--cut" || a == "--silence" ||
                            a == "-o" || a == "--output";
        if (valued && i + 1 >= args.size()) return a + " needs a value";
        if (a == "--overwrite") {
            t.overwrite = true;
        } else if (a == "--start" || a == "--end") {
            const auto v = Seconds(args[++i]);
            if (!v) return "bad time '" + args[i] + "' (seconds)";
            (a == "--start" ? t.start : t.end) = v;
        } else if (a == "--cut") {
            const std::string& v = args[++i];
            const auto dash = v.find('-');
            const auto from = dash == std::string::npos ? std::nullopt : Seconds(v.substr(0, dash));
            const auto to = dash == std::string::npos ? std::nullopt : Seconds(v.substr(dash + 1));
            if (!from || !to || *from >= *to) return "bad span '" + v + "' (FROM-TO in seconds)";
            t.cuts.emplace_back(*from, *to);
        } else if (a == "--silence") {
            t.silence = args[++i];
        } else if (a == "-o" || a == "--output") {
            t.out = args[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            return "unknown option " + a;
        } else if (t.file.empty()) {
            t.file = a;
        } else {
            return "give one file";
        }
    }
    if (t.file.empty()) return "give a file";
    if (!t.start && !t.end && t.cuts.empty() && t.silence.empty())
        return "say what to keep: --start, --end, --cut or --silence";
    if (!t.silence.empty() && (t.start || t.end || !t.cuts.empty())) return "--silence goes alone";
    if (t.start && t.end && *t.start >= *t.end) return "--start must be before --end";
    if (t.out.empty()) t.out = t.file;
    const auto lower = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return s;
    };
    if (lower(std::filesystem::path(t.out).extension().string()) !=
        lower(std::filesystem::path(t.file).extension().string())) {
        return "OUT must have the extension of FILE (trim does not convert)";
    }
    return {};
}

bool BeingRecorded(const std::string& path) {
    return recording::IsBeingRecorded(path,
                                      recording::JournalFile(services::PrepareApplicationFolder()));
}

}  // namespace

int TrimCommand(audio::IAudioEngine& engine, const std::vector<std::string>& args, std::FILE* out,
                std::FILE* err) {
    TrimArgs t;
    if (const std::string why = Parse(args, t); !why.empty()) return Bad(err, why);
    // The level and length the start on sound takes.
    settings::TriggerSettings level;
    if (!t.silence.empty() && !recording::ParseStartOnSound(t.silence, level))
        return Bad(err, "bad --silence '" + t.silence + "' (LEVELdB[:LENGTHms])");
    for (const std::string& f : {t.file, t.out}) {
        if (BeingRecorded(f)) return Failed(err, recording::BeingRecordedMessage(f));
    }
    std::error_code ec;
    if (t.out != t.file && std::filesystem::exists(t.out, ec) && !t.overwrite)
        return Failed(err, t.out + " exists (--overwrite replaces it)");

    auto reader = engine.CreateFile();
    auto cutter = engine.CreateCutter();
    if (!reader || !cutter) return Failed(err, "this engine cannot cut files");
    settings::FormatValues values = settings::ShippedFormatValues();
    settings::LoadFormatValues(
        services::AppPath(services::PrepareApplicationFolder(), settings::kSettingsFileName),
        values);
    settings::ApplyFormatValues(*reader, values);  // for a headerless RAW file
    if (reader->OpenFile(t.file) < 0) return Failed(err, reader->LastError());
    const int rate = reader->SampleRate();
    const std::int64_t total = reader->TotalSamples();
    // A RAW sample frame: 16-bit PCM or 8-bit A-law/mu-law values per channel.
    cutter->SetRawFrameBytes(reader->ChannelCount() * (values.rawCompr == 1 ? 2 : 1));
    cutter->SetHeaderlessFormat(rate, values.gbit);
    const auto frame = [rate](double s) {
        return static_cast<std::int64_t>(std::llround(s * rate));
    };

    trim::EditList edits(total);
    if (!t.silence.empty()) {
        trim::Overview overview;
        std::string why;
        if (!trim::ComputeOverview(*reader, t.file, overview, why)) return Failed(err, why);
        const auto span = trim::SoundSpan(overview, level.startDb, level.startMs);
        if (!span) return Failed(err, t.file + " holds no sound above " + t.silence);
        edits.Reset(overview.total);
        edits.Keep(*span);
    } else {
        // Times are the original's: first the span kept, then the cuts inside it
        // from the last, so the earlier ones stay where they were.
        const std::int64_t from = t.start ? frame(*t.start) : 0;
        const std::int64_t to = t.end ? frame(*t.end) : total;
        if (to > total || from >= total)
            return Bad(err, "the span passes the end of " + t.file + " (" +
                                core::ElapsedText(rate > 0 ? total * 1000 / rate : 0) + ")");
        edits.Keep({from, to});
        std::sort(t.cuts.begin(), t.cuts.end());
        std::int64_t next = to;  // where the cut after this one begins
        for (auto it = t.cuts.rbegin(); it != t.cuts.rend(); ++it) {
            const std::int64_t a = std::max(from, frame(it->first));
            const std::int64_t b = std::min(next, frame(it->second));
            if (frame(it->first) >= total) return Bad(err, "a cut passes the end of " + t.file);
            if (a < b) edits.Delete({a - from, b - from});
            next = std::min(next, a);
        }
    }
    if (edits.Length() <= 0) return Bad(err, "nothing would be left");
    const audio::CutAbility ability = cutter->Ability(t.file, edits.Kept());
    if (!ability.possible) return Failed(err, t.file + ": " + ability.note);
    // What the cut gives up (VOX and G.726 are coded again in part).
    if (!ability.note.empty()) std::fprintf(err, "quorvin-cli trim: %s\n", ability.note.c_str());
    const audio::CutResult r = cutter->Cut(t.file, edits.Kept(), t.out);
    if (!r.ok) return Failed(err, core::CouldNotSaveMessage(t.out, r.error));
    std::fprintf(out, "%s: %lld of %lld samples kept (%s)\n", t.out.c_str(),
                 static_cast<long long>(r.samples), static_cast<long long>(total),
                 core::ElapsedText(rate > 0 ? r.samples * 1000 / rate : 0).c_str());
    return 0;
}

}  // namespace qsr::cli
