#include "platform/taglib/TagLibId3v2Tag.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tfilestream.h>
#include <taglib/urllinkframe.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <exception>
#include <fstream>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "core/AtomicFile.h"
#include "core/Id3v2Frames.h"
#include "core/MpegTagFile.h"

namespace qsr::audio {
namespace {

using tagfile::BigEndian;
using tagfile::Lead;
using tagfile::RawFrame;
using tagfile::SplitFrames;
using tagfile::Synchsafe;
using tagfile::TagHeader;
using tagfile::TagRegion;

// TagLib turns a 2.3 "TYER" into "TDRC" and rewrites "TCON" ("(8)Jazz" reads
// as "Jazz"). Reading only, this factory parks both under private ids so their
// text arrives as the file holds it.
constexpr const char* kRawYear = "TQYR";
constexpr const char* kRawGenre = "TQCN";

template <typename T>
struct FirstArg;
template <typename R, typename C, typename A>
struct FirstArg<R (C::*)(A) const> {
    using type = A;
};

// The frame-header type is reserved to the library's friends; its pointer type
// is taken from the hook that receives it.
class FactoryHook : public TagLib::ID3v2::FrameFactory {
  protected:
    using HeaderPtr = FirstArg<decltype(&FactoryHook::updateFrame)>::type;
};

class RawTextFactory : public FactoryHook {
  public:
    RawTextFactory() = default;
    ~RawTextFactory() override = default;

