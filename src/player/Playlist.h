#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qsr::player {

// The display name of a playlist entry: the text after the last path
// separator ("/" here, "\" too for paths from old playlists), or the whole
// text when there is none.
std::string StripPath(std::string_view path);

struct M3uEntry {
    std::string path;   // absolute when the playlist gave it relative
    std::string title;  // from #EXTINF, empty when none
    int seconds = -1;   // from #EXTINF, -1 when unknown
};

// Reads an M3U or M3U8 playlist (UTF-8; a byte-order mark is skipped).
// Relative entries resolve against the playlist's folder; comments other than
// #EXTINF, blank lines and URLs are skipped.
std::vector<M3uEntry> ParseM3u(std::string_view text, const std::string& playlistFolder);
// An M3U8 text with #EXTM3U and one #EXTINF line before every path.
std::string FormatM3u(const std::vector<M3uEntry>& entries);

// The files an ASX or LSX metafile plays, in order: of each <entry>, its
// first <ref href> (the others are fallbacks). Tags and attribute names match
// in any case, entities are decoded, "file://" is taken off, relative paths
// resolve against the metafile's folder; other URLs and refs outside entries
// are skipped.
std::vector<std::string> ParseAsx(std::string_view text, const std::string& metafileFolder);
// True for a name ending in ".asx" or ".lsx" (any case).
bool IsMetafile(std::string_view path);
// What a chosen file stands for in the playlist: the entries of a metafile
// (none when it cannot be read; entries that are metafiles themselves are
// left out, so a list naming itself adds nothing), otherwise the file itself.
std::vector<std::string> ExpandPlayable(const std::string& path);

}  // namespace qsr::player
