#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qsr::audio::tagfile {

// The byte layout of an MP3 file's leading ID3v2 tags as read: the header,
// the region the tags fill, the frames, and whether MPEG audio follows. How a
// new head is written: platform/taglib/MpegTagRewrite.h.

// An ID3v2 header: "ID3", major, revision, flags, four size bytes of 7 bits.
struct TagHeader {
    int major = 0;
    int revision = 0;
    std::uint8_t flags = 0;
    std::uint32_t size = 0;  // bytes after the header, footer not counted
};

enum class Lead { None, Valid, Damaged };

// What stands at the start of the file.
struct TagRegion {
    Lead lead = Lead::None;
    TagHeader header;            // of the first tag
    std::uint64_t firstEnd = 0;  // end of the first tag, footer included
    std::uint64_t end = 0;       // end of every tag stacked back to back from offset 0
    std::string problem;         // why the lead is damaged
};

// Reads the 10 header bytes; false (with the reason) for a size byte with its
// high bit set or a version no reader knows.
bool ParseHeader(const unsigned char* bytes, TagHeader& out, std::string& problem);

// Finds the tag region of an open file of the given size.
TagRegion FindTagRegion(int fd, std::uint64_t fileSize);

// True when MPEG audio frames follow `from`: two consecutive frame headers
// that agree, or one frame reaching the end of the audio. Containers that
// merely hold MPEG audio (RIFF, Ogg, MP4 …) are not MPEG audio files.
bool LooksLikeMpegAudio(int fd, std::uint64_t from, std::uint64_t fileSize);

// The same check on a path: a regular file whose content after any leading
// ID3v2 tags is MPEG audio. On false, `why` says what it is instead.
bool IsMpegAudioFile(const std::string& path, std::string& why);

// One frame of a tag, as stored: header and body.
struct RawFrame {
    std::string id;
    std::string bytes;
};

// The frames of a 2.3 or 2.4 tag (its bytes, header included, a 2.3 tag's
// unsynchronisation undone), as TagLib reads them: up to padding, a bad frame
// id or a frame that does not fit; an empty frame (size 0) is kept and read
// past. False for an extended header that does not fit. `unread` counts the
// non-zero bytes after the last frame: damage, where padding should be.
bool SplitFrames(const std::string& tag, const TagHeader& header, std::vector<RawFrame>& frames,
                 std::string& problem, std::size_t* unread = nullptr);

// Big-endian 32-bit and synchsafe numbers (the latter read plain where a byte
// has its high bit set, as some writers put plain numbers there).
std::uint32_t BigEndian(const char* p);
std::uint32_t Synchsafe(const char* p);
// The bytes with the unsynchronisation undone: each 0xFF 0x00 becomes 0xFF.
std::string Resynchronise(std::string_view data);

// Reads or writes exactly `size` bytes at `offset`.
bool ReadAt(int fd, void* buf, std::size_t size, std::uint64_t offset);
bool WriteAt(int fd, const void* buf, std::size_t size, std::uint64_t offset);

}  // namespace qsr::audio::tagfile
