#include "platform/soundlib/TagFields.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <map>

#include "core/Id3v2Frames.h"
#include "core/MpegTagFile.h"

namespace qsr::soundlib {
namespace tf = audio::tagfile;
namespace {

// A tag larger than this is read only this far: a lying size must not
// make a folder scan read hundreds of megabytes per file.
constexpr std::uint64_t kMaxTagBytes = 16u << 20;

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string Latin1(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) AppendUtf8(out, static_cast<unsigned char>(c));
    return out;
}

// UTF-16 strings separated by 00 00 units; with a BOM each string may name
// its own byte order, without one it keeps the order given.
std::string Utf16(std::string_view bytes, bool bigEndian, bool bomAllowed) {
    std::string out;
    out.reserve(bytes.size());
    bool big = bigEndian;
    bool stringStart = true;
    char32_t high = 0;  // a pending high surrogate
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        if (stringStart && bomAllowed && ((a == 0xFF && b == 0xFE) || (a == 0xFE && b == 0xFF))) {
            big = a == 0xFE;
            stringStart = false;
            continue;
        }
        stringStart = false;
        const char32_t unit = big ? (char32_t{a} << 8 | b) : (char32_t{b} << 8 | a);
        if (high != 0) {
            if (unit >= 0xDC00 && unit <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
                high = 0;
                continue;
            }
            out += '?';
            high = 0;
        }
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            high = unit;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            out += '?';
        } else if (unit == 0) {
            out += '\0';
            stringStart = true;
            big = bigEndian;
        } else {
            AppendUtf8(out, unit);
        }
    }
    if (high != 0) out += '?';
    return out;
}

// Where the string at the start of bytes ends (its terminator excluded),
// and where what follows begins.
std::pair<std::size_t, std::size_t> Terminated(int encoding, std::string_view bytes) {
    if (encoding == 1 || encoding == 2) {
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
            if (bytes[i] == 0 && bytes[i + 1] == 0) return {i, i + 2};
        return {bytes.size(), bytes.size()};
    }
    const auto nul = bytes.find('\0');
    if (nul == std::string_view::npos) return {bytes.size(), bytes.size()};
    return {nul, nul + 1};
}

// The value of a frame body in the library's raw form.
std::string FrameValue(const std::string& id, std::string_view body) {
    if (id.empty()) return std::string(body);
    const int encoding = body.empty() ? 0 : static_cast<unsigned char>(body[0]);
    if (id == "COMM") {
        if (body.size() < 4)
            return std::string(1, '\0') + Latin1(body.substr(body.empty() ? 0 : 1));
        return std::string(1, '\0') + std::string(body.substr(1, 3)) +
               TextToUtf8(encoding, body.substr(4));
    }
    if (id == "WXXX") {
        if (body.empty()) return {};
        const auto rest = body.substr(1);
        const auto [end, next] = Terminated(encoding, rest);
        std::string out(1, '\0');
        out += TextToUtf8(encoding, rest.substr(0, end));
        if (next <= rest.size() && next != end) {
            out += '\0';
            out += Latin1(rest.substr(next));
        }
        return out;
    }
    if (id[0] == 'W') return Latin1(body);
    if (id[0] == 'T') {
        if (body.empty()) return {};
        return std::string(1, '\0') + TextToUtf8(encoding, body.substr(1));
    }
    return std::string(body);
}

