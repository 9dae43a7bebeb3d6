// Damaged ID3v1 blocks: reading never crashes or reads past the file, a save
// keeps the length rule (same length when tagged, +128 otherwise), and a
// removal leaves exactly the bytes before the block.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ScratchFile.h"
#include "tags/clsID3v1.h"

namespace {

void Write(const std::string& file, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) return;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
}

long Size(const std::string& file) {
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) return -1;
    std::fseek(f, 0, SEEK_END);
    const long n = std::ftell(f);
    std::fclose(f);
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string file = ScratchFile("fuzz-id3v1");
    Write(file, data, size);

    qsr::tags::clsID3v1 tag;
    tag.filename(file);
    const bool tagged = size >= 128 && std::memcmp(data + size - 128, "TAG", 3) == 0;
    if (tag.HasTag() != tagged) std::abort();
    tag.ReadTag();
    // Every getter on whatever the block held.
    std::string all = tag.tagTitle() + tag.tagArtist() + tag.tagAlbum() + tag.tagYear() +
                      tag.tagComments() + tag.tagStrGenre();
    all += static_cast<char>(tag.tagTrack());

    // The input's own bytes as text for the setters (any UTF-8, broken or not).
    const std::string text(reinterpret_cast<const char*>(data), size < 40 ? size : 40);
    tag.tagTitle(text);
    tag.tagComments(text);
    tag.tagYear(text);
    if (tag.tagTitle().size() > 60 || tag.tagComments().size() > 60) std::abort();
    if (tag.SaveTag()) {
        const long expected = static_cast<long>(size) + (tagged ? 0 : 128);
        if (Size(file) != expected) std::abort();
        if (!tag.RemoveTag() || Size(file) != expected - 128) std::abort();
    } else if (size >= 128) {
        std::abort();  // an ordinary writable file always takes a tag
    }
    ::unlink(file.c_str());
    return all.empty() ? 0 : 0;
}
