#include "player/Playlist.h"

#include <charconv>
#include <filesystem>

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

}  // namespace qsr::player
