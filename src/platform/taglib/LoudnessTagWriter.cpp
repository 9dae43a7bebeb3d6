#include "platform/taglib/LoudnessTagWriter.h"

#include <fcntl.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>

#include "core/AtomicFile.h"

namespace qsr::audio {
namespace {

enum class Kind { None, Flac, Vorbis, Opus, Mpeg };

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string Extension(const std::string& path) {
    const auto dot = path.find_last_of('.');
    const auto slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return path.substr(dot);
}

Kind KindOf(const std::string& path) {
    const std::string ext = Lower(Extension(path));
    if (ext == ".flac") return Kind::Flac;
    if (ext == ".ogg" || ext == ".oga") return Kind::Vorbis;
    if (ext == ".opus") return Kind::Opus;
    if (ext == ".mp3") return Kind::Mpeg;
    return Kind::None;
}

const char* KindName(Kind k) {
    switch (k) {
        case Kind::Flac:
            return "FLAC";
        case Kind::Vorbis:
            return "Ogg Vorbis";
        case Kind::Opus:
            return "Opus";
        default:
            return "MP3";
    }
}

// Copies the whole of `from` into the open `fd`.
bool CopyInto(const std::string& from, int fd, std::string& error) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        error = std::string("cannot be read: ") + std::strerror(errno);
        return false;
    }
    char buf[1 << 16];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            error = std::string("cannot be read: ") + std::strerror(errno);
            ok = false;
            break;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(fd, buf + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) {
                error = std::strerror(errno);
                ok = false;
                break;
            }
            done += w;
        }
        if (!ok) break;
    }
    ::close(in);
    return ok;
}

TagLib::String Utf8(const std::string& s) {
    return TagLib::String(s, TagLib::String::UTF8);
}

// The TXXX frames whose description is `name` in any case.
std::vector<TagLib::ID3v2::UserTextIdentificationFrame*> UserFrames(TagLib::ID3v2::Tag& tag,
                                                                    const std::string& name) {
    std::vector<TagLib::ID3v2::UserTextIdentificationFrame*> found;
    for (TagLib::ID3v2::Frame* f : tag.frameList("TXXX")) {
        auto* u = dynamic_cast<TagLib::ID3v2::UserTextIdentificationFrame*>(f);
        if (u && Lower(u->description().to8Bit(true)) == Lower(name)) found.push_back(u);
    }
    return found;
}

bool SetXiph(TagLib::Ogg::XiphComment* c, const ILoudnessTag::Fields& fields) {
    if (!c) return false;
    for (const auto& [name, value] : fields) c->addField(Utf8(name), Utf8(value), true);
    return true;
}

bool XiphReads(TagLib::Ogg::XiphComment* c, const ILoudnessTag::Fields& fields) {
    if (!c) return false;
    const TagLib::Ogg::FieldListMap& map = c->fieldListMap();
    for (const auto& [name, value] : fields) {
        const auto it = map.find(Utf8(name).upper());
        if (it == map.end() || it->second.size() != 1 || it->second.front() != Utf8(value))
            return false;
    }
    return true;
}

// Writes the fields into the file at `path` (the copy), or, with `check`,
// tells whether it reads with them.
bool Apply(Kind kind, const std::string& path, const ILoudnessTag::Fields& fields, bool check,
           std::string& error) {
    const char* name = path.c_str();
    const auto invalid = [&] {
        error = std::string("it is not a valid ") + KindName(kind) + " file";
        return false;
    };
    switch (kind) {
        case Kind::Flac: {
            TagLib::FLAC::File f(name, false);
            if (!f.isValid()) return invalid();
            if (check) return XiphReads(f.xiphComment(false), fields);
            return SetXiph(f.xiphComment(true), fields) && f.save();
        }
        case Kind::Vorbis: {
            TagLib::Ogg::Vorbis::File f(name, false);
            if (!f.isValid()) return invalid();
            if (check) return XiphReads(f.tag(), fields);
            return SetXiph(f.tag(), fields) && f.save();
        }
        case Kind::Opus: {
            TagLib::Ogg::Opus::File f(name, false);
            if (!f.isValid()) return invalid();
            if (check) return XiphReads(f.tag(), fields);
            return SetXiph(f.tag(), fields) && f.save();
        }
        case Kind::Mpeg: {
            TagLib::MPEG::File f(name, false);
            if (!f.isValid()) return invalid();
            TagLib::ID3v2::Tag* tag = f.ID3v2Tag(!check);
            if (check) {
                if (!tag) return false;
                for (const auto& [field, value] : fields) {
                    const auto frames = UserFrames(*tag, field);
                    if (frames.size() != 1 || frames.front()->fieldList().size() < 2 ||
                        frames.front()->fieldList()[1] != Utf8(value))
                        return false;
                }
                return true;
            }
            const bool v4 = f.hasID3v2Tag() && tag->header()->majorVersion() == 4;
            for (const auto& [field, value] : fields) {
                for (auto* old : UserFrames(*tag, field)) tag->removeFrame(old);
                auto* frame =
                    new TagLib::ID3v2::UserTextIdentificationFrame(TagLib::String::Latin1);
                frame->setDescription(Utf8(field));
                frame->setText(Utf8(value));
                tag->addFrame(frame);
            }
            return f.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone,
                          v4 ? TagLib::ID3v2::v4 : TagLib::ID3v2::v3, TagLib::File::DoNotDuplicate);
        }
        default:
            return false;
    }
}

}  // namespace

bool LoudnessTagWriter::Fail(const std::string& why) {
    error_ = why;
    return false;
}

bool LoudnessTagWriter::Write(const std::string& path, const Fields& fields) {
    error_.clear();
    const Kind kind = KindOf(path);
    if (kind == Kind::None)
        return Fail(path + ": only FLAC, Ogg Vorbis, Opus and MP3 files take loudness tags");
    core::RemoveLeftCopies(path);
    core::ReplacingFile copy;
    std::string why;
    if (!copy.Begin(path, &why, Extension(path))) return Fail(core::CouldNotSaveMessage(path, why));
    if (!CopyInto(path, copy.Fd(), why)) {
        copy.Discard();
        return Fail(core::CouldNotSaveMessage(path, why));
    }
    if (!Apply(kind, copy.TempPath(), fields, false, why)) {
        copy.Discard();
        return Fail(
            core::CouldNotSaveMessage(path, why.empty() ? "the tag could not be written" : why));
    }
    if (!Apply(kind, copy.TempPath(), fields, true, why)) {
        copy.Discard();
        return Fail(core::CouldNotSaveMessage(path, "the tag did not read back as written"));
    }
    if (!copy.Commit(&why)) return Fail(core::CouldNotSaveMessage(path, why));
    return true;
}

}  // namespace qsr::audio
