#include "platform/audio/TagLibId3v2Tag.h"

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
#include <cerrno>
#include <cstring>
#include <exception>
#include <fstream>
#include <memory>

namespace qsr::audio {
namespace {

// Field numbers 1..12 and their frames.
const char* const kFrameIds[12] = {"TRCK", "TIT2", "TPE1", "TALB", "TYER", "TCON",
                                   "COMM", "TCOM", "TOPE", "TCOP", "WXXX", "TENC"};

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

TagLib::String::Type EncodingFor(const TagLib::String& text) {
    return text.isLatin1() ? TagLib::String::Latin1 : TagLib::String::UTF16;
}

std::string FirstText(const TagLib::ID3v2::Tag& tag, const char* id) {
    const auto& list = tag.frameList(id);
    return list.isEmpty() ? std::string() : ToUtf8(list.front()->toString());
}

// Ours is the comment (or URL) without a description; a file with only
// described ones shows the first of them.
std::string CommentText(const TagLib::ID3v2::Tag& tag) {
    const auto& list = tag.frameList("COMM");
    const TagLib::ID3v2::CommentsFrame* first = nullptr;
    for (auto* frame : list) {
        auto* comment = dynamic_cast<TagLib::ID3v2::CommentsFrame*>(frame);
        if (comment == nullptr) continue;
        if (comment->description().isEmpty()) return ToUtf8(comment->text());
        if (first == nullptr) first = comment;
    }
    return first ? ToUtf8(first->text()) : std::string();
}

std::string UrlText(const TagLib::ID3v2::Tag& tag) {
    const auto& list = tag.frameList("WXXX");
    const TagLib::ID3v2::UserUrlLinkFrame* first = nullptr;
    for (auto* frame : list) {
        auto* url = dynamic_cast<TagLib::ID3v2::UserUrlLinkFrame*>(frame);
        if (url == nullptr) continue;
        if (url->description().isEmpty()) return ToUtf8(url->url());
        if (first == nullptr) first = url;
    }
    return first ? ToUtf8(first->url()) : std::string();
}

template <typename Frame>
void RemoveUndescribed(TagLib::ID3v2::Tag& tag, const char* id) {
    const TagLib::ID3v2::FrameList list = tag.frameList(id);  // a copy: we remove while walking
    for (auto* frame : list) {
        auto* typed = dynamic_cast<Frame*>(frame);
        if (typed == nullptr || typed->description().isEmpty()) tag.removeFrame(frame, true);
    }
}

void Apply(TagLib::ID3v2::Tag& tag, const std::array<std::string, 12>& fields) {
    for (int field = 1; field <= 12; ++field) {
        const std::string& text = fields[static_cast<std::size_t>(field - 1)];
        const TagLib::String value = FromUtf8(text);
        const char* id = kFrameIds[field - 1];
        if (field == 7) {
            RemoveUndescribed<TagLib::ID3v2::CommentsFrame>(tag, id);
            if (text.empty()) continue;
            auto* frame = new TagLib::ID3v2::CommentsFrame(EncodingFor(value));
            frame->setLanguage("eng");
            frame->setText(value);
            tag.addFrame(frame);
        } else if (field == 11) {
            RemoveUndescribed<TagLib::ID3v2::UserUrlLinkFrame>(tag, id);
            if (text.empty()) continue;
            auto* frame = new TagLib::ID3v2::UserUrlLinkFrame(TagLib::String::Latin1);
            frame->setUrl(value);
            tag.addFrame(frame);
        } else {
            tag.removeFrames(id);
            // In memory the year lives in TDRC; a TYER frame of our own is
            // written exactly as given, so the date frame goes.
            if (field == 5) tag.removeFrames("TDRC");
            if (text.empty()) continue;
            auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id, EncodingFor(value));
            frame->setText(value);
            tag.addFrame(frame);
        }
    }
}

// TagLib reads the size of a 2.3 extended header as if it were 2.4 (counting
// itself, synchsafe), lands inside it and loses every frame. Such a tag is
// handed to TagLib with the extended header taken out; nothing in it is
// needed (CRC and padding size only). Returns the repaired bytes (the tag
// alone, or the whole file), or false when the file has no such header.
bool WithoutV23ExtendedHeader(const std::string& path, bool wholeFile, TagLib::ByteVector& out) {
    std::ifstream in(path, std::ios::binary);
    unsigned char head[14];
    if (!in.read(reinterpret_cast<char*>(head), sizeof head)) return false;
    if (std::memcmp(head, "ID3", 3) != 0 || head[3] != 3 || (head[5] & 0x40) == 0) return false;
    std::uint32_t tagSize = 0;
    for (int i = 6; i < 10; ++i) {
        if (head[i] & 0x80) return false;
        tagSize = (tagSize << 7) | head[i];
    }
    const std::uint32_t extSize = (std::uint32_t{head[10]} << 24) |
                                  (std::uint32_t{head[11]} << 16) | (std::uint32_t{head[12]} << 8) |
                                  head[13];
    if (extSize > tagSize || tagSize - extSize < 4) return false;
    const std::uint32_t newSize = tagSize - 4 - extSize;
    in.seekg(0, std::ios::end);
    const auto fileSize = static_cast<std::uint64_t>(in.tellg());
    const std::uint64_t bodyStart = 14ULL + extSize;
    // The repair holds the whole file in memory when writing: not for huge ones.
    if (bodyStart > fileSize || (wholeFile && fileSize > (std::uint64_t{1} << 30))) return false;
    const std::uint64_t bodyEnd =
        wholeFile ? fileSize : std::min<std::uint64_t>(fileSize, 10ULL + tagSize);
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

// Writes data to a new file beside path, with path's permissions.
bool WriteSibling(const std::string& path, const std::string& temp,
                  const TagLib::ByteVector& data) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    const int fd =
        ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, st.st_mode & 07777);
    if (fd < 0) return false;
    const char* p = data.data();
    std::size_t left = data.size();
    bool ok = true;
    while (ok && left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) {
            p += n;
            left -= static_cast<std::size_t>(n);
        }
    }
    return (::close(fd) == 0) && ok;
}