  protected:
    bool updateFrame(HeaderPtr header) const override {
        // A file's own frames under the private ids would pose as ours: move
        // them aside (a dropped frame would still be listed under its id).
        if (header->frameID() == kRawYear || header->frameID() == kRawGenre) {
            header->setFrameID("TQXX");
            return true;
        }
        if (header->version() == 3 && header->frameID() == "TYER") {
            header->setFrameID(kRawYear);
            return true;
        }
        if (!FrameFactory::updateFrame(header)) return false;
        const TagLib::ByteVector id = header->frameID();
        if (id == "TCON") {
            header->setFrameID(kRawGenre);
        } else if (id == "TYER") {
            header->setFrameID(kRawYear);
        }
        return true;
    }
};

TagLib::String FromUtf8(const std::string& text) {
    return TagLib::String(text, TagLib::String::UTF8);
}

std::string ToUtf8(const TagLib::String& text) {
    return text.to8Bit(true);
}

std::string Bytes(const TagLib::ByteVector& v) {
    return std::string(v.data(), v.size());
}

TagLib::String::Type EncodingFor(const TagLib::String& text) {
    return text.isLatin1() ? TagLib::String::Latin1 : TagLib::String::UTF16;
}

std::string FirstText(const TagLib::ID3v2::Tag& tag, const char* id) {
    const auto& list = tag.frameList(id);
    return list.isEmpty() ? std::string() : ToUtf8(list.front()->toString());
}

// Ours is the first comment (or URL) without a description; described ones
// ("iTunNORM" and the like) belong to other programs and are never shown.
std::string CommentText(const TagLib::ID3v2::Tag& tag) {
    for (auto* frame : tag.frameList("COMM")) {
        auto* comment = dynamic_cast<TagLib::ID3v2::CommentsFrame*>(frame);
        if (comment != nullptr && comment->description().isEmpty()) {
            return ToUtf8(comment->text());
        }
    }
    return {};
}

std::string UrlText(const TagLib::ID3v2::Tag& tag) {
    for (auto* frame : tag.frameList("WXXX")) {
        auto* url = dynamic_cast<TagLib::ID3v2::UserUrlLinkFrame*>(frame);
        if (url != nullptr && url->description().isEmpty()) return ToUtf8(url->url());
    }
    return {};
}

// TagLib reads the size of a 2.3 extended header as if it were 2.4 (counting
// itself, synchsafe), lands inside it and loses every frame; a 2.4 extended
// header can also make it drop the tag. For reading, the tag is handed to
// TagLib with the extended header taken out; nothing in it is needed (CRC,
// padding size, restrictions). Returns the repaired tag, or false when the
// file has no such header.
bool WithoutExtendedHeader(const std::string& path, TagLib::ByteVector& out) {
    std::ifstream in(path, std::ios::binary);
    unsigned char head[14];
    if (!in.read(reinterpret_cast<char*>(head), sizeof head)) return false;
    if (std::memcmp(head, "ID3", 3) != 0 || (head[3] != 3 && head[3] != 4) ||
        (head[5] & 0x40) == 0) {
        return false;
    }
    std::uint32_t tagSize = 0;
    for (int i = 6; i < 10; ++i) {
        if (head[i] & 0x80) return false;
        tagSize = (tagSize << 7) | head[i];
    }
    // 2.3 counts the bytes after the size field, 2.4 the whole header.
    const std::uint32_t extSize = head[3] == 3
                                      ? BigEndian(reinterpret_cast<const char*>(head + 10)) + 4
                                      : Synchsafe(reinterpret_cast<const char*>(head + 10));
    if (extSize > tagSize || extSize < 4) return false;
    const std::uint32_t newSize = tagSize - extSize;
    in.seekg(0, std::ios::end);
    const auto fileSize = static_cast<std::uint64_t>(in.tellg());
    const std::uint64_t bodyStart = 10ULL + extSize;
    if (bodyStart > fileSize) return false;
    const std::uint64_t bodyEnd = std::min<std::uint64_t>(fileSize, 10ULL + tagSize);
    std::string bytes(reinterpret_cast<const char*>(head), 10);
    bytes[5] = static_cast<char>(head[5] & ~0x40);
    for (int i = 0; i < 4; ++i)
        bytes[static_cast<std::size_t>(6 + i)] =
            static_cast<char>((newSize >> (7 * (3 - i))) & 0x7F);
    bytes.resize(static_cast<std::size_t>(10 + (bodyEnd - bodyStart)));
    in.clear();
    in.seekg(static_cast<std::streamoff>(bodyStart));
    if (!in.read(bytes.data() + 10, static_cast<std::streamsize>(bodyEnd - bodyStart)))
        return false;
    out = TagLib::ByteVector(bytes.data(), static_cast<unsigned int>(bytes.size()));
    return true;
}

// TagLib stops at an empty frame (size 0) and loses every frame after it. For
// reading, the tag is handed over without its empty frames (and without an
// extended header, and a 2.3 tag's unsynchronisation undone). False when the
// tag has no empty frame.
bool WithoutEmptyFrames(const std::string& path, TagLib::ByteVector& out) {
    std::ifstream in(path, std::ios::binary);
    unsigned char head[10];
    if (!in.read(reinterpret_cast<char*>(head), sizeof head)) return false;
    TagHeader header;
    std::string problem;
    if (std::memcmp(head, "ID3", 3) != 0 || !tagfile::ParseHeader(head, header, problem) ||
        (header.major != 3 && header.major != 4)) {
        return false;
    }
    // A damaged header may claim 256 MB in a file of a few bytes: only what
    // the file holds is read.
    in.seekg(0, std::ios::end);
    const auto fileSize = static_cast<std::uint64_t>(std::max<std::streamoff>(in.tellg(), 0));
    std::string tag(static_cast<std::size_t>(std::min<std::uint64_t>(10 + header.size, fileSize)),
                    '\0');
    in.seekg(0);
    in.read(tag.data(), static_cast<std::streamsize>(tag.size()));
    tag.resize(static_cast<std::size_t>(in.gcount()));
    std::vector<RawFrame> frames;
    if (!SplitFrames(tag, header, frames, problem)) return false;
    std::string body;
    bool empty = false;
    for (const RawFrame& frame : frames) {
        if (frame.bytes.size() == 10) {
            empty = true;
        } else {
            body += frame.bytes;
        }
    }
    if (!empty) return false;
    std::string bytes =
        tagfile::RenderHeader(header.major, static_cast<std::uint32_t>(body.size()));
    // 2.4 frames say themselves whether they are unsynchronised.
    if (header.major == 4) bytes[5] = static_cast<char>(header.flags & 0x80);
    bytes += body;
    out = TagLib::ByteVector(bytes.data(), static_cast<unsigned int>(bytes.size()));
    return true;
}

// True when the file starts with an ID3v2 tag holding anything but padding,
// or one too damaged to be read: such a file has a tag, readable or not.
bool HoldsTagBytes(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    bool holds = false;
    if (::fstat(fd, &st) == 0) {
        const TagRegion region = tagfile::FindTagRegion(fd, static_cast<std::uint64_t>(st.st_size));
        if (region.lead == Lead::Damaged) {
            holds = true;
        } else if (region.lead == Lead::Valid && region.firstEnd > 10) {
            std::string body(static_cast<std::size_t>(std::min<std::uint64_t>(
                                 region.firstEnd - 10, std::uint64_t{1} << 20)),
                             '\0');
            holds = tagfile::ReadAt(fd, body.data(), body.size(), 10) &&
                    body.find_first_not_of('\0') != std::string::npos;
        }
    }
    ::close(fd);
    return holds;
}

// True when any tags stacked behind the first hold nothing but padding.
bool OnlyPaddingAfterFirst(int fd, const TagRegion& region) {
    std::uint64_t at = region.firstEnd;
    std::vector<char> block(65536);
    while (at + 10 <= region.end) {
        unsigned char h[10];
        TagHeader header;
        std::string problem;
        if (!tagfile::ReadAt(fd, h, sizeof h, at) || !tagfile::ParseHeader(h, header, problem)) {
            return false;
        }
        const std::uint64_t bodyEnd = std::min<std::uint64_t>(at + 10 + header.size, region.end);
        for (std::uint64_t pos = at + 10; pos < bodyEnd; pos += block.size()) {
            const auto n =
                static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), bodyEnd - pos));
            if (!tagfile::ReadAt(fd, block.data(), n, pos)) return false;
            if (std::any_of(block.begin(), block.begin() + static_cast<long>(n),
                            [](char c) { return c != 0; })) {
                return false;
            }
        }
        at = bodyEnd + (header.major == 4 && (header.flags & 0x10) != 0 ? 10 : 0);
    }
    return true;
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// ---- Writing: the old tag's frames are kept byte for byte; only the frames
// of fields whose text changed are rendered anew. ----

