#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qsr::tags {

// The 128-byte ID3v1(.1) block at the end of an MP3 file, and the program's
// genre table. Properties read as name() and are set as name(value). Every
// file operation works on an existing file only, never creates one, and
// returns false on any failure with the file closed.
class clsID3v1 {
  public:
    static constexpr int kGenreCount = 148;

    clsID3v1();

    const std::string& filename() const { return filename_; }
    void filename(const std::string& path) { filename_ = path; }

    bool ReadTag();

    std::string tagTitle() const { return Text(kTitleField); }
    void tagTitle(const std::string& text) { SetText(kTitleField, text); }
    std::string tagArtist() const { return Text(kArtistField); }
    void tagArtist(const std::string& text) { SetText(kArtistField, text); }
    std::string tagAlbum() const { return Text(kAlbumField); }
    void tagAlbum(const std::string& text) { SetText(kAlbumField, text); }
    std::string tagStrGenre() const;
    std::uint8_t tagGenre() const;
    void tagGenre(std::uint8_t genre);
    std::string tagComments() const;
    void tagComments(const std::string& text);
    std::uint8_t tagTrack() const;
    void tagTrack(std::uint8_t track);
    std::string tagYear() const { return Text(kYearField); }
    void tagYear(const std::string& text) { SetText(kYearField, text); }

    // Genre name for any index; empty outside 0..147.
    std::string ReturnGenre(int index) const;

    bool SaveTag();
    bool RemoveTag();
    bool HasTag();
    // Why the last file operation failed ("the file is read-only", "the file
    // is shorter than an ID3v1 tag ..."); empty after a success.
    const std::string& sLastError() const { return error_; }

    // The table, in index order.
    const std::vector<std::string>& Genres() const { return genres_; }

  private:
    // Mirrors block offsets 3..127.
    std::array<unsigned char, 125> record_{};
    std::string filename_;
    std::string error_;
    std::vector<std::string> genres_;

    // The plain text fields, each of a fixed width at its place in the block.
    enum TextField { kTitleField, kArtistField, kAlbumField, kYearField };
    std::string Text(TextField field) const;
    void SetText(TextField field, const std::string& text);
};

}  // namespace qsr::tags
