#include "recording/MarkerSplit.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>

#include "core/AtomicFile.h"
#include "settings/ApplySettings.h"

namespace qsr::recording {
namespace {

std::string Folded(const std::string& name) {
    std::string s = name;
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool Blank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::string FileNameLabel(std::string_view label) {
    std::string s;
    for (const char c : label) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '/')
            s += '-';
        else if (u >= 0x20 && u != 0x7F)
            s += c;
    }
    while (!s.empty() && (Blank(s.front()) || s.front() == '.')) s.erase(s.begin());
    if (s.size() > kMaxLabelBytes) {
        std::size_t end = kMaxLabelBytes;
        // Back to the start of a letter: UTF-8 continuation bytes are 10xxxxxx.
        while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) --end;
        s.resize(end);
    }
    while (!s.empty() && Blank(s.back())) s.pop_back();
    return s;
}

std::vector<SplitPiece> PlanSplit(const std::string& path, std::vector<core::Marker> markers,
                                  std::int64_t total, const std::string& folder) {
    core::SortMarkers(markers);
    std::erase_if(markers,
                  [total](const core::Marker& m) { return m.frame < 0 || m.frame >= total; });
    const std::filesystem::path original(path);
    const std::filesystem::path into =
        folder.empty() ? original.parent_path() : std::filesystem::path(folder);
    const std::string extension = original.extension().string();
    std::set<std::string> taken{Folded(original.filename().string())};
    const auto named = [&](const std::string& stem) {
        std::string name = stem + extension;
        for (int n = 2; taken.count(Folded(name)) > 0; ++n)
            name = stem + " " + std::to_string(n) + extension;
        taken.insert(Folded(name));
        return (into / name).string();
    };

    std::vector<SplitPiece> pieces;
    if (!markers.empty() && markers.front().frame > 0)
        pieces.push_back({{0, markers.front().frame},
                          named(original.stem().string() + std::string(kLeadPieceSuffix)),
                          {}});
    for (std::size_t i = 0; i < markers.size();) {
        const std::int64_t begin = markers[i].frame;
        std::size_t next = i;
        std::vector<core::Marker> here;
        while (next < markers.size() && markers[next].frame == begin) {
            here.push_back({0, markers[next].label, markers[next].setAtMs});
            ++next;
        }
        const std::int64_t end = next < markers.size() ? markers[next].frame : total;
        std::string stem = FileNameLabel(markers[i].label);
        if (stem.empty()) stem = core::DefaultMarkerLabel(static_cast<int>(i) + 1);
        pieces.push_back({{begin, end}, named(stem), std::move(here)});
        i = next;
    }
    return pieces;
}

bool OpenSplitSource(audio::IAudioEngine& engine, const std::string& path,
                     const settings::FormatValues& formats, SplitSource& source, std::string& why) {
    source = SplitSource{};
    source.path = path;
    auto reader = engine.CreateFile();
    if (!reader) {
        why = "this engine cannot read files";
        return false;
    }
    settings::ApplyFormatValues(*reader, formats);  // for a headerless RAW file
    if (reader->OpenFile(path) < 0) {
        why = reader->LastError();
        return false;
    }
    source.rate = reader->SampleRate();
    source.total = reader->TotalSamples();
    // A RAW sample frame: 16-bit PCM or 8-bit A-law/mu-law values per channel.
    source.rawFrameBytes = reader->ChannelCount() * (formats.rawCompr == 1 ? 2 : 1);
    reader->Close();
    int rate = 0;
    if (!engine.ReadMarkers(path, source.markers, rate, &why)) return false;
    // The markers' frames are the file's (a headerless file's sheet keeps them exactly).
    if (rate > 0 && rate != source.rate) {
        why = "its markers' sample rate is not the sound's";
        return false;
    }
    return true;
}

std::vector<std::string> ExistingPieces(const std::vector<SplitPiece>& pieces) {
    std::vector<std::string> found;
    for (const SplitPiece& p : pieces) {
        std::error_code ec;
        if (std::filesystem::exists(std::filesystem::symlink_status(p.path, ec)))
            found.push_back(p.path);
    }
    return found;
}

std::string SplitRefusal(audio::IFileCutter& cutter, const SplitSource& source,
                         const std::vector<SplitPiece>& pieces) {
    if (source.markers.empty()) return "it has no markers";
    if (pieces.empty()) return "its markers lie past the end of its sound";
    cutter.SetRawFrameBytes(source.rawFrameBytes);
    for (const SplitPiece& p : pieces) {
        const audio::CutAbility a = cutter.Ability(source.path, {p.span});
        if (!a.possible) return a.note;
    }
    return {};
}

SplitReport WritePieces(audio::IAudioEngine& engine, audio::IFileCutter& cutter,
                        const SplitSource& source, const std::vector<SplitPiece>& pieces,
                        const std::function<bool(double)>& progress) {
    SplitReport report;
    cutter.SetRawFrameBytes(source.rawFrameBytes);
    std::int64_t whole = 0, done = 0;
    for (const SplitPiece& p : pieces) whole += p.span.Length();
    const auto at = [&](std::int64_t length, double f) {
        return whole > 0 ? (static_cast<double>(done) + f * static_cast<double>(length)) /
                               static_cast<double>(whole)
                         : 1.0;
    };
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const SplitPiece& p = pieces[i];
        const std::int64_t length = p.span.Length();
        if (progress && !progress(at(length, 0))) {
            report.cancelled = true;
            report.left = pieces.size() - i;
            break;
        }
        bool stopped = false;
        const audio::CutResult cut = cutter.Cut(source.path, {p.span}, p.path, [&](double f) {
            stopped = progress && !progress(at(length, std::clamp(f, 0.0, 1.0)));
            return !stopped;
        });
        std::string why = cut.ok ? std::string() : cut.error;
        if (why.empty() && cut.samples != length)
            why = "it holds " + std::to_string(cut.samples) + " frames, not " +
                  std::to_string(length);
        // The engine's cutter moves the markers with the sound, keeping one on
        // the piece's very end (the next piece's): the piece's own replace
        // them. A piece left with the others' markers would mislead, so it goes.
        if (why.empty() && !engine.StoreMarkers(p.path, source.rate, p.markers, &why)) {
            if (why.empty()) why = "its markers could not be stored";
            std::error_code ec;
            std::filesystem::remove(p.path, ec);
        }
        if (!why.empty()) {
            if (stopped) {
                report.cancelled = true;
            } else {
                report.failedPath = p.path;
                report.failure = why;
            }
            report.left = pieces.size() - i;
            break;
        }
        report.written.push_back({p.path, cut.samples, p.markers.size()});
        done += length;
    }
    if (progress && !report.cancelled && report.failure.empty()) progress(1.0);
    return report;
}

std::string SplitReportText(const SplitReport& report) {
    std::string text;
    const std::size_t n = report.written.size();
    text = n == 1 ? "1 piece written" : std::to_string(n) + " pieces written";
    text += n == 0 ? "." : ":";
    for (const WrittenPiece& w : report.written) text += "\n" + w.path;
    if (!report.failure.empty())
        text += "\n" + core::CouldNotSaveMessage(report.failedPath, report.failure);
    if (report.cancelled) text += "\nThe split was cancelled.";
    if (report.left > 0)
        text += "\n" + std::to_string(report.left) +
                (report.left == 1 ? " piece was" : " pieces were") + " not written.";
    return text;
}

}  // namespace qsr::recording