// A frame rendered by TagLib (2.4 layout) in the tag's version.
std::string Finish(const TagLib::ID3v2::Frame& frame, int major) {
    std::string bytes = Bytes(frame.render());
    if (major == 3) {
        const auto size = static_cast<std::uint32_t>(bytes.size() - 10);
        for (int i = 0; i < 4; ++i)
            bytes[static_cast<std::size_t>(4 + i)] = static_cast<char>(size >> (8 * (3 - i)));
    }
    return bytes;
}

std::string TextFrame(const char* id, const std::string& text, int major) {
    const TagLib::String value = FromUtf8(text);
    TagLib::ID3v2::TextIdentificationFrame frame(id, EncodingFor(value));
    frame.setText(value);
    return Finish(frame, major);
}

// A URL is ASCII: anything beyond (and blanks) is its UTF-8 bytes,
// percent-encoded.
std::string PercentEncoded(const std::string& utf8) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string out;
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80 && c > 0x20) {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    return out;
}

// "yyyy-MM[-dd[Thh[:mm[:ss]]]]": the parts a 2.3 tag has frames for.
// False for any other text (a plain year included).
bool SplitIsoDate(const std::string& text, std::string& year, std::string& ddmm,
                  std::string& hhmm) {
    static const char* const kShape = "dddd-dd-ddTdd:dd:dd";
    const std::size_t n = text.size();
    if (n != 7 && n != 10 && n != 13 && n != 16 && n != 19) return false;
    for (std::size_t i = 0; i < n; ++i) {
        const char want = kShape[i];
        const char c = text[i];
        if (want == 'd' ? (c < '0' || c > '9') : (c != want && !(want == 'T' && c == ' ')))
            return false;
    }
    year = text.substr(0, 4);
    ddmm = n >= 10 ? text.substr(8, 2) + text.substr(5, 2) : std::string();
    hhmm = n >= 16 ? text.substr(11, 2) + text.substr(14, 2) : std::string();
    return true;
}

// Which field an old frame carries: 1..12, 0 for none of ours, kDateParts
// for the 2.3 TDAT/TIME that a written date replaces.
constexpr int kDateParts = 100;

