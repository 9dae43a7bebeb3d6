// quorvin-cli mark and markers: a marker into the running recording, and the
// markers a file keeps, printed or changed.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "cli/Commands.h"
#include "core/Markers.h"
#include "platform/audio-api/AudioEngine.h"
#include "platform/services/AppFolder.h"
#include "recording/LiveRecordings.h"
#include "recording/RecoveryJournal.h"
#include "settings/ApplySettings.h"
#include "settings/FormatValues.h"

namespace qsr::cli {
namespace {

int Say(std::FILE* err, const char* command, const std::string& why, int code) {
    std::fprintf(err, "quorvin-cli %s: %s\n", command, why.c_str());
    return code;
}

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// A headerless file's rate is the one settings.dat gives its format.
int FileRate(audio::IAudioEngine& engine, const std::string& path) {
    auto reader = engine.CreateFile();
    if (!reader) return 0;
    settings::FormatValues v = settings::ShippedFormatValues();
    settings::LoadFormatValues(
        services::AppPath(services::PrepareApplicationFolder(), settings::kSettingsFileName), v);
    settings::ApplyFormatValues(*reader, v);
    const int rate = reader->OpenFile(path) >= 0 ? reader->SampleRate() : 0;
    reader->Close();
    return rate;
}

}  // namespace

int MarkCommand(audio::IAudioEngine&, const std::vector<std::string>& args, std::FILE* out,
                std::FILE* err) {
    if (args.size() > 1) return Say(err, "mark", "give at most one label", 2);
    const std::int64_t at = NowMs();
    recording::RecoveryJournal journal(
        recording::JournalFile(services::PrepareApplicationFolder()));
    const std::vector<long> asked = journal.RequestMarker(args.empty() ? "" : args[0], at);
    if (asked.empty()) return Say(err, "mark", "nothing is being recorded", 1);
    // Each recording takes its request at its next progress (five a second);
    // the marker stands at the moment asked for, however late it is taken.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::vector<long> waiting = asked;
    while (!waiting.empty() && std::chrono::steady_clock::now() < until) {
        std::erase_if(waiting, [&journal](long pid) { return !journal.MarkerPending(pid); });
        if (!waiting.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    for (const recording::JournalEntry& e : journal.Entries()) {
        if (std::find(asked.begin(), asked.end(), e.pid) == asked.end()) continue;
        const bool taken = std::find(waiting.begin(), waiting.end(), e.pid) == waiting.end();
        std::fprintf(taken ? out : err, "%s: %s\n", e.path.c_str(),
                     taken ? "marker set" : "the recording has not taken the marker yet");
    }
    return waiting.empty() ? 0 : 1;
}

int MarkersCommand(audio::IAudioEngine& engine, const std::vector<std::string>& args,
                   std::FILE* out, std::FILE* err) {
    std::string path, add, remove;
    bool cue = false, labels = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--cue") {
            cue = true;
        } else if (a == "--labels") {
            labels = true;
        } else if ((a == "--add" || a == "--remove") && i + 1 < args.size()) {
            (a == "--add" ? add : remove) = args[++i];
        } else if (a.rfind("--", 0) == 0 || !path.empty()) {
            return Say(err, "markers", "unknown argument " + a, 2);
        } else {
            path = a;
        }
    }
    if (path.empty()) return Say(err, "markers", "give one file", 2);
    if (int(cue) + int(labels) + int(!add.empty()) + int(!remove.empty()) > 1)
        return Say(err, "markers", "give one of --cue, --labels, --add, --remove", 2);

    std::vector<core::Marker> markers;
    int rate = 0;
    std::string why;
    if (!engine.ReadMarkers(path, markers, rate, &why))
        return Say(err, "markers", path + ": " + why, 1);
    if (rate <= 0) rate = FileRate(engine, path);
    if (rate <= 0) return Say(err, "markers", path + ": its sample rate is not known", 1);

    if (!add.empty() || !remove.empty()) {
        if (recording::IsBeingRecorded(
                path, recording::JournalFile(services::PrepareApplicationFolder())))
            return Say(err, "markers", recording::BeingRecordedMessage(path), 1);
        if (!add.empty()) {
            const auto equals = add.find('=');
            const auto ms = core::ParseChapterTime(add.substr(0, equals));
            if (!ms) return Say(err, "markers", "--add takes TIME=LABEL, as 00:01:02.5=Intro", 2);
            const std::string label = equals == std::string::npos ? "" : add.substr(equals + 1);
            markers.push_back(
                {core::MsToFrames(*ms, rate),
                 label.empty() ? core::DefaultMarkerLabel(int(markers.size()) + 1) : label, 0});
            core::SortMarkers(markers);
        } else {
            char* end = nullptr;
            const long n = std::strtol(remove.c_str(), &end, 10);
            if (*end != '\0' || n < 1 || n > static_cast<long>(markers.size()))
                return Say(err, "markers",
                           "--remove takes a marker's number (1 to " +
                               std::to_string(markers.size()) + ")",
                           2);
            markers.erase(markers.begin() + (n - 1));
        }
        if (!engine.StoreMarkers(path, rate, markers, &why))
            return Say(err, "markers", path + " could not be saved: " + why, 1);
    }
    if (cue) {
        const auto slash = path.find_last_of('/');
        std::fputs(core::CueSheet(slash == std::string::npos ? path : path.substr(slash + 1),
                                  markers, rate)
                       .c_str(),
                   out);
    } else if (labels) {
        std::fputs(core::LabelsText(markers, rate).c_str(), out);
    } else {
        int n = 0;
        for (const core::Marker& m : markers)
            std::fprintf(out, "%d\t%s\t%s\n", ++n,
                         core::ChapterTimeText(core::FramesToMs(m.frame, rate)).c_str(),
                         m.label.c_str());
    }
    return 0;
}

}  // namespace qsr::cli
