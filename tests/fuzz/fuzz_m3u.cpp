// Damaged playlists: reading never crashes, and what is read, written and
// read again keeps every entry.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "player/Playlist.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto entries = qsr::player::ParseM3u(text, "/lists");
    const auto again = qsr::player::ParseM3u(qsr::player::FormatM3u(entries), "/elsewhere");
    if (again.size() != entries.size()) std::abort();
    return 0;
}
