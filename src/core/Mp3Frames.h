#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// MPEG audio frame headers, read without decoding: where every audio frame of
// an MP3 file starts, so a seek can go straight to the frame holding a given
// sample, and the exact length a LAME header records.
namespace qsr::audio::file {

struct Mp3Header {
    int length = 0;           // bytes of the whole frame
    int samplesPerFrame = 0;  // 384, 576 or 1152
    int rate = 0;
};
// False for anything that is not a frame header we can measure (free format
// included).
bool ParseMp3Header(const unsigned char* b, Mp3Header& out);

struct Mp3FrameIndex {
    std::vector<std::int64_t> offsets;  // byte offset of each audio frame, in order
    int samplesPerFrame = 0;
};
// Scans the frames of `data` from `start` (after any ID3v2 tag): the first
// frame when it is an Xing, Info or VBRI header holds no audio and is left
// out. Stops at the first place that is not a frame (damage, a trailing tag):
// the index then covers the sound before it.
Mp3FrameIndex IndexMp3Frames(const unsigned char* data, std::size_t size, std::size_t start);
// The same over a file, read in pieces.
Mp3FrameIndex IndexMp3File(const std::string& path);

// Where the first frame starts: after an ID3v2 tag (and its footer) if any.
std::size_t Mp3AudioStart(const unsigned char* head, std::size_t size);

// The exact length in samples an Xing/Info frame with a LAME extension records
// (frames x samples per frame, less the encoder delay and the end padding),
// from the bytes of that frame; -1 when there is none or it makes no sense,
// also when it counts more frames than `fileBytes` can hold (a frame takes at
// least its 4-byte header; -1 = size unknown).
std::int64_t Mp3ExactLengthFromFrame(const unsigned char* b, std::size_t n,
                                     std::int64_t fileBytes = -1);

}  // namespace qsr::audio::file