int FieldOf(const RawFrame& frame, int major, TagLib::ID3v2::Header& tagHeader, bool& commentSeen,
            bool& urlSeen, std::string& commentLanguage) {
    // Text frames by the table; a 2.4 date is the year field too.
    const int field = core::Id3v2FieldOf(frame.id);
    if (field != 0 && field != 7 && field != 11) return field;
    if (frame.id == "TDRC") return 5;
    if (major == 3 && (frame.id == "TDAT" || frame.id == "TIME")) return kDateParts;
    if ((frame.id == "COMM" && !commentSeen) || (frame.id == "WXXX" && !urlSeen)) {
        const TagLib::ByteVector data(frame.bytes.data(),
                                      static_cast<unsigned>(frame.bytes.size()));
        std::unique_ptr<TagLib::ID3v2::Frame> parsed(
            TagLib::ID3v2::FrameFactory::instance()->createFrame(data, &tagHeader));
        if (auto* comment = dynamic_cast<TagLib::ID3v2::CommentsFrame*>(parsed.get())) {
            if (comment->description().isEmpty()) {
                commentSeen = true;
                commentLanguage = Bytes(comment->language());
                return 7;
            }
        } else if (auto* url = dynamic_cast<TagLib::ID3v2::UserUrlLinkFrame*>(parsed.get())) {
            if (url->description().isEmpty()) {
                urlSeen = true;
                return 11;
            }
        }
    }
    return 0;
}

// The new frames of one changed field.
std::vector<std::string> RenderField(int field, const std::string& text, int major,
                                     const std::string& commentLanguage) {
    std::vector<std::string> out;
    if (text.empty()) return out;
    if (field == 5) {
        std::string year, ddmm, hhmm;
        if (major == 4) {
            out.push_back(TextFrame("TDRC", text, major));
        } else if (SplitIsoDate(text, year, ddmm, hhmm)) {
            // 2.3 has a frame for each part of a date.
            out.push_back(TextFrame("TYER", year, major));
            if (!ddmm.empty()) out.push_back(TextFrame("TDAT", ddmm, major));
            if (!hhmm.empty()) out.push_back(TextFrame("TIME", hhmm, major));
        } else {
            out.push_back(TextFrame("TYER", text, major));
        }
    } else if (field == 7) {
        const TagLib::String value = FromUtf8(text);
        TagLib::ID3v2::CommentsFrame frame(EncodingFor(value));
        frame.setLanguage(commentLanguage.size() == 3
                              ? TagLib::ByteVector(commentLanguage.c_str(), 3)
                              : TagLib::ByteVector("eng"));
        frame.setText(value);
        out.push_back(Finish(frame, major));
    } else if (field == 11) {
        // Latin-1 text is stored as it is; beyond, the low byte of each
        // character would be garbage, so the URL is percent-encoded instead.
        TagLib::ID3v2::UserUrlLinkFrame frame(TagLib::String::Latin1);
        const TagLib::String value = FromUtf8(text);
        frame.setUrl(value.isLatin1()
                         ? value
                         : TagLib::String(PercentEncoded(text), TagLib::String::Latin1));
        out.push_back(Finish(frame, major));
    } else {
        out.push_back(TextFrame(core::Id3v2FrameId(field), text, major));
    }
    return out;
}

// A 2.2 tag has three-letter frames: TagLib converts it to 2.3 once, and the
// result is spliced like any 2.3 tag.
bool ConvertV22(const std::string& tag, std::string& converted) {
    TagLib::ByteVector bytes(tag.data(), static_cast<unsigned>(tag.size()));
    TagLib::ByteVectorStream stream(bytes);
    TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    if (!file.isValid() || !file.hasID3v2Tag()) return false;
    converted = Bytes(file.ID3v2Tag()->render(TagLib::ID3v2::v3));
    return converted.size() >= 10;
}

