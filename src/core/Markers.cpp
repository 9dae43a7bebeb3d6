#include "core/Markers.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "core/TabText.h"

namespace qsr::core {

namespace {

void Put32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::uint32_t Get32(std::string_view s, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(s[at + static_cast<std::size_t>(i)]);
    return v;
}

bool Digits(std::string_view text, std::int64_t& value) {
    if (text.empty()) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value >= 0;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

// The label on one line: a cue sheet or a label file holds no line breaks.
std::string OneLine(std::string text, char quoteTo = '"') {
    for (char& c : text) {
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
        if (c == '"') c = quoteTo;
    }
    return text;
}

std::vector<Marker> Stored(const std::vector<Marker>& markers) {
    std::vector<Marker> sorted = markers;
    SortMarkers(sorted);
    if (sorted.size() > kMaxStoredMarkers) sorted.resize(kMaxStoredMarkers);
    return sorted;
}

}  // namespace

std::string DefaultMarkerLabel(int number) {
    return "Marker " + std::to_string(number);
}

std::int64_t FramesToMs(std::int64_t frame, int rate) {
    return rate > 0 ? (frame * 1000 + rate / 2) / rate : 0;
}

std::int64_t MsToFrames(std::int64_t ms, int rate) {
    return (ms * rate + 500) / 1000;
}

void SortMarkers(std::vector<Marker>& markers) {
    std::stable_sort(markers.begin(), markers.end(),
                     [](const Marker& a, const Marker& b) { return a.frame < b.frame; });
}

std::string ChapterTimeText(std::int64_t ms) {
    ms = std::max<std::int64_t>(0, ms);
    char text[40];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%03lld",
                  static_cast<long long>(ms / 3600000), static_cast<long long>(ms / 60000 % 60),
                  static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000));
    return text;
}

std::optional<std::int64_t> ParseChapterTime(std::string_view text) {
    std::int64_t fraction = 0;
    const auto dot = text.find('.');
    if (dot != std::string_view::npos) {
        const std::string_view digits = text.substr(dot + 1);
        if (digits.empty() || digits.size() > 9) return std::nullopt;
        std::int64_t value = 0;
        if (!Digits(digits, value)) return std::nullopt;
        // Milliseconds, rounded: ".5" is 500, ".2504" is 250.
        std::string padded(digits);
        padded.resize(9, '0');
        Digits(padded, value);
        fraction = (value + 500000) / 1000000;
        text = text.substr(0, dot);
    }
    std::int64_t parts[3] = {0, 0, 0};
    int count = 0;
    while (true) {
        const auto colon = text.find(':');
        if (count == 3 || !Digits(text.substr(0, colon), parts[count])) return std::nullopt;
        ++count;
        if (colon == std::string_view::npos) break;
        text = text.substr(colon + 1);
    }
    // The parts after the first are minutes or seconds below 60.
    for (int i = 1; i < count; ++i)
        if (parts[i] >= 60) return std::nullopt;
    std::int64_t seconds = 0;
    for (int i = 0; i < count; ++i) seconds = seconds * 60 + parts[i];
    if (seconds > 1000LL * 3600) return std::nullopt;
    return seconds * 1000 + fraction;
}

bool IsChapterComment(std::string_view key) {
    if (!StartsWithNoCase(key, "CHAPTER") || key.size() < 10) return false;
    for (std::size_t i = 7; i < 10; ++i)
        if (!std::isdigit(static_cast<unsigned char>(key[i]))) return false;
    return key.size() == 10 || (key.size() == 14 && StartsWithNoCase(key.substr(10), "NAME"));
}

std::vector<std::pair<std::string, std::string>> ChapterComments(const std::vector<Marker>& markers,
                                                                 int rate) {
    std::vector<std::pair<std::string, std::string>> out;
    int n = 0;
    for (const Marker& m : Stored(markers)) {
        char key[24];
        std::snprintf(key, sizeof key, "CHAPTER%03d", ++n);
        out.emplace_back(key, ChapterTimeText(FramesToMs(m.frame, rate)));
        out.emplace_back(std::string(key) + "NAME", m.label);
    }
    return out;
}

