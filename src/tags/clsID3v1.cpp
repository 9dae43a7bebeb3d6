#include "tags/clsID3v1.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "core/MpegTagFile.h"
#include "core/Text.h"
#include "tags/TagText.h"

namespace qsr::tags {
namespace {

using namespace std::string_literals;
using audio::tagfile::ReadAt;
using audio::tagfile::WriteAt;

// Offsets inside the 125-byte record (block offset minus 3).
constexpr int kTitle = 0, kArtist = 30, kAlbum = 60, kYear = 90, kComment = 94;
constexpr int kZero = 122, kTrack = 123, kGenre = 124;
// Offset and width of each plain text field, by clsID3v1::TextField.
constexpr std::pair<int, int> kTextFields[] = {
    {kTitle, 30}, {kArtist, 30}, {kAlbum, 30}, {kYear, 4}};
constexpr off_t kBlock = 128;

const char* const kGenreText =
    "Blues|Classic Rock|Country|Dance|Disco|Funk|Grunge|Hip-Hop|Jazz|Metal|New Age|Oldies|"
    "Other|Pop|R&B|Rap|Reggae|Rock|Techno|Industrial|Alternative|Ska|Death Metal|Pranks|"
    "Soundtrack|Euro-Techno|Ambient|Trip Hop|Vocal|Jazz+Funk|Fusion|Trance|Classical|"
    "Instrumental|Acid|House|Game|Sound Clip|Gospel|Noise|Alt. Rock|Bass|Soul|Punk|Space|"
    "Meditative|Instrumental Pop|Instrumental Rock|Ethnic|Gothic|Darkwave|Techno-Industrial|"
    "Electronic|Pop-Folk|Eurodance|Dream|Southern Rock|Comedy|Cult|Gangsta Rap|Top 40|"
    "Christian Rap|Pop/Punk|Jungle|Native American|Cabaret|New Wave|Phychedelic|Rave|"
    "Showtunes|Trailer|Lo-Fi|Tribal|Acid Punk|Acid Jazz|Polka|Retro|Musical|Rock & Roll|"
    "Hard Rock|Folk|Folk/Rock|National Folk|Swing|Fast-Fusion|Bebob|Latin|Revival|Celtic|"
    "Blue Grass|Avantegarde|Gothic Rock|Progressive Rock|Psychedelic Rock|Symphonic Rock|"
    "Slow Rock|Big Band|Chorus|Easy Listening|Acoustic|Humour|Speech|Chanson|Opera|"
    "Chamber Music|Sonata|Symphony|Booty Bass|Primus|Porn Groove|Satire|Slow Jam|Club|Tango|"
    "Samba|Folklore|Ballad|power Ballad|Rhythmic Soul|Freestyle|Duet|Punk Rock|Drum Solo|"
    "A Capella|Euro-House|Dance Hall|Goa|Drum & Bass|Club-House|Hardcore|Terror|indie|"
    "Brit Pop|Negerpunk|Polsk Punk|Beat|Christian Gangsta Rap|Heavy Metal|Black Metal|"
    "Crossover|Comteporary Christian|Christian Rock|Merengue|Salsa|Trash Metal|Anime|JPop|"
    "Synth Pop";

// A file descriptor closed on every path out.
class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }

  private:
    int fd_;
};

int OpenExisting(const std::string& path, int flags) {
    // O_NONBLOCK: a FIFO given as a file name must not hang us; regular files ignore it.
    return ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK);
}

// A place in a file, as the readers and writers take it.
std::uint64_t At(off_t offset) {
    return static_cast<std::uint64_t>(offset);
}

// An existing file (never created) opened for reading or writing.
struct OpenedFile {
    OpenedFile(const std::string& path, bool forWriting)
        : fd(OpenExisting(path, forWriting ? O_RDWR : O_RDONLY)), writing(forWriting) {}
    Fd fd;
    bool writing;
    off_t length = 0;     // found by Probe
    bool tagged = false;  // a tag stands at the end
};

// Finds a regular file's length and whether a tag stands at its end. False
// for a file that did not open, is no regular file or is shorter than one
// block, with the reason in `why`.
bool Probe(OpenedFile& file, std::string& why) {
    if (!file.fd.ok()) {
        const bool readOnly = file.writing && (errno == EACCES || errno == EROFS);
        why = readOnly ? "the file is read-only"s : std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(file.fd.get(), &st) != 0) {
        why = std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        why = "not a regular file";
        return false;
    }
    file.length = st.st_size;
    if (file.length < kBlock) {
        why = "the file is shorter than an ID3v1 tag (" + std::to_string(file.length) +
              " bytes, a tag is 128)";
        return false;
    }
    char id[3];
    if (!ReadAt(file.fd.get(), id, 3, At(file.length - kBlock))) {
        why = "cannot read the file ("s + std::strerror(errno) + ")";
        return false;
    }
    file.tagged = std::memcmp(id, "TAG", 3) == 0;
    return true;
}