// TagLib's conversion drops a 2.2 tag's day and time (TDA, TIM): they are
// carried over as the 2.3 TDAT and TIME frames, unless the conversion kept
// them.
void KeepV22DateParts(const std::string& tag22, std::vector<RawFrame>& frames) {
    static const std::pair<const char*, const char*> kParts[] = {{"TDA", "TDAT"}, {"TIM", "TIME"}};
    std::size_t pos = 10;
    while (pos + 6 <= tag22.size() && tag22[pos] != 0) {
        const auto* p = reinterpret_cast<const unsigned char*>(tag22.data() + pos);
        const std::size_t size = (std::size_t{p[3]} << 16) | (std::size_t{p[4]} << 8) | p[5];
        if (size > tag22.size() - pos - 6) break;
        for (const auto& part : kParts) {
            const char* id22 = part.first;
            const char* id23 = part.second;
            const bool kept = std::any_of(frames.begin(), frames.end(),
                                          [id23](const RawFrame& f) { return f.id == id23; });
            if (size == 0 || kept || tag22.compare(pos, 3, id22) != 0) continue;
            std::string bytes = id23;
            for (int i = 3; i >= 0; --i) bytes.push_back(static_cast<char>(size >> (8 * i)));
            bytes.append(2, '\0');
            bytes += tag22.substr(pos + 6, size);
            frames.push_back({id23, bytes});
        }
        pos += 6 + size;
    }
}

bool ReadTagBytes(int fd, std::uint64_t size, std::string& out) {
    out.resize(static_cast<std::size_t>(size));
    return size == 0 || tagfile::ReadAt(fd, out.data(), out.size(), 0);
}

struct OpenFile {
    int fd = -1;
    struct stat st {};
    ~OpenFile() {
        if (fd >= 0) ::close(fd);
    }
};

// Opens a regular file for writing; FIFOs and devices are refused before
// anything blocks on them.
bool OpenForWriting(const std::string& path, OpenFile& file, std::string& error) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        error = std::string("cannot open: ") + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = "not a regular file";
        return false;
    }
    file.fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (file.fd < 0) {
        error = errno == EACCES || errno == EROFS
                    ? "the file is read-only"
                    : std::string("cannot open: ") + std::strerror(errno);
        return false;
    }
    if (::fstat(file.fd, &file.st) != 0 || !S_ISREG(file.st.st_mode)) {
        error = "not a regular file";
        return false;
    }
    return true;
}

// Puts an empty space the size of the old tags in their place: a tag header
// and padding, which every reader takes for no tag at all.
std::string EmptyRegion(std::uint64_t size) {
    std::string bytes = tagfile::RenderHeader(3, static_cast<std::uint32_t>(size - 10));
    bytes.resize(static_cast<std::size_t>(size), '\0');
    return bytes;
}

constexpr std::uint64_t kMaxTagSize = (std::uint64_t{1} << 28) - 1;
constexpr std::size_t kPadding = 2048;

// Removes the tags of the region from an open file: a copy without them when
// the file can be replaced, otherwise an empty tag in their place.
bool RemoveRegion(const std::string& path, OpenFile& file, const TagRegion& region,
                  std::string& error) {
    if (region.lead == Lead::None) return true;
    const auto result = tagfile::ReplaceHead(path, file.fd, file.st, "", region.end, error);
    if (result == tagfile::ReplaceResult::Done) return true;
    if (result == tagfile::ReplaceResult::Failed) return false;
    if (region.end - 10 > kMaxTagSize) {
        error += "; the tags are too large to blank in place";
        return false;
    }
    error.clear();
    return tagfile::WriteInPlace(file.fd, EmptyRegion(region.end), error);
}

// Whether a tag may be written into the open file at all: never into one
// whose tags are damaged or followed by a second tag, never into anything
// but MPEG audio. False with the reason otherwise.
bool TakesTag(const std::string& path, const OpenFile& file, const TagRegion& region,
              std::string& error) {
    if (region.lead == Lead::Damaged) {
        error = region.problem;
        return false;
    }
    if (region.lead == Lead::Valid && !OnlyPaddingAfterFirst(file.fd, region)) {
        error = "the file holds a second ID3v2 tag, which writing this one would remove";
        return false;
    }
    const auto size = static_cast<std::uint64_t>(file.st.st_size);
    if (!tagfile::LooksLikeMpegAudio(file.fd, region.end, size)) {
        std::string why;
        tagfile::IsMpegAudioFile(path, why);
        error = "ID3 tags go into MPEG audio files only (" + why + ")";
        return false;
    }
    return true;
}

