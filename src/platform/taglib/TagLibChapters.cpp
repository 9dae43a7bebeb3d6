#include "platform/taglib/TagLibChapters.h"

#include <fcntl.h>
#include <taglib/chapterframe.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/tableofcontentsframe.h>
#include <taglib/textidentificationframe.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

#include "core/AtomicFile.h"
#include "core/OutputFormats.h"

namespace qsr::audio::chapters {
namespace {

using Comments = std::vector<std::pair<std::string, std::string>>;

bool Fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
}

TagLib::String Utf8(const std::string& text) {
    return TagLib::String(text, TagLib::String::UTF8);
}

bool CopyInto(const std::string& from, int to, std::string* error) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return Fail(error, std::strerror(errno));
    char buffer[1 << 16];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(to, buffer + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) {
                ok = false;
                break;
            }
            done += w;
        }
        if (!ok) break;
    }
    const int saved = errno;
    ::close(in);
    if (!ok) return Fail(error, std::strerror(saved ? saved : ENOSPC));
    return true;
}

// The Xiph comments of the open file (null when it is not that type).
TagLib::Ogg::XiphComment* Xiph(TagLib::File& file, core::Encoder type) {
    switch (type) {
        case core::Encoder::Ogg:
            return static_cast<TagLib::Ogg::Vorbis::File&>(file).tag();
        case core::Encoder::Opus:
            return static_cast<TagLib::Ogg::Opus::File&>(file).tag();
        case core::Encoder::Flac:
            return static_cast<TagLib::FLAC::File&>(file).xiphComment(true);
        default:
            return nullptr;
    }
}

std::unique_ptr<TagLib::File> Open(const std::string& path, core::Encoder type, bool properties) {
    switch (type) {
        case core::Encoder::Mp3:
            return std::make_unique<TagLib::MPEG::File>(path.c_str(), properties);
        case core::Encoder::Ogg:
            return std::make_unique<TagLib::Ogg::Vorbis::File>(path.c_str(), properties);
        case core::Encoder::Opus:
            return std::make_unique<TagLib::Ogg::Opus::File>(path.c_str(), properties);
        case core::Encoder::Flac:
            return std::make_unique<TagLib::FLAC::File>(path.c_str(), properties);
        default:
            return nullptr;
    }
}

void SetMpegChapters(TagLib::MPEG::File& file, int rate, const std::vector<core::Marker>& markers) {
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
    tag->removeFrames("CHAP");
    tag->removeFrames("CTOC");
    if (markers.empty()) return;
    const auto length = static_cast<std::uint32_t>(
        file.audioProperties() ? file.audioProperties()->lengthInMilliseconds() : 0);
    std::vector<core::Marker> sorted = markers;
    core::SortMarkers(sorted);
    if (sorted.size() > core::kMaxStoredMarkers) sorted.resize(core::kMaxStoredMarkers);
    TagLib::ByteVectorList ids;
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        const auto start = static_cast<std::uint32_t>(core::FramesToMs(sorted[i].frame, rate));
        // A chapter lasts to the next one, the last to the end of the sound.
        const std::uint32_t end =
            i + 1 < sorted.size()
                ? static_cast<std::uint32_t>(core::FramesToMs(sorted[i + 1].frame, rate))
                : std::max(start, length);
        const TagLib::ByteVector id(("chp" + std::to_string(i)).c_str());
        auto* chapter = new TagLib::ID3v2::ChapterFrame(id, start, end, 0xFFFFFFFFu, 0xFFFFFFFFu);
        auto* title = new TagLib::ID3v2::TextIdentificationFrame("TIT2", TagLib::String::UTF16);
        title->setText(Utf8(sorted[i].label));
        chapter->addEmbeddedFrame(title);
        tag->addFrame(chapter);
        ids.append(id);
    }
    // A table holds at most 255 entries; more chapters go into tables of
    // 255 under the top one.
    constexpr unsigned kEntries = 255;
    auto* toc = new TagLib::ID3v2::TableOfContentsFrame("toc");
    toc->setIsTopLevel(true);
    toc->setIsOrdered(true);
    tag->addFrame(toc);
    if (ids.size() <= kEntries) {
        toc->setChildElements(ids);
        return;
    }
    for (unsigned first = 0, n = 0; first < ids.size(); first += kEntries, ++n) {
        TagLib::ByteVectorList part;
        for (unsigned i = first; i < ids.size() && i < first + kEntries; ++i) part.append(ids[i]);
        const TagLib::ByteVector id(("toc" + std::to_string(n)).c_str());
        auto* sub = new TagLib::ID3v2::TableOfContentsFrame(id, part);
        sub->setIsOrdered(true);
        tag->addFrame(sub);
        toc->addChildElement(id);
    }
}

