#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qsr::soundlib {

// Our small sound library: streams opened from files by handle, played on
// numbered channels, with the file's tag fields readable through the same
// handle. Every call answers failure with false, 0 or -1 and leaves the
// reason in GetError. Only the calls the wrapper needs exist; the library
// is used from the user-interface thread only.
//
// Tag fields come back as raw bytes, the way the wrapper's string rules
// expect them:
// - kind kTagId3v1: the fields "TITLE", "ARTIST", "ALBUM", "YEAR",
//   "COMMENT" as their fixed-width Latin-1 bytes converted to UTF-8 (NUL
//   padding kept), "TRACK" and "GENRE" as decimal numbers;
// - kind kTagId3v2: one field per frame, named by its four-letter id. Text
//   frames (T…) and WXXX come back as encoding byte 0 followed by their
//   text in UTF-8 whatever the file stored, each terminator a single NUL;
//   COMM as byte 0, the three language bytes, the description, a NUL and
//   the text (a trailing NUL kept when the file had one); other W frames as
//   their URL; anything else as stored.
// Strings given to and returned by the library are UTF-8.
using Handle = std::int32_t;  // 0 = no stream

// Error codes, as GetError reports them.
enum Error : int {
    kErrNone = 0,
    kErrBusy = 1,           // Init called twice
    kErrUninitialized = 2,  // a call that needs Init before it
    kErrInit = 3,           // the output (sound server) could not be reached
    kErrPlay = 5,
    kErrFileNotFound = 9,
    kErrFileFormat = 10,
    kErrFileBad = 11,
    kErrMemory = 12,
    kErrInvalidParam = 14,
    kErrChannelAlloc = 16,
    kErrUnsupported = 20,  // outside the wrapper's error table on purpose
};

// Stream open modes: the normal one, and the same with accurate seeking.
inline constexpr int kModeNormal = 304;
inline constexpr int kModeAccurateSeek = 131376;

inline constexpr int kFreeChannel = -1;  // StreamPlay: any free channel
inline constexpr int kAllChannels = -3;  // StopSound: every channel

inline constexpr int kInitFlags = 10;

// Tag kinds.
inline constexpr int kTagVorbisComment = 0;
inline constexpr int kTagId3v1 = 1;
inline constexpr int kTagId3v2 = 2;

struct TagField {
    int kind = 0;
    std::string name;
    std::string value;  // raw bytes, see above
};

// The field a lookup by kind and name finds: the first of that name, except
// that a comment (COMM) or URL (WXXX) counts only without a description;
// described ones ("iTunNORM" and the like) belong to other programs. Null
// when there is none.
inline const TagField* FindField(const std::vector<TagField>& fields, int kind,
                                 const std::string& name) {
    // Raw COMM: 0, language (3 bytes), description, NUL, text; raw WXXX: 0,
    // description, NUL, URL.
    const std::size_t from = kind != kTagId3v2 ? 0 : name == "COMM" ? 4 : name == "WXXX" ? 1 : 0;
    for (const auto& f : fields) {
        if (f.kind != kind || f.name != name) continue;
        if (from > 0 && f.value.size() > from && f.value[from] != '\0') continue;
        return &f;
    }
    return nullptr;
}

class ISoundLibrary {
  public:
    virtual ~ISoundLibrary() = default;

    // Must come first; false (kErrBusy) when already done.
    virtual bool Init(int mixRate, int maxChannels, int flags) = 0;
    // Stops every channel, closes every stream, undoes Init.
    virtual void Close() = 0;
    virtual int GetError() const = 0;

    // Opens a file for tag reading and playback. Opening reads no audio and
    // starts no decoder: that happens when the stream first plays (or its
    // length is asked for). 0 for a missing file or one that holds no audio
    // the library recognises.
    virtual Handle StreamOpen(const std::string& path, int mode) = 0;
    // Stops the stream if it plays and forgets the handle.
    virtual bool StreamClose(Handle stream) = 0;
    // Starts the stream from its current time, unpaused, at full volume; the
    // channel number (> 0), or 0 on failure.
    virtual int StreamPlay(int channel, Handle stream) = 0;
    virtual bool StopSound(int channel) = 0;
    virtual bool SetPaused(int channel, bool paused) = 0;
    virtual bool GetPaused(int channel) = 0;
    // Volume 0 (silent) ..255 (full).
    virtual bool SetVolume(int channel, int volume) = 0;
    virtual int GetVolume(int channel) = 0;
    // Length and play position in milliseconds; the file's length in bytes.
    virtual int StreamGetLengthMs(Handle stream) = 0;
    virtual int StreamGetLength(Handle stream) = 0;
    virtual int StreamGetTime(Handle stream) = 0;
    // Positions before the start play from the start; past the end, the end.
    virtual bool StreamSetTime(Handle stream, int ms) = 0;
    // Peak levels 0..1 of what the channel plays now; 0 when it is silent,
    // paused or stopped.
    virtual bool GetCurrentLevels(int channel, float& left, float& right) = 0;

    // The first field of the kind with that name; false when there is none.
    virtual bool StreamFindTagField(Handle stream, int kind, const std::string& name,
                                    std::string& value) = 0;
    virtual int StreamGetNumTagFields(Handle stream) = 0;
    // Field number index (0-based) in the order the count covers: the ID3v2
    // frames in file order, then the ID3v1 fields.
    virtual bool StreamGetTagField(Handle stream, int index, TagField& field) = 0;
};

// The real library: FFmpeg decodes, PulseAudio plays.
std::unique_ptr<ISoundLibrary> CreateSoundLibrary();

}  // namespace qsr::soundlib