// The first tag of a file as it stands: its bytes (a 2.2 tag converted to
// 2.3), header and frames. A file without a valid tag has none (2.3 then).
struct OldTag {
    std::string bytes;
    TagHeader header;
    std::vector<RawFrame> frames;
    OldTag() { header.major = 3; }
};

bool ReadOldTag(int fd, const TagRegion& region, OldTag& old, std::string& error) {
    old.header = region.header;
    if (!ReadTagBytes(fd, region.firstEnd, old.bytes)) {
        error = std::string("cannot read the tag: ") + std::strerror(errno);
        return false;
    }
    std::string tag22;  // a 2.2 tag as read, before its conversion
    if (old.header.major == 2) {
        std::string converted;
        if (!ConvertV22(old.bytes, converted) ||
            !tagfile::ParseHeader(reinterpret_cast<const unsigned char*>(converted.data()),
                                  old.header, error)) {
            error = "the ID3v2.2 tag cannot be converted";
            return false;
        }
        tag22 = old.bytes;
        old.bytes = converted;
    }
    std::size_t unread = 0;
    if (!SplitFrames(old.bytes, old.header, old.frames, error, &unread)) return false;
    // (An unsynchronised 2.2 tag is left to the conversion alone.)
    if (!tag22.empty() && (region.header.flags & 0x80) == 0) KeepV22DateParts(tag22, old.frames);
    if (unread > 0) {
        error =
            "the ID3v2 tag is damaged after its last readable frame, and writing "
            "would lose what follows";
        return false;
    }
    return true;
}

// The frames of the new tag: the old ones byte for byte, but for the fields
// marked changed, whose new frames (from `texts`, by field) stand where the
// field's first old frame stood, or at the end.
std::string SplicedBody(const OldTag& old, const std::array<bool, 13>& changed,
                        const std::array<std::string, 12>& texts) {
    // A 2.4 tag stays 2.4: its own frames need no conversion, and none is lost.
    const int major = old.header.major;
    TagLib::ID3v2::Header tagHeader(
        TagLib::ByteVector(old.bytes.size() >= 10 ? old.bytes.substr(0, 10).c_str() : "",
                           old.bytes.size() >= 10 ? 10 : 0));
    const bool unsynchronisedFrames = major == 4 && (old.header.flags & 0x80) != 0;

    std::string year, ddmm, hhmm;
    const bool writesDateParts =
        changed[5] && major == 3 && SplitIsoDate(texts[4], year, ddmm, hhmm) && !ddmm.empty();
    std::string body, commentLanguage;
    std::array<bool, 13> placed{};
    bool commentSeen = false, urlSeen = false;
    auto emit = [&](int field) {
        if (placed[static_cast<std::size_t>(field)]) return;
        placed[static_cast<std::size_t>(field)] = true;
        for (const auto& bytes :
             RenderField(field, texts[static_cast<std::size_t>(field - 1)], major, commentLanguage))
            body += bytes;
    };
    for (const RawFrame& frame : old.frames) {
        if (frame.bytes.size() == 10) continue;  // an empty frame holds nothing; others stop at it
        int field = FieldOf(frame, major, tagHeader, commentSeen, urlSeen, commentLanguage);
        if (field == kDateParts) field = writesDateParts ? 5 : 0;
        if (field == 0 || !changed[static_cast<std::size_t>(field)]) {
            std::string bytes = frame.bytes;
            // The tag-wide flag is dropped; each frame then says it itself.
            if (unsynchronisedFrames) bytes[9] = static_cast<char>(bytes[9] | 0x02);
            body += bytes;
            continue;
        }
        emit(field);  // at the place of the field's first old frame
    }
    for (int field = 1; field <= 12; ++field) {
        if (changed[static_cast<std::size_t>(field)]) emit(field);
    }
    return body;
}

// Writes the new tag over the old one's space, which holds it; `readsBack`
// checks the result, and the old head goes back when it fails.
bool WriteOverOldTag(const OpenFile& file, const TagRegion& region, int major,
                     const std::string& body, const std::string& oldHead,
                     const std::function<bool()>& readsBack, std::string& error) {
    std::string tag = tagfile::RenderHeader(major, static_cast<std::uint32_t>(region.end - 10));
    tag += body;
    tag.resize(static_cast<std::size_t>(region.end), '\0');
    if (!tagfile::WriteInPlace(file.fd, tag, error)) return false;
    if (!readsBack()) {
        std::string ignored;
        tagfile::WriteInPlace(file.fd, oldHead, ignored);
        return false;
    }
    return true;
}