void SetXiphChapters(TagLib::Ogg::XiphComment& comments, int rate,
                     const std::vector<core::Marker>& markers) {
    std::vector<TagLib::String> old;
    for (const auto& field : comments.fieldListMap())
        if (core::IsChapterComment(field.first.to8Bit(true))) old.push_back(field.first);
    for (const TagLib::String& key : old) comments.removeFields(key);
    for (const auto& [key, value] : core::ChapterComments(markers, rate))
        comments.addField(Utf8(key), Utf8(value), false);
}

}  // namespace

bool WriteChapters(const std::string& path, int rate, const std::vector<core::Marker>& markers,
                   std::string* error) {
    const auto type = core::EncoderForPath(path);
    if (!type || (*type != core::Encoder::Mp3 && *type != core::Encoder::Ogg &&
                  *type != core::Encoder::Opus && *type != core::Encoder::Flac))
        return Fail(error, "this file type holds no chapters");
    if (markers.empty()) {
        // Nothing to remove: the file stays as it is, byte for byte.
        std::vector<core::Marker> old;
        int oldRate = 0;
        if (ReadChapters(path, old, oldRate, nullptr) && old.empty()) return true;
    }
    core::ReplacingFile copy;
    if (!copy.Begin(path, error) || !CopyInto(path, copy.Fd(), error)) return false;
    {
        const std::unique_ptr<TagLib::File> file = Open(copy.TempPath(), *type, true);
        if (!file || !file->isValid()) return Fail(error, "the file could not be read");
        bool saved = false;
        if (*type == core::Encoder::Mp3) {
            auto& mpeg = static_cast<TagLib::MPEG::File&>(*file);
            const bool v4 = mpeg.hasID3v2Tag() && mpeg.ID3v2Tag()->header()->majorVersion() == 4;
            SetMpegChapters(mpeg, rate, markers);
            saved =
                mpeg.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone,
                          v4 ? TagLib::ID3v2::v4 : TagLib::ID3v2::v3, TagLib::File::DoNotDuplicate);
        } else {
            TagLib::Ogg::XiphComment* comments = Xiph(*file, *type);
            if (!comments) return Fail(error, "the file could not be read");
            SetXiphChapters(*comments, rate, markers);
            saved = file->save();
        }
        if (!saved) return Fail(error, "the chapters could not be written");
    }
    return copy.Commit(error);
}

bool ReadChapters(const std::string& path, std::vector<core::Marker>& markers, int& rate,
                  std::string* error) {
    markers.clear();
    const auto type = core::EncoderForPath(path);
    const std::unique_ptr<TagLib::File> file = type ? Open(path, *type, true) : nullptr;
    if (!file) return Fail(error, "this file type holds no chapters");
    if (!file->isValid()) return Fail(error, "the file could not be read");
    rate = file->audioProperties() ? file->audioProperties()->sampleRate() : 0;
    if (*type == core::Encoder::Mp3) {
        auto& mpeg = static_cast<TagLib::MPEG::File&>(*file);
        if (!mpeg.hasID3v2Tag()) return true;
        for (TagLib::ID3v2::Frame* frame : mpeg.ID3v2Tag()->frameList("CHAP")) {
            const auto* chapter = dynamic_cast<TagLib::ID3v2::ChapterFrame*>(frame);
            if (!chapter) continue;
            core::Marker m;
            m.frame = core::MsToFrames(chapter->startTime(), rate);
            const auto titles = chapter->embeddedFrameList("TIT2");
            if (!titles.isEmpty()) m.label = titles.front()->toString().to8Bit(true);
            markers.push_back(std::move(m));
        }
        core::SortMarkers(markers);
        return true;
    }
    Comments comments;
    for (const auto& field : Xiph(*file, *type)->fieldListMap())
        for (const TagLib::String& value : field.second)
            comments.emplace_back(field.first.to8Bit(true), value.to8Bit(true));
    markers = core::MarkersFromComments(comments, rate);
    return true;
}

}  // namespace qsr::audio::chapters
