#pragma once

#include <array>
#include <memory>
#include <string>

#include "core/Id3v2Frames.h"
#include "platform/audio-api/AudioEngine.h"

namespace qsr::tags {

// The twelve text fields of an ID3v2.3 tag, moved between the program and a
// file by the engine's ID3v2 tag component. Every file operation creates a
// fresh component and keeps it until the next one. Failures return false and
// show nothing.
class clsID3v23 {
  public:
    explicit clsID3v23(audio::IAudioEngine& engine) : engine_(engine) {}

    const std::string& filename() const { return filename_; }
    void filename(const std::string& path) { filename_ = path; }

    bool ReadTag();

    const std::string& tagTitle() const { return Get(Field::Title); }
    void tagTitle(const std::string& t) { Set(Field::Title, t); }
    const std::string& tagArtist() const { return Get(Field::Artist); }
    void tagArtist(const std::string& t) { Set(Field::Artist, t); }
    const std::string& tagAlbum() const { return Get(Field::Album); }
    void tagAlbum(const std::string& t) { Set(Field::Album, t); }
    // The genre without a leading "(n)" reference.
    std::string tagTrimmedGenre() const;
    const std::string& tagGenre() const { return Get(Field::Genre); }
    void tagGenre(const std::string& t) { Set(Field::Genre, t); }
    const std::string& tagComments() const { return Get(Field::Comment); }
    void tagComments(const std::string& t) { Set(Field::Comment, t); }
    const std::string& tagTrack() const { return Get(Field::Track); }
    void tagTrack(const std::string& t) { Set(Field::Track, t); }
    const std::string& tagYear() const { return Get(Field::Year); }
    void tagYear(const std::string& t) { Set(Field::Year, t); }

    bool SaveTag();
    bool RemoveTag();
    bool HasTag();

    // Whether the file carried an ID3v2 tag after the last file operation. A
    // SaveTag of twelve empty fields into a tag holding nothing else leaves
    // none: the editor then shows the file without "ID3v2".
    bool TagPresent() const { return present_; }
    // Why the last SaveTag or RemoveTag failed; empty when it did not.
    const std::string& sLastError() const { return error_; }

    const std::string& tagComposer() const { return Get(Field::Composer); }
    void tagComposer(const std::string& t) { Set(Field::Composer, t); }
    const std::string& tagOrigArtist() const { return Get(Field::OrigArtist); }
    void tagOrigArtist(const std::string& t) { Set(Field::OrigArtist, t); }
    const std::string& tagCopyright() const { return Get(Field::Copyright); }
    void tagCopyright(const std::string& t) { Set(Field::Copyright, t); }
    const std::string& tagURL() const { return Get(Field::Url); }
    void tagURL(const std::string& t) { Set(Field::Url, t); }
    const std::string& tagEncodedBy() const { return Get(Field::EncodedBy); }
    void tagEncodedBy(const std::string& t) { Set(Field::EncodedBy, t); }

    // Any field by its name.
    const std::string& Get(core::Id3v2Field field) const { return fields_[Index(field)]; }
    void Set(core::Id3v2Field field, const std::string& t) { fields_[Index(field)] = t; }

  private:
    using Field = core::Id3v2Field;
    static std::size_t Index(Field field) { return static_cast<std::size_t>(field) - 1; }
    // Replaces (and so releases) the previous component; null when the engine has none.
    audio::IId3v2Tag* NewComponent();

    audio::IAudioEngine& engine_;
    std::string filename_;
    std::array<std::string, core::kId3v2FieldCount> fields_;
    bool present_ = false;
    std::string error_;
    std::unique_ptr<audio::IId3v2Tag> component_;
};

}  // namespace qsr::tags
