#include "cli/Commands.h"

#include <map>
#include <utility>
#include <vector>

#include "core/AppInfo.h"
#include "core/OutputFormats.h"
#include "platform/services/AppFolder.h"
#include "recording/LiveRecordings.h"

namespace qsr::cli {
namespace {

// `left` (an option column) with `text` beside it from column 45, wrapped at
// 80; a `left` too wide for the column stands on a line of its own above.
std::string Beside(const std::string& left, const std::string& text) {
    constexpr std::size_t kColumn = 44, kWidth = 80;
    std::string lines, line = left;
    if (line.size() >= kColumn) {
        lines = line + "\n";
        line.clear();
    }
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.size();
        if (end - at > kWidth - kColumn) {
            end = text.rfind(' ', at + (kWidth - kColumn));
            if (end == std::string::npos || end <= at) end = text.find(' ', at);
            if (end == std::string::npos) end = text.size();
        }
        line.resize(kColumn, ' ');
        lines += line + text.substr(at, end - at) + "\n";
        line.clear();
        at = end < text.size() ? end + 1 : end;
    }
    return lines;
}

// Each command's usage, in the order --help lists them.
const std::vector<std::pair<std::string, std::string>>& Usages() {
    static const std::vector<std::pair<std::string, std::string>> usages = {
        {"devices",
         "  devices                                   list capture devices and their lines\n"},
        {"record",
         "  record --device N --seconds S --format FMT [--rate HZ] [--channels 1|2]\n" +
             Beside("         [--bitrate KBPS] [--overwrite] OUT",
                    "FMT: " + core::RecordingFormatList() +
                        "; OUT ends in .FMT; other parameters from settings.dat") +
             Beside("         [--split 10m|90s|100MB]",
                    "--split starts a new file (OUT_ 2, OUT_ 3 ...) at each length or size, "
                    "not losing a sample") +
             "         [--start-on-sound -30dB[:200ms]] [--stop-on-silence 3s[:-40dB]]\n"
             "         [--pause-on-silence]               start when the level rises (the second\n"
             "                                            before is kept), stop after or leave "
             "out\n"
             "                                            silence; S then bounds the whole run\n"
             "         [--program NAME]                   instead of --device: only what the\n"
             "                                            program NAME plays (see devices,\n"
             "                                            \"Programs\")\n"
             "         [--no-filters]                     without the notch, high-pass, low-pass\n"
             "                                            and gain control stored in settings.dat\n"
             "                                            (they apply otherwise)\n"
             "         [--add-device B]                   record device B too, in step with N\n"
             "         [--layout mix|channels|files]      mix: both in the file; channels: N "
             "left,\n"
             "                                            B right; files: OUT and OUT_ 2nd\n"
             "                                            (also for the Microphone + playback\n"
             "                                            device)\n"},
        {"convert",
         Beside("  convert [--wma-profile N] [--overwrite] [--verbose] IN OUT",
                "format from OUT's extension: " + core::RecordingFormatList() + " or " +
                    core::FormatName(core::Encoder::Wma) +
                    "; --wma-profile list shows the profiles; an existing OUT is replaced only "
                    "with --overwrite; --verbose shows the codec library's own messages") +
             Beside("         [--loudness LUFS[:DBTP]]",
                    "normalise: measure IN, then convert it with the gain that brings it to "
                    "LUFS (e.g. -16), limiting peaks only where they would pass DBTP (-1 "
                    "when not given)")},
        {"info",
         "  info FILE [--loudness]                    what the reader sees in FILE; with\n"
         "                                            --loudness its EBU R128 figures too\n"},
        {"tags",
         "  tags FILE [--v1 FIELD=TEXT ...] [--v2 FIELD=TEXT ...] [--remove-v1] [--remove-v2]\n"},
        {"loudness",
         Beside("  loudness [--tag] FILE...",
                "integrated loudness, loudness range, true and sample peak of each file and "
                "of the set (the album); --tag writes the ReplayGain 2.0 values (-18 LUFS) "
                "into each file's own tag")},
        {"mark", Beside("  mark [LABEL]",
                        "a marker now in what records (the window or a "
                        "record command); \"Marker N\" without LABEL")},
        {"markers",
         Beside("  markers FILE [--cue | --labels]",
                "the markers FILE keeps; --cue as a cue sheet, --labels as start, end, label") +
             Beside("          [--add TIME=LABEL | --remove N]",
                    "add one (TIME as 00:01:02.5) or remove the Nth, in place")},
        {"trim",
         "  trim FILE [--start S] [--end S] [--cut FROM-TO ...] [-o OUT] [--overwrite]\n" +
             Beside("  trim FILE --silence -40dB[:300ms] [-o OUT]",
                    "keeps the span from --start to --end (seconds) less each --cut, or the sound "
                    "between the silent ends, without coding the sound again; markers move with "
                    "the sound (those cut away go); FILE is replaced unless -o OUT is given")},
        {"split", Beside("  split --at-markers FILE [-o DIR] [--overwrite]",
                         "cuts FILE at its markers into pieces beside it (or in DIR), each "
                         "named after its marker's label, as exactly as trim; FILE stays")},
    };
    return usages;
}

std::string Usage() {
    std::string text =
        "usage: quorvin-cli COMMAND [ARGS]     (quorvin-cli COMMAND --help, quorvin-cli "
        "--version)\n";
    for (const auto& [name, usage] : Usages()) text += usage;
    return text;
}

}  // namespace

// A tag write rewrites the file; a recording into it (this program's or
// another's, the journal names both) would go on into the old, unlinked one.
int TagsCommand(audio::IAudioEngine& engine, const std::vector<std::string>& args, std::FILE* out,
                std::FILE* err) {
    return RunTagsCommand(engine, args, out, err, [](const std::string& file) {
        return recording::IsBeingRecorded(
                   file, recording::JournalFile(services::PrepareApplicationFolder()))
                   ? recording::BeingRecordedMessage(file)
                   : std::string();
    });
}

int Run(audio::IAudioEngine& engine, const std::vector<std::string>& args, std::FILE* out,
        std::FILE* err) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs(Usage().c_str(), args.empty() ? err : out);
        return args.empty() ? 2 : 0;
    }
    if (args[0] == "--version") {
        std::fprintf(out, "quorvin-cli %s\n", core::kAppVersion);
        return 0;
    }
    if (args.size() == 2 && (args[1] == "--help" || args[1] == "-h")) {
        for (const auto& [name, usage] : Usages()) {
            if (name != args[0]) continue;
            std::fprintf(out, "usage: quorvin-cli\n%s", usage.c_str());
            return 0;
        }
    }
    const std::map<std::string, Command> commands = {
        {"devices", DevicesCommand}, {"record", RecordCommand},   {"convert", ConvertCommand},
        {"info", InfoCommand},       {"tags", TagsCommand},       {"loudness", LoudnessCommand},
        {"mark", MarkCommand},       {"markers", MarkersCommand}, {"trim", TrimCommand},
        {"split", SplitCommand},
    };
    const auto it = commands.find(args[0]);
    if (it == commands.end()) {
        std::fprintf(err, "quorvin-cli: unknown command '%s'\n%s", args[0].c_str(),
                     Usage().c_str());
        return 2;
    }
    return it->second(engine, std::vector<std::string>(args.begin() + 1, args.end()), out, err);
}

}  // namespace qsr::cli
