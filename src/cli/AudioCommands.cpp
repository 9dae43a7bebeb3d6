// devices, record, convert and info: the engine's file component and recorder
// driven from the command line, with the format parameters of settings.dat.
#include <unistd.h>

#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>

#include "cli/Commands.h"
#include "converter/ConvertJob.h"
#include "converter/ConvertRules.h"
#include "core/AtomicFile.h"
#include "core/OutputFormats.h"
#include "core/Text.h"
#include "platform/audio-api/AudioEngine.h"
#include "platform/audio-api/AudioRecorder.h"
#include "platform/audio-api/WmaProfiles.h"
#include "platform/loudness/LoudnessRules.h"
#include "platform/services/AppFolder.h"
#include "platform/services/EventPump.h"
#include "recording/Dropouts.h"
#include "recording/LiveRecordings.h"
#include "recording/PairedFiles.h"
#include "recording/RecordingSession.h"
#include "recording/RecoveryJournal.h"
#include "recording/SplitRule.h"
#include "recording/TakeOfTwo.h"
#include "settings/ApplySettings.h"
#include "settings/Inifun.h"

namespace qsr::cli {
namespace {

using audio::IAudioFile;

int Usage(std::FILE* err, const char* command, const std::string& why) {
    std::fprintf(err, "quorvin-cli %s: %s\n", command, why.c_str());
    return 2;
}

int Failure(std::FILE* err, const char* command, const std::string& why) {
    std::fprintf(err, "quorvin-cli %s: %s\n", command, why.c_str());
    return 1;
}

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

// "--name value" options before the positional arguments.
struct Parsed {
    std::map<std::string, std::string> options;
    std::vector<std::string> positional;
    bool Has(const std::string& name) const { return options.count(name) > 0; }
    std::string Get(const std::string& name) const {
        const auto it = options.find(name);
        return it == options.end() ? std::string() : it->second;
    }
};
// `flags` are options without a value ("--overwrite").
bool Parse(const std::vector<std::string>& args, const std::vector<std::string>& known, Parsed& out,
           std::string& why, const std::vector<std::string>& flags = {}) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
            const std::string name = a.substr(2);
            if (std::find(flags.begin(), flags.end(), name) != flags.end()) {
                out.options[name] = "1";
                continue;
            }
            if (std::find(known.begin(), known.end(), name) == known.end()) {
                why = "unknown option " + a;
                return false;
            }
            if (i + 1 >= args.size()) {
                why = "option " + a + " needs a value";
                return false;
            }
            out.options[name] = args[++i];
        } else {
            out.positional.push_back(a);
        }
    }
    return true;
}

bool ToInt(const std::string& text, long low, long high, long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || v < low || v > high) return false;
    value = v;
    return true;
}

// The format values of settings.dat in the application folder, over the
// defaults a fresh installation ships.
std::string SettingsFile() {
    return services::AppPath(services::PrepareApplicationFolder(), settings::kSettingsFileName);
}

settings::FormatValues LoadSettings() {
    settings::FormatValues v = settings::ShippedFormatValues();
    const std::string file = SettingsFile();
    settings::LoadFormatValues(file, v);
    if (const std::string warning = settings::SettingsSizeWarning(file); !warning.empty())
        std::fprintf(stderr, "quorvin-cli: %s\n", warning.c_str());
    return v;
}

// Which of --rate, --channels and --bitrate a recording format takes: Ogg
// Vorbis records 44100 Hz stereo, VOX and G.726 are mono, and only MP3, Ogg
// Vorbis and Opus have a bitrate.
bool RecordOptionApplies(core::Encoder encoder, const std::string& option) {
    using core::Encoder;
    if (option == "rate") return encoder != Encoder::Ogg;
    if (option == "channels")
        return encoder == Encoder::Wav || encoder == Encoder::Mp3 || encoder == Encoder::Raw ||
               encoder == Encoder::Flac || encoder == Encoder::Opus;
    if (option == "bitrate")
        return encoder == Encoder::Mp3 || encoder == Encoder::Ogg || encoder == Encoder::Opus;
    return true;
}