// Writes the new tag, with padding, in front of the audio in place of the old
// head; `readsBack` checks the result, and the old head goes back when it fails.
bool WriteNewHead(const std::string& path, const OpenFile& file, const TagRegion& region, int major,
                  const std::string& body, const std::string& oldHead,
                  const std::function<bool()>& readsBack, std::string& error) {
    const std::uint64_t tagSize = body.size() + kPadding;
    if (tagSize > kMaxTagSize) {
        error = "the tag would be larger than an ID3v2 tag can be";
        return false;
    }
    std::string head = tagfile::RenderHeader(major, static_cast<std::uint32_t>(tagSize));
    head += body;
    head.resize(static_cast<std::size_t>(10 + tagSize), '\0');
    const auto result = tagfile::ReplaceHead(path, file.fd, file.st, head, region.end, error);
    if (result == tagfile::ReplaceResult::Impossible) {
        error = "the new tag does not fit in the old tag's space, and " + error;
    }
    if (result != tagfile::ReplaceResult::Done) return false;
    if (!readsBack()) {
        // The old head goes back in front of the same audio.
        OpenFile written;
        std::string ignored;
        if (OpenForWriting(path, written, ignored)) {
            tagfile::ReplaceHead(path, written.fd, written.st, oldHead, head.size(), ignored);
        }
        return false;
    }
    return true;
}

}  // namespace

bool TagLibId3v2Tag::Load(TagLib::IOStream* stream) {
    present_ = false;
    loaded_.fill(std::string());
    try {
        RawTextFactory factory;
        TagLib::MPEG::File file(stream, &factory, false);
        if (!file.isValid()) return false;
        if (!file.hasID3v2Tag()) return true;
        const TagLib::ID3v2::Tag* tag = file.ID3v2Tag();
        // A tag of padding alone is what removing leaves where it cannot cut.
        if (tag == nullptr || tag->frameList().isEmpty()) return true;
        present_ = true;
        for (int field = 1; field <= 12; ++field) {
            std::string text;
            switch (field) {
                case 5:
                    text = FirstText(*tag, kRawYear);
                    if (text.empty()) text = FirstText(*tag, "TDRC");
                    break;
                case 6:
                    text = FirstText(*tag, kRawGenre);
                    break;
                case 7:
                    text = CommentText(*tag);
                    break;
                case 11:
                    text = UrlText(*tag);
                    break;
                default:
                    text = FirstText(*tag, core::Id3v2FrameId(field));
            }
            loaded_[static_cast<std::size_t>(field - 1)] = std::move(text);
        }
        return true;
    } catch (const std::exception&) {
        present_ = false;
        return false;
    }
}

bool TagLibId3v2Tag::Load(const std::string& path) {
    present_ = false;
    loaded_.fill(std::string());
    if (!IsRegularFile(path)) return false;
    bool loaded = false;
    TagLib::ByteVector repaired;
    if (WithoutEmptyFrames(path, repaired) || WithoutExtendedHeader(path, repaired)) {
        TagLib::ByteVectorStream memory(repaired);
        loaded = Load(&memory);
    } else {
        TagLib::FileStream stream(path.c_str(), true);
        if (!stream.isOpen()) return false;
        loaded = Load(&stream);
    }
    // A tag that could not be read is still a tag: never "no tag" for it.
    if (!present_ && HoldsTagBytes(path)) present_ = true;
    return loaded;
}

std::string TagLibId3v2Tag::GetField(int field) const {
    if (field < 1 || field > 12) return {};
    return loaded_[static_cast<std::size_t>(field - 1)];
}

void TagLibId3v2Tag::SetField(int field, const std::string& text) {
    if (field < 1 || field > 12) return;
    pending_[static_cast<std::size_t>(field - 1)] = text;
}