std::vector<Marker> MarkersFromComments(
    const std::vector<std::pair<std::string, std::string>>& comments, int rate) {
    struct Found {
        std::optional<std::int64_t> ms;
        std::string name;
    };
    std::vector<std::pair<int, Found>> found;
    const auto at = [&found](int number) -> Found& {
        for (auto& [n, f] : found)
            if (n == number) return f;
        return found.emplace_back(number, Found{}).second;
    };
    for (const auto& [key, value] : comments) {
        if (!IsChapterComment(key)) continue;
        const int number = std::atoi(std::string(key.substr(7, 3)).c_str());
        if (key.size() == 10)
            at(number).ms = ParseChapterTime(value);
        else
            at(number).name = value;
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Marker> out;
    for (const auto& [n, f] : found)
        if (f.ms) out.push_back({MsToFrames(*f.ms, rate), f.name, 0});
    SortMarkers(out);
    return out;
}

std::string WavCueChunks(const std::vector<Marker>& markers) {
    const std::vector<Marker> sorted = Stored(markers);
    std::string cue = "cue ";
    Put32(cue, static_cast<std::uint32_t>(4 + 24 * sorted.size()));
    Put32(cue, static_cast<std::uint32_t>(sorted.size()));
    std::string list = "LIST";
    std::string adtl = "adtl";
    std::uint32_t id = 0;
    for (const Marker& m : sorted) {
        ++id;
        // Sample offsets are 32 bits: a marker beyond them stands at the last.
        const auto frame =
            static_cast<std::uint32_t>(std::clamp<std::int64_t>(m.frame, 0, 0xFFFFFFFF));
        Put32(cue, id);
        Put32(cue, frame);  // the play order position
        cue += "data";
        Put32(cue, 0);  // chunk start
        Put32(cue, 0);  // block start
        Put32(cue, frame);
        adtl += "labl";
        Put32(adtl, static_cast<std::uint32_t>(4 + m.label.size() + 1));
        Put32(adtl, id);
        adtl += m.label;
        adtl.push_back('\0');
        if (adtl.size() % 2) adtl.push_back('\0');
    }
    Put32(list, static_cast<std::uint32_t>(adtl.size()));
    return cue + list + adtl;
}

std::vector<Marker> MarkersFromWavChunks(std::string_view cueBody, std::string_view adtlBody) {
    std::vector<std::pair<std::uint32_t, std::string>> labels;
    if (adtlBody.size() >= 4 && adtlBody.substr(0, 4) == "adtl") {
        std::size_t at = 4;
        while (at + 8 <= adtlBody.size()) {
            const std::string_view id = adtlBody.substr(at, 4);
            const std::uint32_t size = Get32(adtlBody, at + 4);
            if (size > adtlBody.size() - at - 8) break;
            if (id == "labl" && size >= 4) {
                std::string text(adtlBody.substr(at + 12, size - 4));
                text = text.substr(0, text.find('\0'));
                labels.emplace_back(Get32(adtlBody, at + 8), text);
            }
            at += 8 + size + (size % 2);
        }
    }
    std::vector<Marker> out;
    if (cueBody.size() < 4) return out;
    const std::uint32_t count = Get32(cueBody, 0);
    for (std::uint32_t i = 0; i < count && 4 + 24 * (i + 1) <= cueBody.size(); ++i) {
        const std::size_t at = 4 + 24 * static_cast<std::size_t>(i);
        const std::uint32_t id = Get32(cueBody, at);
        Marker m;
        m.frame = Get32(cueBody, at + 20);
        for (const auto& [labelId, text] : labels)
            if (labelId == id) m.label = text;
        out.push_back(m);
    }
    SortMarkers(out);
    return out;
}

std::string CueSheet(const std::string& fileName, const std::vector<Marker>& markers, int rate) {
    std::string out = "FILE \"" + OneLine(fileName, '\'') + "\" BINARY\n";
    int track = 0;
    for (const Marker& m : Stored(markers)) {
        // 1/75 s frames, rounded down so the index never passes the marker.
        const std::int64_t cd = rate > 0 ? m.frame * 75 / rate : 0;
        char line[96];
        std::snprintf(line, sizeof line, "  TRACK %02d AUDIO\n", ++track);
        out += line;
        out += "    TITLE \"" + OneLine(m.label, '\'') + "\"\n";
        out += "    REM FRAME " + std::to_string(m.frame) + "\n";
        std::snprintf(line, sizeof line, "    INDEX 01 %02lld:%02lld:%02lld\n",
                      static_cast<long long>(cd / 75 / 60), static_cast<long long>(cd / 75 % 60),
                      static_cast<long long>(cd % 75));
        out += line;
    }
    return out;
}

std::vector<Marker> MarkersFromCueSheet(std::string_view text, int rate) {
    std::vector<Marker> out;
    bool inTrack = false, exact = false;
    for (std::string_view line : TextLines(text)) {
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        if (StartsWithNoCase(line, "TRACK ")) {
            out.push_back({});
            inTrack = true;
            exact = false;
        } else if (!inTrack) {
            continue;
        } else if (StartsWithNoCase(line, "TITLE ")) {
            std::string_view title = line.substr(6);
            if (title.size() >= 2 && title.front() == '"' && title.back() == '"')
                title = title.substr(1, title.size() - 2);
            out.back().label = std::string(title);
        } else if (StartsWithNoCase(line, "REM FRAME ")) {
            std::int64_t frame = 0;
            if (Digits(line.substr(10), frame)) {
                out.back().frame = frame;
                exact = true;
            }
        } else if (StartsWithNoCase(line, "INDEX 01 ") && !exact) {
            const std::string_view t = line.substr(9);
            std::int64_t mm = 0, ss = 0, ff = 0;
            if (t.size() >= 8 && Digits(t.substr(0, t.size() - 6), mm) &&
                Digits(t.substr(t.size() - 5, 2), ss) && Digits(t.substr(t.size() - 2), ff))
                out.back().frame = ((mm * 60 + ss) * 75 + ff) * rate / 75;
        }
    }
    SortMarkers(out);
    return out;
}

std::string LabelsText(const std::vector<Marker>& markers, int rate) {
    std::string out;
    std::vector<Marker> sorted = markers;
    SortMarkers(sorted);
    for (const Marker& m : sorted) {
        char seconds[48];
        std::snprintf(seconds, sizeof seconds, "%.6f",
                      rate > 0 ? static_cast<double>(m.frame) / rate : 0.0);
        out += std::string(seconds) + '\t' + seconds + '\t' + OneLine(m.label, '"') + '\n';
    }
    return out;
}

}  // namespace qsr::core