bool SyncFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    return (::close(fd) == 0) && ok;
}

// A tag whose size field runs past the end of the file is damaged beyond
// repair, and TagLib would overrun its buffers replacing it: refuse to write.
bool TagFitsInFile(TagLib::MPEG::File& file) {
    if (!file.hasID3v2Tag()) return true;
    const TagLib::ID3v2::Header* header = file.ID3v2Tag()->header();
    if (header == nullptr) return false;
    long where = file.find(header->render());
    if (where < 0) where = 0;
    return static_cast<long long>(where) + header->completeTagSize() <=
           static_cast<long long>(file.length());
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
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
        if (tag == nullptr) return true;
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
                    text = FirstText(*tag, kFrameIds[field - 1]);
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
    if (!IsRegularFile(path)) return false;
    TagLib::ByteVector repaired;
    if (WithoutV23ExtendedHeader(path, false, repaired)) {
        TagLib::ByteVectorStream memory(repaired);
        return Load(&memory);
    }
    TagLib::FileStream stream(path.c_str(), true);
    if (!stream.isOpen()) return false;
    return Load(&stream);
}

std::string TagLibId3v2Tag::GetField(int field) const {
    if (field < 1 || field > 12) return {};
    return loaded_[static_cast<std::size_t>(field - 1)];
}

void TagLibId3v2Tag::SetField(int field, const std::string& text) {
    if (field < 1 || field > 12) return;
    pending_[static_cast<std::size_t>(field - 1)] = text;
}

bool TagLibId3v2Tag::WriteTag(TagLib::IOStream* stream) {
    try {
        TagLib::MPEG::File file(stream, TagLib::ID3v2::FrameFactory::instance(), false);
        if (!file.isValid() || file.readOnly() || !TagFitsInFile(file)) return false;
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
        if (tag == nullptr) return false;
        Apply(*tag, pending_);
        // ID3v2 only: an ID3v1 or APE tag in the file stays as it is.
        return file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v3,
                         TagLib::File::DoNotDuplicate);
    } catch (const std::exception&) {
        return false;
    }
}

bool TagLibId3v2Tag::WriteTag(const std::string& path) {
    if (!IsRegularFile(path)) return false;
    TagLib::FileStream stream(path.c_str(), false);
    if (!stream.isOpen() || stream.readOnly()) return false;
    TagLib::ByteVector repaired;
    if (WithoutV23ExtendedHeader(path, true, repaired)) {
        // Written as a repaired copy that replaces the file in one step, so
        // the file is never absent or half written.
        const std::string temp = path + ".temp";
        bool ok = WriteSibling(path, temp, repaired);
        if (ok) {
            TagLib::FileStream copy(temp.c_str(), false);
            ok = copy.isOpen() && !copy.readOnly() && WriteTag(&copy);
        }
        ok = ok && SyncFile(temp) && ::rename(temp.c_str(), path.c_str()) == 0;
        if (!ok) ::unlink(temp.c_str());
        return ok;
    }
    return WriteTag(&stream);
}

bool TagLibId3v2Tag::RemoveTag(const std::string& path) {
    if (!IsRegularFile(path)) return false;
    try {
        // A file may hold a second tag before its first audio frame, which a
        // fresh look then finds: strip until none is left (a few rounds at most).
        for (int round = 0; round < 8; ++round) {
            TagLib::FileStream stream(path.c_str(), false);
            if (!stream.isOpen() || stream.readOnly()) return false;
            TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
            if (!file.isValid() || !TagFitsInFile(file)) return false;
            if (!file.hasID3v2Tag()) return true;
            const long before = file.length();
            if (!file.strip(TagLib::MPEG::File::ID3v2) || file.length() >= before) return false;
        }
        return false;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace qsr::audio
