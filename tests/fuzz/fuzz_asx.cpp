// Damaged ASX/LSX metafiles: reading never crashes, and every entry read is
// a local path (no URL, never empty).
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "player/Playlist.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const auto& entry : qsr::player::ParseAsx(text, "/lists")) {
        if (entry.empty() || entry.find("://") != std::string::npos) std::abort();
    }
    return 0;
}
