// Damaged, lying and random ID3v2 tags through the TagLib component: loading
// never crashes; read → set one field → write → read gives that field, keeps
// every other field and the audio bytes; a removed tag is gone.
#include <fcntl.h>
#include <sys/stat.h>
#include <taglib/tbytevector.h>
#include <taglib/tbytevectorstream.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ScratchFile.h"
#include "core/MpegTagFile.h"
#include "platform/taglib/TagLibId3v2Tag.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::string out;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[65536];
        while (std::size_t n = std::fread(buf, 1, sizeof buf, f)) out.append(buf, n);
        std::fclose(f);
    }
    return out;
}

qsr::audio::tagfile::TagRegion RegionOf(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    struct stat st {};
    ::fstat(fd, &st);
    const auto region =
        qsr::audio::tagfile::FindTagRegion(fd, static_cast<std::uint64_t>(st.st_size));
    ::close(fd);
    return region;
}

qsr::audio::tagfile::Lead LeadOf(const std::string& path) {
    return RegionOf(path).lead;
}

// True when the leading tag is plain: no unsynchronisation, no extended
// header, no frame flags, and nothing but frames and padding. TagLib reads a
// frame with a lying length or flags out of the bytes that follow it, so such
// a field may read differently once its neighbours change.
bool PlainTag(const std::string& path) {
    const auto region = RegionOf(path);
    if (region.lead != qsr::audio::tagfile::Lead::Valid) return true;
    if (region.header.major == 2 || (region.header.flags & 0xC0) != 0) return false;
    const std::string tag = ReadFile(path).substr(0, static_cast<std::size_t>(region.firstEnd));
    std::vector<qsr::audio::tagfile::RawFrame> frames;
    std::string problem;
    if (!qsr::audio::tagfile::SplitFrames(tag, region.header, frames, problem)) return false;
    std::size_t at = 10;
    for (const auto& frame : frames) {
        if (frame.bytes[8] != 0 || frame.bytes[9] != 0) return false;
        at += frame.bytes.size();
    }
    return tag.find_first_not_of('\0', at) == std::string::npos ||
           tag.find_first_not_of('\0', at) >= 10 + region.header.size;
}

// Whether field `g` read back as `got` keeps what `want` said. A 2.3 tag
// holds a full date as the year (TYER, which the field reads) plus TDAT and
// TIME, so there "2004-05-06T07:08" reads back as "2004".
bool Kept(int g, const std::string& want, const std::string& got, int major) {
    if (got == want) return true;
    return g == 5 && major == 3 && got.size() == 4 && want.size() > 4 && want.starts_with(got) &&
           want[4] == '-';
}

// The bytes after the leading tags.
std::string AudioOf(const std::string& path) {
    return ReadFile(path).substr(static_cast<std::size_t>(RegionOf(path).end));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using qsr::audio::TagLibId3v2Tag;
    const TagLib::ByteVector bytes(reinterpret_cast<const char*>(data),
                                   static_cast<unsigned int>(size));
    {
        TagLib::ByteVectorStream stream(bytes);
        TagLibId3v2Tag tag;
        tag.Load(&stream);
        std::size_t total = 0;
        for (int f = 0; f <= 13; ++f) total += tag.GetField(f).size();
        if (!tag.TagPresent() && total != 0) std::abort();
    }
    // The file path, which repairs 2.3 extended headers before TagLib sees them.
    static const std::string file = ScratchFile("fuzz-id3v2");
    std::FILE* f = std::fopen(file.c_str(), "wb");
    if (f == nullptr) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    TagLibId3v2Tag before;
    before.Load(file);
    const std::string audio = AudioOf(file);
    const bool plain = PlainTag(file);

    // One field, chosen by the input, set to a plain value.
    const int field = size > 0 ? data[size - 1] % 12 + 1 : 2;
    const std::string value = field == 5    ? "1999"
                              : field == 11 ? "http://fuzz.example/"
                                            : "Fuzz Ærø";
    TagLibId3v2Tag writer;
    for (int g = 1; g <= 12; ++g) writer.SetField(g, before.GetField(g));
    writer.SetField(field, value);
    if (writer.WriteTag(file)) {
        TagLibId3v2Tag reader;
        if (!reader.Load(file) || !reader.TagPresent() || reader.GetField(field) != value) {
            std::abort();
        }
        // A plain tag keeps every other field (a 2.2 tag is converted by
        // TagLib on the way, a damaged one read by guesswork).
        const int major = RegionOf(file).header.major;
        for (int g = 1; g <= 12 && plain; ++g) {
            if (g != field && !Kept(g, before.GetField(g), reader.GetField(g), major)) {
                std::fprintf(stderr, "field %d: \"%s\" read back as \"%s\"\n", g,
                             before.GetField(g).c_str(), reader.GetField(g).c_str());
                std::abort();
            }
        }
        if (AudioOf(file) != audio) std::abort();
        TagLibId3v2Tag remover;
        const bool removed = remover.RemoveTag(file);
        TagLibId3v2Tag after;
        after.Load(file);
        if (removed == after.TagPresent()) std::abort();
        // None at the start is left (TagLib may still find one in the audio
        // bytes behind junk: those are not ours to cut).
        if (LeadOf(file) != qsr::audio::tagfile::Lead::None) std::abort();
        if (AudioOf(file) != audio) std::abort();
    }
    ::unlink(file.c_str());
    return 0;
}