// A field's stored bytes as text: blanks at either end and what follows a NUL go.
std::string FieldText(const std::string& raw) {
    return Latin1ToUtf8(StripNull(core::Trim(raw, core::kSpaces)));
}

// Latin-1 bytes into a field, cut or padded with blanks to its width.
void PutLatin1(unsigned char* field, int width, std::string latin1) {
    latin1.resize(static_cast<std::size_t>(width), ' ');
    std::memcpy(field, latin1.data(), static_cast<std::size_t>(width));
}

}  // namespace

clsID3v1::clsID3v1() {
    std::string all = kGenreText;
    std::size_t start = 0;
    while (true) {
        const auto bar = all.find('|', start);
        genres_.push_back(
            all.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
}

std::string clsID3v1::Text(TextField field) const {
    const auto [offset, width] = kTextFields[field];
    return FieldText(std::string(reinterpret_cast<const char*>(record_.data()) + offset,
                                 static_cast<std::size_t>(width)));
}

void clsID3v1::SetText(TextField field, const std::string& text) {
    const auto [offset, width] = kTextFields[field];
    PutLatin1(record_.data() + offset, width, Utf8ToLatin1(text));
}

std::string clsID3v1::tagStrGenre() const {
    return ReturnGenre(record_[kGenre]);
}
std::uint8_t clsID3v1::tagGenre() const {
    return record_[kGenre];
}
void clsID3v1::tagGenre(std::uint8_t genre) {
    record_[kGenre] = genre;
}

std::string clsID3v1::tagComments() const {
    std::string raw(reinterpret_cast<const char*>(record_.data()) + kComment, 28);
    if (record_[kZero] != 0) {
        // ID3v1.0: the last two bytes are comment characters, not a track.
        raw.push_back(static_cast<char>(record_[kZero]));
        raw.push_back(static_cast<char>(record_[kTrack]));
    }
    return FieldText(raw);
}

void clsID3v1::tagComments(const std::string& text) {
    const std::string latin1 = Utf8ToLatin1(text);
    PutLatin1(record_.data() + kComment, 28, latin1);
    if (latin1.size() <= 28) return;
    record_[kZero] = static_cast<unsigned char>(latin1[28]);
    // A 29-character comment has no 30th character: the track byte becomes 0.
    record_[kTrack] = latin1.size() >= 30 ? static_cast<unsigned char>(latin1[29]) : 0;
}

std::uint8_t clsID3v1::tagTrack() const {
    return record_[kZero] != 0 ? 0 : record_[kTrack];
}
void clsID3v1::tagTrack(std::uint8_t track) {
    record_[kZero] = 0;
    record_[kTrack] = track;
}

std::string clsID3v1::ReturnGenre(int index) const {
    if (index < 0 || index >= kGenreCount) return {};
    return genres_[static_cast<std::size_t>(index)];
}

bool clsID3v1::ReadTag() {
    error_.clear();
    OpenedFile file(filename_, false);
    if (!Probe(file, error_)) return false;
    if (file.tagged) {
        std::array<unsigned char, 125> block{};
        if (!ReadAt(file.fd.get(), block.data(), block.size(), At(file.length - 125))) return false;
        record_ = block;
        return true;
    }
    std::memset(record_.data(), ' ', kZero);
    record_[kZero] = 0;
    record_[kTrack] = 0;
    record_[kGenre] = 255;
    return false;
}

bool clsID3v1::SaveTag() {
    error_.clear();
    OpenedFile file(filename_, true);
    if (!Probe(file, error_)) return false;
    if (file.tagged) {
        if (WriteAt(file.fd.get(), record_.data(), record_.size(), At(file.length - 125)))
            return true;
        error_ = std::strerror(errno);
        return false;
    }
    std::array<unsigned char, 128> block{};
    std::memcpy(block.data(), "TAG", 3);
    std::memcpy(block.data() + 3, record_.data(), record_.size());
    if (!WriteAt(file.fd.get(), block.data(), block.size(), At(file.length))) {
        error_ = std::strerror(errno);
        // Never leave half a block behind.
        (void)::ftruncate(file.fd.get(), file.length);
        return false;
    }
    return true;
}

bool clsID3v1::RemoveTag() {
    // Cut the block off in place: the file is never absent and never copied,
    // so no failure part-way can lose the audio.
    OpenedFile file(filename_, true);
    error_.clear();
    if (!Probe(file, error_)) return false;
    if (!file.tagged) return true;
    if (::ftruncate(file.fd.get(), file.length - kBlock) != 0 || ::fsync(file.fd.get()) != 0) {
        error_ = std::strerror(errno);
        return false;
    }
    return true;
}

bool clsID3v1::HasTag() {
    OpenedFile file(filename_, false);
    return Probe(file, error_) && file.tagged;
}

}  // namespace qsr::tags