bool ValidId(std::string_view id) {
    return std::all_of(id.begin(), id.end(),
                       [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

std::vector<TagField> V22Fields(const std::string& tag, const tf::TagHeader& header) {
    std::vector<TagField> fields;
    std::string body = tag.substr(10, header.size);
    if (header.flags & 0x80) body = tf::Resynchronise(body);
    // Compression in 2.2 has no defined scheme: such a tag is not read.
    if (header.flags & 0x40) return fields;
    std::size_t pos = 0;
    while (pos + 6 <= body.size() && body[pos] != 0) {
        const std::string id = body.substr(pos, 3);
        if (!ValidId(id)) break;
        const std::size_t size = std::size_t{static_cast<unsigned char>(body[pos + 3])} << 16 |
                                 std::size_t{static_cast<unsigned char>(body[pos + 4])} << 8 |
                                 static_cast<unsigned char>(body[pos + 5]);
        if (size == 0 || size > body.size() - pos - 6) break;
        const std::string_view named = core::Id3v2V23Id(id);
        const std::string name = named.empty() ? id : std::string(named);
        fields.push_back(
            {kTagId3v2, name, FrameValue(name, std::string_view(body).substr(pos + 6, size))});
        pos += 6 + size;
    }
    return fields;
}

}  // namespace

std::string TextToUtf8(int encoding, std::string_view bytes) {
    switch (encoding) {
        case 1:
            return Utf16(bytes, false, true);
        case 2:
            return Utf16(bytes, true, false);
        case 3:
            return std::string(bytes);
        default:
            return Latin1(bytes);
    }
}

std::vector<TagField> Id3v2Fields(const std::string& tag) {
    if (tag.size() < 10 || tag.compare(0, 3, "ID3") != 0) return {};
    tf::TagHeader header;
    std::string problem;
    if (!tf::ParseHeader(reinterpret_cast<const unsigned char*>(tag.data()), header, problem))
        return {};
    if (header.major == 2) return V22Fields(tag, header);
    std::vector<tf::RawFrame> frames;
    if (!tf::SplitFrames(tag, header, frames, problem)) return {};
    std::vector<TagField> fields;
    fields.reserve(frames.size());
    for (const auto& frame : frames) {
        std::string_view body = std::string_view(frame.bytes).substr(10);
        const auto flags = static_cast<unsigned char>(frame.bytes[9]);
        std::string resynced;
        if (header.major == 3) {
            if (flags & 0xC0) continue;  // compressed or encrypted
            if (flags & 0x20) body = body.substr(std::min<std::size_t>(1, body.size()));
        } else {
            if (flags & 0x0C) continue;  // compressed or encrypted
            if (flags & 0x40) body = body.substr(std::min<std::size_t>(1, body.size()));
            if (flags & 0x01) body = body.substr(std::min<std::size_t>(4, body.size()));
            if ((flags & 0x02) || (header.flags & 0x80)) {
                resynced = tf::Resynchronise(body);
                body = resynced;
            }
        }
        fields.push_back({kTagId3v2, frame.id, FrameValue(frame.id, body)});
    }
    return fields;
}

std::vector<TagField> Id3v1Fields(std::string_view block) {
    if (block.size() != 128 || block.substr(0, 3) != "TAG") return {};
    const auto text = [&](std::size_t at, std::size_t width) {
        return Latin1(block.substr(at, width));
    };
    std::vector<TagField> fields = {
        {kTagId3v1, "TITLE", text(3, 30)},
        {kTagId3v1, "ARTIST", text(33, 30)},
        {kTagId3v1, "ALBUM", text(63, 30)},
        {kTagId3v1, "YEAR", text(93, 4)},
    };
    // ID3v1.1: a NUL before the comment's last byte makes that byte the track.
    const bool hasTrack = block[125] == 0 && block[126] != 0;
    fields.push_back({kTagId3v1, "COMMENT", text(97, hasTrack ? 28 : 30)});
    if (hasTrack)
        fields.push_back(
            {kTagId3v1, "TRACK", std::to_string(static_cast<unsigned char>(block[126]))});
    fields.push_back({kTagId3v1, "GENRE", std::to_string(static_cast<unsigned char>(block[127]))});
    return fields;
}

FileFacts ReadFileFacts(const std::string& path) {
    FileFacts facts;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        facts.error = errno == ENOENT || errno == ENOTDIR ? kErrFileNotFound : kErrFileBad;
        return facts;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        facts.error = kErrFileBad;
        return facts;
    }
    facts.size = static_cast<std::uint64_t>(st.st_size);
    const tf::TagRegion region = tf::FindTagRegion(fd, facts.size);
    if (region.lead == tf::Lead::Valid) {
        std::string tag(static_cast<std::size_t>(std::min(region.firstEnd, kMaxTagBytes)), '\0');
        if (tf::ReadAt(fd, tag.data(), tag.size(), 0)) facts.fields = Id3v2Fields(tag);
        facts.audioStart = region.end;
    }
    std::string block(128, '\0');
    bool v1 = false;
    if (facts.size >= facts.audioStart + 128 &&
        tf::ReadAt(fd, block.data(), 128, facts.size - 128)) {
        auto v1Fields = Id3v1Fields(block);
        v1 = !v1Fields.empty();
        facts.fields.insert(facts.fields.end(), v1Fields.begin(), v1Fields.end());
    }
    facts.mpegAudio =
        tf::LooksLikeMpegAudio(fd, facts.audioStart, v1 ? facts.size - 128 : facts.size);
    ::close(fd);
    return facts;
}

}  // namespace qsr::soundlib
