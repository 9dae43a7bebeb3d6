#include "platform/taglib/TagLibId3v2Tag.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/tfilestream.h>
#include <taglib/urllinkframe.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "core/AtomicFile.h"
#include "core/Id3v2Frames.h"
#include "core/MpegTagFile.h"
#include "platform/taglib/MpegTagRewrite.h"
#include "platform/taglib/TagLibRepairs.h"
#include "platform/taglib/TagLibSplice.h"

namespace qsr::audio {
namespace {

using tagfile::Lead;
using tagfile::TagHeader;
using tagfile::TagRegion;
using tagsplice::OldTag;

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

std::string ToUtf8(const TagLib::String& text) {
    return text.to8Bit(true);
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
    if (tagrepair::WithoutEmptyFrames(path, repaired) ||
        tagrepair::WithoutExtendedHeader(path, repaired)) {
        TagLib::ByteVectorStream memory(repaired);
        loaded = Load(&memory);
    } else {
        TagLib::FileStream stream(path.c_str(), true);
        if (!stream.isOpen()) return false;
        loaded = Load(&stream);
    }
    // A tag that could not be read is still a tag: never "no tag" for it.
    if (!present_ && tagrepair::HoldsTagBytes(path)) present_ = true;
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
    if (region.lead == Lead::Valid && !tagsplice::ReadOldTag(file.fd, region, old, error_))
        return false;
    const int major = old.header.major;
    const std::string body = tagsplice::SplicedBody(old, changed, pending_);

    // The old head, to put back should the new tag not read back as written.
    std::string oldHead;
    if (region.end > 0 && !tagsplice::ReadTagBytes(file.fd, region.end, oldHead)) {
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
        if (f == 5 && major == 3 && tagsplice::SplitIsoDate(want, year, ddmm, hhmm)) want = year;
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