// The output file is checked before anything is written: a folder, a name
// without an extension, with another format's (when `fmt` names one) or with
// one no format has, an existing file (unless replacing was asked for) are
// refused. Empty when it may be written.
std::string RefuseOutput(const std::string& path, const std::string& fmt, bool overwrite) {
    const std::string ending =
        fmt.empty() ? "an audio extension (.mp3, .ogg, .wav ...)" : "." + fmt;
    std::error_code ec;
    if (path.empty() || path.back() == '/' || std::filesystem::is_directory(path, ec))
        return path + " is a folder; give a file name ending in " + ending;
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return path + " has no extension; give a file name ending in " + ending;
    if (!fmt.empty() && Upper(path.substr(dot + 1)) != fmt)
        return "the output file's extension must be ." + fmt;
    if (!core::EncoderForPath(path)) {
        std::string ext = path.substr(dot + 1);
        std::transform(ext.begin(), ext.end(), ext.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return core::UnknownFileTypeMessage(ext);
    }
    if (!overwrite && std::filesystem::exists(std::filesystem::symlink_status(path, ec)))
        return path + " exists; give --overwrite to replace it";
    return {};
}

// Where a command writes `path`: a file that replaces another is written
// beside it (exclusively, under a random name, links followed) and renamed
// over it only once complete, keeping its mode and owner, so a failure never
// damages what was there; a new file is written in place. Either way a
// failed write leaves nothing behind. `error` says why `path` cannot be
// replaced (a hard-linked file, a folder that takes no new file).
struct OutputTarget {
    std::string path, target, error;
    std::unique_ptr<core::ReplacingFile> replacing;
    OutputTarget(const std::string& p, bool overwrite) : path(p), target(p) {
        if (!overwrite) return;
        replacing = std::make_unique<core::ReplacingFile>();
        const auto dot = p.find_last_of('.');
        if (replacing->Begin(p, &error, dot == std::string::npos ? "" : p.substr(dot))) {
            target = replacing->TempPath();
        }
    }
    void Discard() const {
        if (replacing) {
            replacing->Discard();
            return;
        }
        std::error_code ec;
        std::filesystem::remove(target, ec);
    }
    // Empty on success, else why the file could not take its place.
    std::string Commit() const {
        if (!replacing) return {};
        std::string why;
        return replacing->Commit(&why) ? std::string() : why;
    }
};

// Whether a recording of ours writes `path` now: it must not be replaced.
bool BeingRecorded(const std::string& path) {
    return recording::IsBeingRecorded(path,
                                      recording::JournalFile(services::PrepareApplicationFolder()));
}

std::string FramesText(std::int64_t frames, int rate) {
    return core::ElapsedText(rate > 0 ? frames * 1000 / rate : 0);
}

// The "Programs" entry's line of the program named `name`.
bool SelectProgram(audio::IAudioRecorder& rec, const std::string& name) {
    for (int i = rec.DeviceCount() - 1; i >= 0; --i) {
        rec.SelectDevice(i);
        if (rec.DeviceName() != "Programs") continue;
        for (int j = 0; j <= rec.SourceLastIndex(); ++j) {
            rec.SelectSource(j);
            if (rec.SourceName() == name) return true;
        }
    }
    return false;
}

// The record command's arguments, checked.
struct RecordRequest {
    Parsed p;
    recording::TriggerSettings trigger;
    long device = 0, seconds = 0;
    std::string program;
    core::Encoder encoder = core::Encoder::Wav;
    std::string fmt;  // the format's name, as the output's extension must be
    std::string path;
    bool overwrite = false;
    bool filters = true;  // the stored filters and gain control; off with --no-filters
    recording::SplitRule split;
    long addDevice = -1;  // the second source, -1 = none
    std::optional<audio::CombineLayout> layout;
};

// Checks the arguments, in the order a user is told of their faults: the
// exit code when one is refused.
std::optional<int> ReadRecordRequest(const std::vector<std::string>& args, std::FILE* err,
                                     RecordRequest& r) {
    Parsed& p = r.p;
    std::string why;
    if (!Parse(args,
               {"device", "seconds", "format", "rate", "channels", "bitrate", "split",
                "start-on-sound", "stop-on-silence", "program", "add-device", "layout"},
               p, why, {"overwrite", "pause-on-silence", "no-filters"})) {
        return Usage(err, "record", why);
    }
    if (p.Has("start-on-sound") &&
        !recording::ParseStartOnSound(p.Get("start-on-sound"), r.trigger))
        return Usage(err, "record", "--start-on-sound takes a level and a time, e.g. -30dB:200ms");
    if (p.Has("stop-on-silence") &&
        !recording::ParseStopOnSilence(p.Get("stop-on-silence"), r.trigger))
        return Usage(err, "record", "--stop-on-silence takes a time and a level, e.g. 3s:-40dB");
    r.trigger.pauseOnSilence = p.Has("pause-on-silence");
    if (p.positional.size() != 1) return Usage(err, "record", "give one output file");
    r.program = p.Get("program");
    if (p.Has("program") && (r.program.empty() || p.Has("device")))
        return Usage(err, "record", "--program takes a program's name, instead of --device");
    if (!p.Has("program") && !ToInt(p.Get("device"), 0, 1000, r.device)) {
        return Usage(err, "record", "--device N is needed (see 'quorvin-cli devices')");
    }
    if (!ToInt(p.Get("seconds"), 1, 24 * 3600, r.seconds)) {
        return Usage(err, "record", "--seconds S is needed (1 or more)");
    }
    const std::optional<core::Encoder> encoder = core::EncoderForName(p.Get("format"));
    if (!encoder || *encoder == core::Encoder::Wma) {
        return Usage(err, "record", "--format is one of " + core::RecordingFormatList());
    }
    if (p.Has("add-device") && !ToInt(p.Get("add-device"), 0, 1000, r.addDevice))
        return Usage(err, "record",
                     "--add-device N names a second device (see 'quorvin-cli devices')");
    if (p.Has("layout")) {
        r.layout = audio::ParseCombineLayout(p.Get("layout"));
        if (!r.layout) return Usage(err, "record", "--layout is mix, channels or files");
    }
    r.encoder = *encoder;
    r.fmt = Upper(core::FormatName(r.encoder));
    r.path = p.positional[0];
    r.overwrite = p.Has("overwrite");
    r.filters = !p.Has("no-filters");
    if (BeingRecorded(r.path))
        return Failure(err, "record", recording::BeingRecordedMessage(r.path));
    if (const std::string refused = RefuseOutput(r.path, r.fmt, r.overwrite); !refused.empty()) {
        return Usage(err, "record", refused);
    }
    const std::optional<recording::SplitRule> split =
        p.Has("split") ? recording::ParseSplit(p.Get("split")) : recording::SplitRule{};
    if (!split) {
        return Usage(err, "record",
                     "--split is a length such as 10m or 90s, or a size such as 100MB");
    }
    r.split = *split;
    if (!r.split.Off() && r.overwrite) {
        return Usage(err, "record", "--split writes new files beside the first; drop --overwrite");
    }
    if (r.layout == audio::CombineLayout::Files) {
        const std::string second = recording::SecondFilePath(r.path);
        if (r.overwrite)
            return Usage(err, "record", "--layout files writes a second file; drop --overwrite");
        if (BeingRecorded(second))
            return Failure(err, "record", recording::BeingRecordedMessage(second));
        if (const std::string refused = RefuseOutput(second, r.fmt, false); !refused.empty())
            return Usage(err, "record", refused);
    }
    for (const char* option : {"rate", "channels", "bitrate"}) {
        if (p.Has(option) && !RecordOptionApplies(r.encoder, option)) {
            return Usage(err, "record", std::string("--") + option + " does not apply to " + r.fmt);
        }
    }
    return std::nullopt;
}

// The stored format values with --rate, --channels and --bitrate over them
// (only the chosen format is used); the exit code when one is refused.
std::optional<int> ReadRecordFormat(const RecordRequest& r, std::FILE* err,
                                    settings::FormatValues& v) {
    v = LoadSettings();
    const Parsed& p = r.p;
    long rate = 0, channels = 0, bitrate = 0;
    if (p.Has("rate") && !ToInt(p.Get("rate"), 1000, 192000, rate)) {
        return Usage(err, "record", "bad --rate");
    }
    if (p.Has("channels") && !ToInt(p.Get("channels"), 1, 2, channels)) {
        return Usage(err, "record", "--channels is 1 or 2");
    }
    if (p.Has("bitrate") && !ToInt(p.Get("bitrate"), 8, 500, bitrate)) {
        return Usage(err, "record", "bad --bitrate");
    }
    if (rate) {
        v.Freq = v.MP3Frequency = v.voxFreq = v.rawFreq = v.gFreq = v.flacFreq =
            static_cast<int>(rate);
    }
    if (channels) {
        v.Channel = v.MP3Channels = v.rawChannel = v.flacChannel =
            static_cast<std::int16_t>(channels);
    }
    if (bitrate) v.MP3Bitrate = v.oggBitrate = v.opusBitrate = static_cast<std::int16_t>(bitrate);
    return std::nullopt;
}

// --add-device and --layout: the second source, or the layout of the
// combined entry; the exit code when refused.
std::optional<int> SetSecondSource(audio::IAudioRecorder& rec, const RecordRequest& r,
                                   std::FILE* err) {
    audio::SecondSource second;
    second.layout = r.layout.value_or(audio::CombineLayout::Mix);
    if (r.addDevice >= 0) {
        if (!r.program.empty() || !rec.CanCombine(rec.CurrentDevice()) ||
            !rec.CanCombine(static_cast<int>(r.addDevice)))
            return Usage(err, "record",
                         "--add-device takes another device that can be combined (see "
                         "'quorvin-cli devices')");
        second.device = static_cast<int>(r.addDevice);
    } else if (r.layout && (!r.program.empty() || rec.CanCombine(rec.CurrentDevice()))) {
        return Usage(err, "record",
                     "--layout needs --add-device or the Microphone + playback device");
    }
    rec.SetSecondSource(second);
    return std::nullopt;
}

// The engine's parts a recording runs on, set up for the request.
struct RecordParts {
    std::unique_ptr<IAudioFile> file;
    std::unique_ptr<audio::IAudioRecorder> rec;
    std::string description;                // of the chosen format, as the file component gives it
    audio::IAudioEngine* engine = nullptr;  // keeps the markers in the file
    std::unique_ptr<recording::PairedFiles> paired;  // over `file`, for the files layout
    audio::IAudioFile* Writer() const {
        return paired ? static_cast<audio::IAudioFile*>(paired.get()) : file.get();
    }
};

// Creates the file component with the format values and the recorder on the
// chosen device or program; the exit code when either cannot be had.
std::optional<int> OpenRecordParts(audio::IAudioEngine& engine, const RecordRequest& r,
                                   const settings::FormatValues& v, std::FILE* err,
                                   RecordParts& parts) {
    parts.engine = &engine;
    parts.file = engine.CreateFile();
    if (!parts.file) return Failure(err, "record", "no file component in this build");
    if (r.layout == audio::CombineLayout::Files) {
        auto second = engine.CreateFile();
        if (!second) return Failure(err, "record", "no file component in this build");
        parts.paired = std::make_unique<recording::PairedFiles>(*parts.file, std::move(second));
    }
    parts.description = settings::ApplyFormatValues(*parts.Writer(), v).at(r.encoder);
    if (parts.description.empty()) {
        return Failure(err, "record", "the " + r.fmt + " parameters are not valid");
    }
    parts.rec = engine.CreateRecorder();
    audio::IAudioRecorder* rec = parts.rec.get();
    if (!rec) return Failure(err, "record", "no capture component in this build");
    if (!r.program.empty()) {
        if (!SelectProgram(*rec, r.program))
            return Failure(err, "record", "no program named " + r.program + " is playing");
    } else {
        // A number the device list does not hold is a bad argument, as one out of range is.
        if (r.device >= rec->DeviceCount()) {
            return Usage(err, "record", "there is no device " + std::to_string(r.device));
        }
        rec->SelectDevice(static_cast<int>(r.device));
        if (!rec->DeviceUsable()) return Failure(err, "record", "the device cannot be used");
    }
    if (std::optional<int> refused = SetSecondSource(*rec, r, err)) return refused;
    // As the window records: the stored filters and gain control, unless turned off for this run.
    settings::ApplyStoredFilters(SettingsFile(), *rec, r.filters);
    return std::nullopt;
}

// Runs a started session for the request's seconds of sound, counted in
// samples; the clock is only a guard against a device that delivers nothing.
// With triggers the seconds bound the whole run, waiting and silences included.
void RecordForSeconds(recording::RecordingSession& session, const RecordRequest& r, int rate) {
    const std::int64_t limit = static_cast<std::int64_t>(r.seconds) * rate;
    if (r.trigger.Any()) {
        QObject::connect(&session, &recording::RecordingSession::Progress, &session,
                         [&session, limit](long samples, int, int) {
                             // Not inside the recorder's own signal.
                             if (samples >= limit)
                                 QTimer::singleShot(0, &session, [&session] { session.Stop(); });
                         });
    } else {
        session.SetFrameLimit(limit);
    }
    QEventLoop loop;
    QObject::connect(&session, &recording::RecordingSession::Finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(static_cast<int>(r.seconds * 1000 + 10000), &loop, &QEventLoop::quit);
    loop.exec();
    session.Stop();
}

// Why a recording that could not be written failed; listed, as the window
// lists it, with where what was recorded went.
std::string StoppedMessage(const recording::RecordingSession& session, const std::string& path) {
    if (session.KeptPath().empty()) return "writing " + path + " failed: " + session.WriteError();
    return "The recording to " + path + " stopped: " + session.WriteError() +
           "\nquorvin-cli record: what was recorded is kept in " + session.KeptPath();
}

// Puts the finished recording in place and tells how it went: the exit code.
// `toldFrames` were told already, with the pieces before the last.
int FinishRecording(const recording::RecordingSession& session, const OutputTarget& output,
                    const RecordRequest& r, const RecordParts& parts, std::int64_t toldFrames,
                    std::FILE* out, std::FILE* err) {
    const std::string& path = r.path;
    if (!session.WriteError().empty()) {
        // A file put in place of the target is not ours to remove.
        if (output.target != path && session.KeptPath().empty()) output.Discard();
        return Failure(err, "record", StoppedMessage(session, path));
    }
    // Another recording may have started into the file meanwhile: this one stays beside it.
    if (output.target != path && BeingRecorded(path)) {
        return Failure(
            err, "record",
            recording::BeingRecordedMessage(path) + "; this recording is kept in " + output.target);
    }
    if (const std::string failed = output.Commit(); !failed.empty()) {
        return Failure(err, "record", failed);
    }
    std::fprintf(out, "%s: %s, %s\n", r.split.Off() ? path.c_str() : session.Path().c_str(),
                 parts.description.c_str(),
                 FramesText(session.FramesWritten() - toldFrames, parts.rec->Rate()).c_str());
    // The files layout's second file, of the same length.
    if (parts.paired)
        std::fprintf(out, "%s: %s, %s\n", parts.paired->SecondPath().c_str(),
                     parts.description.c_str(),
                     FramesText(session.FramesWritten() - toldFrames, parts.rec->Rate()).c_str());
    // What was captured is kept and listed; the cut is a failure all the same.
    if (session.DeviceWasLost()) {
        return Failure(err, "record", recording::DeviceLostMessage(path));
    }
    // The file is complete and in place: lost sound is a warning, not a failure.
    if (const std::string warning = recording::DropoutWarning(parts.rec->DropoutCount());
        !warning.empty()) {
        std::fprintf(err, "quorvin-cli record: %s\n", warning.c_str());
    }
    return 0;
}

// Records into the request's file through a session, as the window does.
int RunRecording(const RecordRequest& r, const RecordParts& parts, std::FILE* out, std::FILE* err) {
    services::QtEventPump pump;
    recording::RecordingSession session(&pump);
    session.Attach(parts.rec.get(), parts.Writer());
    // The program lists this recording again should this process die.
    recording::RecoveryJournal journal(
        services::AppPath(services::PrepareApplicationFolder(), recording::kJournalFileName));
    session.SetJournal(&journal);
    session.SetMarkerStore([&parts](const std::string& path, int rate,
                                    const std::vector<core::Marker>& markers, std::string* error) {
        return parts.engine->StoreMarkers(path, rate, markers, error);
    });
    QObject::connect(&session, &recording::RecordingSession::MarkersNotStored,
                     [err](const std::string& file, const std::string& why) {
                         std::fprintf(err,
                                      "quorvin-cli record: the markers of %s were not stored: %s\n",
                                      file.c_str(), why.c_str());
                     });
    if (parts.paired) parts.paired->SetJournal(&journal);
    QObject::connect(parts.rec.get(), &audio::IAudioRecorder::SourceLost,
                     [&](const std::string& name, long atSample) {
                         std::fprintf(err, "quorvin-cli record: %s\n",
                                      recording::SourceLostMessage(
                                          name, parts.rec->SamplesToMilliseconds(atSample))
                                          .c_str());
                     });
    // Each piece is told as it closes; the last one when finishing, as a single file is.
    std::int64_t toldFrames = 0;
    if (!r.split.Off()) {
        session.SetSplit(r.split, recording::PiecesBeside(r.path));
        QObject::connect(
            &session, &recording::RecordingSession::PieceFinished,
            [&](const std::string& piece, std::int64_t) {
                std::fprintf(
                    out, "%s: %s, %s\n", piece.c_str(), parts.description.c_str(),
                    FramesText(session.FramesWritten() - toldFrames, parts.rec->Rate()).c_str());
                std::fflush(out);
                toldFrames = session.FramesWritten();
            });
    }
    const OutputTarget output(r.path, r.overwrite);
    if (!output.error.empty()) return Failure(err, "record", output.error);
    session.SetTrigger(r.trigger);
    if (!session.Start(output.target)) return Failure(err, "record", session.LastError());
    RecordForSeconds(session, r, parts.rec->Rate());
    return FinishRecording(session, output, r, parts, toldFrames, out, err);
}

// The convert command's arguments, checked.
struct ConvertRequest {
    long profile = 24;
    std::string in, path;
    bool overwrite = false, verbose = false;
    std::optional<loudness::Target> loudness;  // normalise to it
};

// Checks the arguments: the exit code when they are refused, or when they
// asked for the list of WMA profiles only (printed here).
std::optional<int> ReadConvertRequest(const std::vector<std::string>& args, std::FILE* out,
                                      std::FILE* err, ConvertRequest& r) {
    Parsed p;
    std::string why;
    if (!Parse(args, {"wma-profile", "loudness"}, p, why, {"overwrite", "verbose"})) {
        return Usage(err, "convert", why);
    }
    if (p.Has("loudness") && !(r.loudness = loudness::ParseTarget(p.Get("loudness")))) {
        return Usage(err, "convert",
                     "--loudness takes a loudness and a true-peak ceiling, e.g. -16:-1");
    }
    if (p.Get("wma-profile") == "list") {
        std::fputs("WMA profiles (number, bitrate, rate, channels):\n", out);
        std::fputs(audio::WmaProfileHelp().c_str(), out);
        return 0;
    }
    if (p.Has("wma-profile") && (!ToInt(p.Get("wma-profile"), 0, 1000, r.profile) ||
                                 !audio::FindWmaProfile(static_cast<int>(r.profile)))) {
        return Usage(err, "convert",
                     "unknown WMA profile; the profiles are:\n" + audio::WmaProfileHelp());
    }
    if (p.positional.size() != 2) return Usage(err, "convert", "give IN and OUT");
    r.in = p.positional[0];
    r.path = p.positional[1];
    // Also through another spelling, a symbolic or a hard link: writing it
    // would destroy the input while it is read.
    if (converter::IsSameFile(r.in, r.path)) {
        return Failure(err, "convert", r.path + ": output is the input file");
    }
    r.overwrite = p.Has("overwrite");
    r.verbose = p.Has("verbose");
    if (BeingRecorded(r.path)) {
        return Failure(err, "convert", recording::BeingRecordedMessage(r.path));
    }
    if (const std::string refused = RefuseOutput(r.path, "", r.overwrite); !refused.empty()) {
        return Usage(err, "convert", refused);
    }
    return std::nullopt;
}

// Puts a finished conversion in place and tells how it went: the exit code.
int FinishConversion(const converter::ConvertJob& job, converter::ConvertJob::Outcome outcome,
                     const OutputTarget& output, const ConvertRequest& r, std::FILE* out,
                     std::FILE* err) {
    if (outcome != converter::ConvertJob::Outcome::Complete) {
        output.Discard();
        return Failure(err, "convert", job.Reason());
    }
    // A recording may have started into the file while this one converted.
    if (output.target != r.path && BeingRecorded(r.path)) {
        output.Discard();
        return Failure(err, "convert", recording::BeingRecordedMessage(r.path));
    }
    // An output without a single frame is no conversion of anything.
    if (job.FramesWritten() == 0) {
        output.Discard();
        return Failure(err, "convert",
                       "nothing in " + r.in + " could be decoded" +
                           (job.DamagedFrames() > 0 ? " (the file is damaged)" : ""));
    }
    if (const std::string failed = output.Commit(); !failed.empty()) {
        return Failure(err, "convert", failed);
    }
    if (job.DamagedFrames() > 0) {
        std::fprintf(err,
                     "quorvin-cli convert: warning: %s is damaged; %lld bad frames were skipped\n",
                     r.in.c_str(), static_cast<long long>(job.DamagedFrames()));
    }
    std::fprintf(out, "%s -> %s: %s%s\n", r.in.c_str(), r.path.c_str(),
                 FramesText(job.FramesWritten(), job.InputRate()).c_str(),
                 job.GainNote().empty() ? "" : (", " + job.GainNote()).c_str());
    return 0;
}

}  // namespace

int DevicesCommand(audio::IAudioEngine& engine, const std::vector<std::string>& args,
                   std::FILE* out, std::FILE* err) {
    if (!args.empty()) return Usage(err, "devices", "takes no arguments");
    auto rec = engine.CreateRecorder();
    if (!rec) return Failure(err, "devices", "no capture component in this build");
    const int count = rec->DeviceCount();
    if (count <= 0) return Failure(err, "devices", "no capture device found");
    std::string combinable;
    for (int i = 0; i < count; ++i) {
        rec->SelectDevice(i);
        std::fprintf(out, "%d: %s\n", i, rec->DeviceName().c_str());
        if (rec->CanCombine(i)) combinable += " " + std::to_string(i);
        for (int j = 0; j <= rec->SourceLastIndex(); ++j) {
            rec->SelectSource(j);
            std::fprintf(out, "    %d: %s%s\n", j, rec->SourceName().c_str(),
                         rec->SourceActive() ? " (active)" : "");
        }
    }
    if (!combinable.empty())
        std::fprintf(out, "can be recorded together (record --device A --add-device B):%s\n",
                     combinable.c_str());
    return 0;
}

int RecordCommand(audio::IAudioEngine& engine, const std::vector<std::string>& args, std::FILE* out,
                  std::FILE* err) {
    RecordRequest r;
    if (const std::optional<int> refused = ReadRecordRequest(args, err, r)) return *refused;
    settings::FormatValues v;
    if (const std::optional<int> refused = ReadRecordFormat(r, err, v)) return *refused;
    RecordParts parts;
    if (const std::optional<int> refused = OpenRecordParts(engine, r, v, err, parts))
        return *refused;
    return RunRecording(r, parts, out, err);
}

int ConvertCommand(audio::IAudioEngine& engine, const std::vector<std::string>& args,
                   std::FILE* out, std::FILE* err) {
    ConvertRequest r;
    if (const std::optional<int> done = ReadConvertRequest(args, out, err, r)) return *done;
    engine.SetCodecLogVerbose(r.verbose);
    const settings::FormatValues v = LoadSettings();
    auto reader = engine.CreateFile();
    auto writer = engine.CreateFile();
    // As the converter does: the option (dither) on for both.
    reader->SetOption(true);
    writer->SetOption(true);
    settings::ApplyFormatValues(*reader, v);  // headerless inputs are read with these
    settings::ApplyFormatValues(*writer, v);
    writer->SetWmaFormat(static_cast<int>(r.profile));
    converter::ConvertJob job(*reader, *writer);
    job.normalise = r.loudness;
    // A percentage line updated in place, only where someone watches it.
    const bool terminal = isatty(fileno(err)) != 0;
    if (terminal) {
        job.onProgress = [err](double percent) {
            std::fprintf(err, "\r%3d%%", static_cast<int>(percent));
            std::fflush(err);
        };
    }
    const OutputTarget output(r.path, r.overwrite);
    if (!output.error.empty()) return Failure(err, "convert", output.error);
    const auto outcome = job.Convert(r.in, output.target);
    if (terminal) std::fputs("\r    \r", err);
    return FinishConversion(job, outcome, output, r, out, err);
}

int InfoCommand(audio::IAudioEngine& engine, const std::vector<std::string>& args, std::FILE* out,
                std::FILE* err) {
    std::vector<std::string> files = args;
    const auto flag = std::find(files.begin(), files.end(), "--loudness");
    const bool withLoudness = flag != files.end();
    if (withLoudness) files.erase(flag);
    if (files.size() != 1) return Usage(err, "info", "give one file");
    const std::string& file = files[0];
    auto reader = engine.CreateFile();
    settings::ApplyFormatValues(*reader, LoadSettings());  // for headerless VOX, RAW and G726 files
    if (reader->OpenFile(file) < 0) return Failure(err, "info", reader->LastError());
    std::fprintf(out,
                 "File: %s\nFormat: %s\nSample rate: %d Hz\nChannels: %d\nSamples: %lld\n"
                 "Duration: %s\nBytes per sample: %g\n",
                 file.c_str(), reader->FormatDescription().c_str(), reader->SampleRate(),
                 reader->ChannelCount(), static_cast<long long>(reader->TotalSamples()),
                 FramesText(reader->TotalSamples(), reader->SampleRate()).c_str(),
                 reader->SizeValue());
    reader->Close();
    return withLoudness ? InfoLoudness(engine, file, out, err) : 0;
}

}  // namespace qsr::cli
