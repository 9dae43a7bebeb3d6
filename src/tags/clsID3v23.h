#pragma once

#include <array>
#include <memory>
#include <string>

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

    const std::string& tagTitle() const { return Get(2); }
    void tagTitle(const std::string& t) { Set(2, t); }
    const std::string& tagArtist() const { return Get(3); }
    void tagArtist(const std::string& t) { Set(3, t); }
    const std::string& tagAlbum() const { return Get(4); }
    void tagAlbum(const std::string& t) { Set(4, t); }
    // The genre without a leading "(n)" reference.
    std::string tagTrimmedGenre() const;
    const std::string& tagGenre() const { return Get(6); }
    void tagGenre(const std::string& t) { Set(6, t); }
    const std::string& tagComments() const { return Get(7); }
    void tagComments(const std::string& t) { Set(7, t); }
    const std::string& tagTrack() const { return Get(1); }
    void tagTrack(const std::string& t) { Set(1, t); }
    const std::string& tagYear() const { return Get(5); }
    void tagYear(const std::string& t) { Set(5, t); }

    bool SaveTag();
    bool RemoveTag();
    bool HasTag();

    // Whether the file carried an ID3v2 tag after the last file operation. A
    // SaveTag of twelve empty fields into a tag holding nothing else leaves
    // none: the editor then shows the file without "ID3v2".
    bool TagPresent() const { return present_; }
    // Why the last SaveTag or RemoveTag failed; empty when it did not.
    const std::string& sLastError() const { return error_; }

    const std::string& tagComposer() const { return Get(8); }
    void tagComposer(const std::string& t) { Set(8, t); }
    const std::string& tagOrigArtist() const { return Get(9); }
    void tagOrigArtist(const std::string& t) { Set(9, t); }
    const std::string& tagCopyright() const { return Get(10); }
    void tagCopyright(const std::string& t) { Set(10, t); }
    const std::string& tagURL() const { return Get(11); }
    void tagURL(const std::string& t) { Set(11, t); }
    const std::string& tagEncodedBy() const { return Get(12); }
    void tagEncodedBy(const std::string& t) { Set(12, t); }

    // The order in which ReadTag and SaveTag visit the field numbers.
    static constexpr std::array<int, 12> kFieldOrder = {4, 3, 7, 8, 10, 12, 6, 9, 2, 1, 11, 5};

  private:
    const std::string& Get(int field) const { return fields_[static_cast<std::size_t>(field - 1)]; }
    void Set(int field, const std::string& t) { fields_[static_cast<std::size_t>(field - 1)] = t; }
    // Replaces (and so releases) the previous component; null when the engine has none.
    audio::IId3v2Tag* NewComponent();

    audio::IAudioEngine& engine_;
    std::string filename_;
    std::array<std::string, 12> fields_;
    bool present_ = false;
    std::string error_;
    std::unique_ptr<audio::IId3v2Tag> component_;
};

}  // namespace qsr::tags
