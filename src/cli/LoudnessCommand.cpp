// loudness and info --loudness: EBU R128 figures of files, and the ReplayGain
// tags written from them.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

#include "cli/Commands.h"
#include "platform/audio-api/AudioEngine.h"
#include "platform/loudness/Loudness.h"
#include "platform/loudness/LoudnessRules.h"
#include "platform/loudness/ReplayGainTagging.h"
#include "platform/services/AppFolder.h"
#include "recording/LiveRecordings.h"
#include "settings/ApplySettings.h"
#include "settings/FormatValues.h"

namespace qsr::cli {
namespace {

using loudness::Figures;
using loudness::Measurement;

// A reader set up as the other commands' are: headerless VOX, RAW and G.726
// files are read with settings.dat's parameters.
std::unique_ptr<audio::IAudioFile> Reader(audio::IAudioEngine& engine) {
    auto reader = engine.CreateFile();
    if (!reader) return nullptr;
    settings::FormatValues v = settings::ShippedFormatValues();
    settings::LoadFormatValues(
        services::AppPath(services::PrepareApplicationFolder(), settings::kSettingsFileName), v);
    settings::ApplyFormatValues(*reader, v);
    return reader;
}

std::string GainOf(const Figures& f) {
    return f.integrated ? loudness::GainText(loudness::kReplayGainReference - *f.integrated)
                        : std::string("none");
}

struct Measured {
    std::string path;
    Measurement m;
};

// Writes the fields of one file; false (told on err) when it could not be.
bool Tag(audio::IAudioEngine& engine, const Measured& file, const Figures* album, std::FILE* err) {
    // A rewrite of a file a recording goes into would leave the recording
    // writing into the old, unlinked one: asked as late as can be.
    const std::string refusal =
        recording::IsBeingRecorded(file.path,
                                   recording::JournalFile(services::PrepareApplicationFolder()))
            ? recording::BeingRecordedMessage(file.path)
            : std::string();
    const auto tag = engine.CreateLoudnessTag();
    const loudness::TagWrite written =
        loudness::WriteReplayGain(tag.get(), file.path, file.m.figures, album, refusal);
    if (written.outcome != loudness::TagWrite::Outcome::Written)
        std::fprintf(err, "quorvin-cli loudness: %s\n", written.message.c_str());
    return written.outcome != loudness::TagWrite::Outcome::Failed;
}

}  // namespace

int LoudnessCommand(audio::IAudioEngine& engine, const std::vector<std::string>& args,
                    std::FILE* out, std::FILE* err) {
    bool tag = false;
    std::vector<std::string> files;
    for (const std::string& a : args) {
        if (a == "--tag") {
            tag = true;
        } else if (a.size() > 1 && a[0] == '-') {
            std::fprintf(err, "quorvin-cli loudness: unknown option %s\n", a.c_str());
            return 2;
        } else {
            files.push_back(a);
        }
    }
    if (files.empty()) {
        std::fputs("quorvin-cli loudness: give one or more files\n", err);
        return 2;
    }
    auto reader = Reader(engine);
    if (!reader) {
        std::fputs("quorvin-cli loudness: no file component in this build\n", err);
        return 1;
    }
    bool failed = false;
    std::vector<Measured> measured;
    for (const std::string& path : files) {
        Measurement m =
            tag ? loudness::MeasureForTags(*reader, path) : loudness::MeasureFile(*reader, path);
        if (m.outcome != Measurement::Outcome::Measured) {
            std::fprintf(err, "quorvin-cli loudness: %s: %s; skipped\n", path.c_str(),
                         m.reason.c_str());
            failed = true;
            continue;
        }
        std::fprintf(out, "%s: %s, track gain %s\n", path.c_str(),
                     loudness::SummaryText(m.figures).c_str(), GainOf(m.figures).c_str());
        std::fflush(out);
        measured.push_back({path, std::move(m)});
    }
    // Album figures only for a set measured whole: one left out would make
    // them the figures of another album.
    std::optional<Figures> album;
    if (measured.size() == files.size()) {
        std::vector<const Measurement*> set;
        set.reserve(measured.size());
        for (const Measured& f : measured) set.push_back(&f.m);
        album = loudness::AlbumFigures(set);
    }
    if (album) {
        std::fprintf(out, "Album: %s, album gain %s\n", loudness::SummaryText(*album).c_str(),
                     GainOf(*album).c_str());
    } else if (files.size() > 1) {
        std::fputs("quorvin-cli loudness: no album figures: not every file was measured\n", err);
    }
    if (tag) {
        for (const Measured& f : measured) {
            if (!Tag(engine, f, album ? &*album : nullptr, err)) failed = true;
        }
    }
    return failed ? 1 : 0;
}

int InfoLoudness(audio::IAudioEngine& engine, const std::string& path, std::FILE* out,
                 std::FILE* err) {
    auto reader = Reader(engine);
    if (!reader) return 1;
    const Measurement m = loudness::MeasureFile(*reader, path);
    if (m.outcome != Measurement::Outcome::Measured) {
        std::fprintf(err, "quorvin-cli info: %s: %s\n", path.c_str(), m.reason.c_str());
        return 1;
    }
    std::fprintf(out,
                 "Integrated loudness: %s\nLoudness range: %s\nTrue peak: %s\nSample peak: %s\n",
                 loudness::LufsText(m.figures.integrated).c_str(),
                 loudness::RangeText(m.figures.range).c_str(),
                 loudness::PeakText(m.figures.truePeak, "dBTP").c_str(),
                 loudness::PeakText(m.figures.samplePeak, "dBFS").c_str());
    return 0;
}

}  // namespace qsr::cli
