#include "player/Playlist.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>

#include "core/TextFile.h"

namespace qsr::player {

std::string StripPath(std::string_view path) {
    const auto at = path.find_last_of("/\\");
    return std::string(at == std::string_view::npos ? path : path.substr(at + 1));
}

std::vector<M3uEntry> ParseM3u(std::string_view text, const std::string& playlistFolder) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::vector<M3uEntry> out;
    M3uEntry pending;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        if (line.empty()) continue;
        if (line.substr(0, 8) == "#EXTINF:") {
            const std::string_view info = line.substr(8);
            const auto comma = info.find(',');
            int seconds = -1;
            const std::string_view length = info.substr(0, comma);
            if (std::from_chars(length.data(), length.data() + length.size(), seconds).ec !=
                std::errc{})
                seconds = -1;
            pending.seconds = seconds;
            pending.title = comma == std::string_view::npos ? std::string{}
                                                            : std::string(info.substr(comma + 1));
            continue;
        }
        if (line.front() == '#' || line.find("://") != std::string_view::npos) continue;
        std::filesystem::path p{std::string(line)};
        if (p.is_relative()) p = std::filesystem::path(playlistFolder) / p;
        pending.path = p.lexically_normal().string();
        out.push_back(std::move(pending));
        pending = M3uEntry{};
    }
    return out;
}

std::string FormatM3u(const std::vector<M3uEntry>& entries) {
    std::string out = "#EXTM3U\n";
    for (const auto& e : entries) {
        // A line break inside a title or path would start a new entry.
        auto clean = [](std::string s) {
            for (char& c : s)
                if (c == '\n' || c == '\r') c = ' ';
            return s;
        };
        out += "#EXTINF:" + std::to_string(e.seconds < 0 ? -1 : e.seconds) + "," +
               clean(e.title.empty() ? StripPath(e.path) : e.title) + "\n" + clean(e.path) + "\n";
    }
    return out;
}

namespace {

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The position of the next tag named `name` (lower case) at or after `from`,
// whose name ends there (so "<entry" does not find "<entryref").
std::size_t FindTag(const std::string& lower, std::string_view name, std::size_t from) {
    for (auto at = lower.find(name, from); at != std::string::npos; at = lower.find(name, at + 1)) {
        const std::size_t after = at + name.size();
        if (after >= lower.size() || IsSpace(lower[after]) || lower[after] == '>' ||
            lower[after] == '/')
            return at;
    }
    return std::string::npos;
}

std::string DecodeEntities(std::string_view text) {
    static constexpr std::pair<std::string_view, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        bool replaced = false;
        for (const auto& [entity, c] : kEntities) {
            if (text.substr(i, entity.size()) == entity) {
                out += c;
                i += entity.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) out += text[i++];
    }
    return out;
}

// The href value of the tag starting at `tag` and ending before `end`.
std::string HrefOf(std::string_view text, const std::string& lower, std::size_t tag,
                   std::size_t end) {
    for (auto at = lower.find("href", tag); at != std::string::npos && at < end;
         at = lower.find("href", at + 1)) {
        if (!IsSpace(lower[at - 1])) continue;
        std::size_t i = at + 4;
        while (i < end && IsSpace(lower[i])) ++i;
        if (i >= end || lower[i] != '=') continue;
        ++i;
        while (i < end && IsSpace(lower[i])) ++i;
        if (i >= end) return {};
        std::size_t stop;
        if (lower[i] == '"' || lower[i] == '\'') {
            stop = lower.find(lower[i], i + 1);
            if (stop == std::string::npos || stop > end) return {};
            ++i;
        } else {
            stop = i;
            while (stop < end && !IsSpace(lower[stop])) ++stop;
            // The slash of a self-closing tag is not part of the value.
            if (stop == end && stop > i && lower[stop - 1] == '/') --stop;
        }
        return DecodeEntities(text.substr(i, stop - i));
    }
    return {};
}

}  // namespace

std::vector<std::string> ParseAsx(std::string_view text, const std::string& metafileFolder) {
    const std::string lower = Lower(text);
    std::vector<std::string> out;
    for (auto entry = FindTag(lower, "<entry", 0); entry != std::string::npos;) {
        const auto close = lower.find("</entry", entry);
        const std::size_t entryEnd = close == std::string::npos ? lower.size() : close;
        const auto ref = FindTag(lower, "<ref", entry);
        if (ref != std::string::npos && ref < entryEnd) {
            const auto tagEnd = std::min(lower.find('>', ref), entryEnd);
            std::string href = HrefOf(text, lower, ref, tagEnd);
            if (Lower(href.substr(0, 7)) == "file://") href.erase(0, 7);
            if (!href.empty() && href.find("://") == std::string::npos) {
                std::filesystem::path p{href};
                if (p.is_relative()) p = std::filesystem::path(metafileFolder) / p;
                out.push_back(p.lexically_normal().string());
            }
        }
        if (close == std::string::npos) break;
        entry = FindTag(lower, "<entry", close);
    }
    return out;
}

bool IsMetafile(std::string_view path) {
    if (path.size() < 4) return false;
    const std::string ext = Lower(path.substr(path.size() - 4));
    return ext == ".asx" || ext == ".lsx";
}

std::vector<std::string> ExpandPlayable(const std::string& path) {
    if (!IsMetafile(path)) return {path};
    // Metafiles are small; anything larger is not one.
    constexpr std::size_t kMaxBytes = 4 * 1024 * 1024;
    const auto read = core::ReadTextFile(path, kMaxBytes);
    if (!read.ok) return {};
    std::vector<std::string> entries =
        ParseAsx(read.text, std::filesystem::path(path).parent_path().string());
    std::erase_if(entries, [](const std::string& e) { return IsMetafile(e); });
    return entries;
}

}  // namespace qsr::player