bool TagLibId3v2Tag::WriteTag(const std::string& path) {
    error_.clear();
    try {
        return Write(path);
    } catch (const std::exception& e) {
        error_ = e.what();
        return false;
    }
}

bool TagLibId3v2Tag::Write(const std::string& path) {
    OpenFile file;
    if (!OpenForWriting(path, file, error_)) return false;
    core::RemoveLeftCopies(path);
    const TagRegion region =
        tagfile::FindTagRegion(file.fd, static_cast<std::uint64_t>(file.st.st_size));
    if (!TakesTag(path, file, region, error_)) return false;

    // Only the fields whose text changed are written anew; every other frame
    // stays as it is, byte for byte.
    TagLibId3v2Tag current;
    current.Load(path);
    std::array<bool, 13> changed{};
    for (std::size_t f = 1; f <= 12; ++f) {
        // A tag TagLib finds further in (behind junk) is not the one we
        // write: the new tag at the start must then carry every field.
        changed[f] = region.lead != Lead::Valid || pending_[f - 1] != current.loaded_[f - 1];
    }
    OldTag old;
    if (region.lead == Lead::Valid && !ReadOldTag(file.fd, region, old, error_)) return false;
    const int major = old.header.major;
    const std::string body = SplicedBody(old, changed, pending_);

    // The old head, to put back should the new tag not read back as written.
    std::string oldHead;
    if (region.end > 0 && !ReadTagBytes(file.fd, region.end, oldHead)) {
        error_ = std::string("cannot read the tag: ") + std::strerror(errno);
        return false;
    }
    if (body.empty()) {
        // Nothing left to hold: the file carries no ID3v2 tag at all.
        if (!RemoveRegion(path, file, region, error_)) return false;
        present_ = false;
        return true;
    }
    const auto readsBack = [&] { return ReadsBack(path, current, changed, major); };
    const bool fits = region.lead == Lead::Valid && 10 + body.size() <= region.end &&
                      region.end - 10 <= kMaxTagSize;
    if (!(fits ? WriteOverOldTag(file, region, major, body, oldHead, readsBack, error_)
               : WriteNewHead(path, file, region, major, body, oldHead, readsBack, error_)))
        return false;
    present_ = true;
    return true;
}

bool TagLibId3v2Tag::ReadsBack(const std::string& path, const TagLibId3v2Tag& before,
                               const std::array<bool, 13>& changed, int major) {
    TagLibId3v2Tag check;
    check.Load(path);
    for (int f = 1; f <= 12; ++f) {
        const auto i = static_cast<std::size_t>(f - 1);
        const std::string& got = check.loaded_[i];
        std::string want = changed[static_cast<std::size_t>(f)] ? pending_[i] : before.loaded_[i];
        std::string year, ddmm, hhmm;
        if (f == 5 && major == 3 && SplitIsoDate(want, year, ddmm, hhmm)) want = year;
        // Texts TagLib normalises (genres, URLs beyond Latin-1) are only
        // checked for being there; every written text must be.
        const bool exact = changed[static_cast<std::size_t>(f)] && f != 6 && f != 11;
        if (exact ? got != want : got.empty() != want.empty()) {
            error_ = "the written tag does not read back as written (field " + std::to_string(f) +
                     "); the file is left as it was";
            return false;
        }
    }
    return true;
}

bool TagLibId3v2Tag::RemoveTag(const std::string& path) {
    error_.clear();
    try {
        OpenFile file;
        if (!OpenForWriting(path, file, error_)) return false;
        const TagRegion region =
            tagfile::FindTagRegion(file.fd, static_cast<std::uint64_t>(file.st.st_size));
        if (region.lead == Lead::Damaged) {
            error_ = region.problem;
            return false;
        }
        if (!RemoveRegion(path, file, region, error_)) return false;
        // A tag behind junk further into the file is found by readers but is
        // no tag of ours to cut out of the audio: say so rather than succeed.
        TagLibId3v2Tag probe;
        probe.Load(path);
        present_ = probe.TagPresent();
        if (present_) {
            error_ = "an ID3v2 tag that does not stand at the start of the file is left";
            return false;
        }
        return true;
    } catch (const std::exception& e) {
        error_ = e.what();
        return false;
    }
}

}  // namespace qsr::audio
