#include "platform/taglib/TagLibSplice.h"

#include <taglib/commentsframe.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/textidentificationframe.h>
#include <taglib/urllinkframe.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

#include "core/Id3v2Frames.h"

namespace qsr::audio::tagsplice {
namespace {

using tagfile::RawFrame;
using tagfile::SplitFrames;
using tagfile::TagRegion;

TagLib::String FromUtf8(const std::string& text) {
    return TagLib::String(text, TagLib::String::UTF8);
}

std::string Bytes(const TagLib::ByteVector& v) {
    return std::string(v.data(), v.size());
}

TagLib::String::Type EncodingFor(const TagLib::String& text) {
    return text.isLatin1() ? TagLib::String::Latin1 : TagLib::String::UTF16;
}

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

}  // namespace

bool ReadTagBytes(int fd, std::uint64_t size, std::string& out) {
    out.resize(static_cast<std::size_t>(size));
    return size == 0 || tagfile::ReadAt(fd, out.data(), out.size(), 0);
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

}  // namespace qsr::audio::tagsplice
