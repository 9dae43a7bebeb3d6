#include "platform/soundlib/RealSoundLibrary.h"

#include <fcntl.h>
#include <unistd.h>

#include <QObject>
#include <algorithm>
#include <climits>
#include <cmath>

#include "core/MpegTagFile.h"
#include "platform/audio/FfmpegModule.h"
#include "platform/mediaplayer/RealMediaControl.h"
#include "platform/soundlib/TagFields.h"

namespace qsr::soundlib {
namespace {

using mediaplayer::RealMediaControl;

// How much of the audio start FFmpeg gets to recognise a format.
constexpr std::size_t kProbeBytes = 4096;

// True when FFmpeg recognises the bytes at `from` as a format it reads. The
// file name is kept from the probe: a name must not make text sound.
bool FfmpegRecognises(const std::string& path, std::uint64_t from, std::uint64_t size) {
    if (from >= size) return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return false;
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(size - from, kProbeBytes));
    std::vector<unsigned char> buf(n, 0);
    const bool read = audio::tagfile::ReadAt(fd, buf.data(), n, from);
    ::close(fd);
    return read && audio::file::FfmpegRecognises(buf.data(), n);
}

// Volume 0..255 as the player's hundredths of a decibel.
int PlayerVolume(int volume) {
    if (volume <= 0) return RealMediaControl::kMinVolume;
    const double db100 = 2000.0 * std::log10(volume / 255.0);
    return std::clamp(static_cast<int>(std::lround(db100)), RealMediaControl::kMinVolume,
                      RealMediaControl::kMaxVolume);
}

}  // namespace

struct RealSoundLibrary::Stream {
    std::string path;
    FileFacts facts;
    int lengthMs = -1;  // -1 until known
    int timeMs = 0;     // the position while no channel plays
    int channel = 0;
    bool paused = false;
    bool finished = false;  // played to its end
    int volume = 255;
    std::unique_ptr<RealMediaControl> player;  // made at the first play
};

RealSoundLibrary::RealSoundLibrary() = default;
RealSoundLibrary::~RealSoundLibrary() = default;

RealSoundLibrary::Stream* RealSoundLibrary::Find(Handle stream) {
    const auto it = streams_.find(stream);
    return it == streams_.end() ? nullptr : it->second.get();
}

RealSoundLibrary::Stream* RealSoundLibrary::FindChannel(int channel) {
    const auto it = channels_.find(channel);
    return it == channels_.end() ? nullptr : Find(it->second);
}

void RealSoundLibrary::Stop(Stream& s) {
    if (s.channel == 0) return;
    if (s.player) {
        if (!s.finished)
            s.timeMs = static_cast<int>(std::lround(s.player->CurrentPosition() * 1000));
        s.player->Stop();
    }
    channels_.erase(s.channel);
    s.channel = 0;
    s.paused = false;
}

bool RealSoundLibrary::Init(int mixRate, int maxChannels, int) {
    if (initialised_) return Fail(kErrBusy);
    if (mixRate <= 0 || maxChannels <= 0) return Fail(kErrInvalidParam);
    initialised_ = true;
    return Ok();
}

void RealSoundLibrary::Close() {
    channels_.clear();
    streams_.clear();
    initialised_ = false;
    Ok();
}

Handle RealSoundLibrary::StreamOpen(const std::string& path, int mode) {
    if (!initialised_) return Fail(kErrUninitialized);
    if (mode != kModeNormal && mode != kModeAccurateSeek) return Fail(kErrInvalidParam);
    auto s = std::make_unique<Stream>();
    s->path = path;
    s->facts = ReadFileFacts(path);
    if (s->facts.error != kErrNone) return Fail(s->facts.error);
    if (!s->facts.mpegAudio && !FfmpegRecognises(path, s->facts.audioStart, s->facts.size))
        return Fail(kErrFileFormat);
    // Handles are positive 32-bit numbers; 0 means none.
    if (nextHandle_ <= 0) nextHandle_ = 1;
    while (streams_.count(nextHandle_)) ++nextHandle_;
    const Handle h = nextHandle_++;
    streams_[h] = std::move(s);
    Ok();
    return h;
}

bool RealSoundLibrary::StreamClose(Handle stream) {
    Stream* s = Find(stream);
    if (!s) return Fail(kErrInvalidParam);
    Stop(*s);
    streams_.erase(stream);
    return Ok();
}

int RealSoundLibrary::StreamPlay(int channel, Handle stream) {
    if (!initialised_) return Fail(kErrUninitialized);
    Stream* s = Find(stream);
    if (!s || (channel < 0 && channel != kFreeChannel)) return Fail(kErrInvalidParam);
    Stop(*s);
    if (!s->player) {
        auto player = std::make_unique<RealMediaControl>();
        // Decodes the whole file and starts it; the stream's time is set below.
        if (!player->SetFileName(QString::fromStdString(s->path))) return Fail(kErrFileBad);
        s->lengthMs = static_cast<int>(std::lround(player->Duration() * 1000));
        QObject::connect(player.get(), &mediaplayer::IMediaControl::EndOfStream, player.get(), [s] {
            s->finished = true;
            s->timeMs = s->lengthMs;
        });
        s->player = std::move(player);
    }
    if (s->finished && s->timeMs >= s->lengthMs) s->timeMs = 0;  // at its end: from the start
    s->finished = false;
    s->player->SetVolume(PlayerVolume(255));
    s->volume = 255;
    // A fresh player already plays from the start; a seek would restart its stream.
    if (s->timeMs > 0 || !s->player->Playing()) s->player->SetCurrentPosition(s->timeMs / 1000.0);
    s->player->Play();
    if (!s->player->Playing()) {
        s->player->Stop();
        return Fail(kErrInit);
    }
    if (nextChannel_ <= 0) nextChannel_ = 1;
    while (channels_.count(nextChannel_)) ++nextChannel_;
    s->channel = nextChannel_++;
    s->paused = false;
    channels_[s->channel] = stream;
    Ok();
    return s->channel;
}

bool RealSoundLibrary::StopSound(int channel) {
    if (channel == kAllChannels) {
        while (!channels_.empty()) {
            Stream* s = FindChannel(channels_.begin()->first);
            if (s)
                Stop(*s);
            else
                channels_.erase(channels_.begin());
        }
        return Ok();
    }
    Stream* s = FindChannel(channel);
    if (!s) return Fail(kErrInvalidParam);
    Stop(*s);
    return Ok();
}

bool RealSoundLibrary::SetPaused(int channel, bool paused) {
    Stream* s = FindChannel(channel);
    if (!s) return Fail(kErrInvalidParam);
    s->paused = paused;
    // A stream at its end stays there: unpausing does not start it again.
    if (!s->finished) {
        if (paused)
            s->player->Pause();
        else
            s->player->Play();
    }
    return Ok();
}

bool RealSoundLibrary::GetPaused(int channel) {
    Stream* s = FindChannel(channel);
    if (!s) return Fail(kErrInvalidParam);
    Ok();
    return s->paused;
}

bool RealSoundLibrary::SetVolume(int channel, int volume) {
    Stream* s = FindChannel(channel);
    if (!s || volume < 0 || volume > 255) return Fail(kErrInvalidParam);
    s->volume = volume;
    s->player->SetVolume(PlayerVolume(volume));
    return Ok();
}

int RealSoundLibrary::GetVolume(int channel) {
    Stream* s = FindChannel(channel);
    if (!s) return Fail(kErrInvalidParam);
    Ok();
    return s->volume;
}

int RealSoundLibrary::StreamGetLengthMs(Handle stream) {
    Stream* s = Find(stream);
    if (!s) return Fail(kErrInvalidParam);
    if (s->lengthMs < 0) {
        const int ms = audio::file::FfmpegLengthMs(s->path);
        if (ms < 0) return Fail(kErrFileBad);
        s->lengthMs = ms;
    }
    Ok();
    return s->lengthMs;
}

int RealSoundLibrary::StreamGetLength(Handle stream) {
    Stream* s = Find(stream);
    if (!s) return Fail(kErrInvalidParam);
    Ok();
    return static_cast<int>(std::min<std::uint64_t>(s->facts.size, INT_MAX));
}

int RealSoundLibrary::StreamGetTime(Handle stream) {
    Stream* s = Find(stream);
    if (!s) return Fail(kErrInvalidParam);
    Ok();
    if (s->channel == 0 || s->finished) return s->timeMs;
    return static_cast<int>(std::lround(s->player->CurrentPosition() * 1000));
}

bool RealSoundLibrary::StreamSetTime(Handle stream, int ms) {
    Stream* s = Find(stream);
    if (!s) return Fail(kErrInvalidParam);
    const int length = StreamGetLengthMs(stream);
    ms = std::clamp(ms, 0, std::max(length, 0));
    if (s->channel == 0 || s->finished) {
        // The next play starts here; a finished stream stays silent meanwhile.
        s->timeMs = ms;
        return Ok();
    }
    s->player->SetCurrentPosition(ms / 1000.0);
    return Ok();
}

bool RealSoundLibrary::GetCurrentLevels(int channel, float& left, float& right) {
    left = 0;
    right = 0;
    Stream* s = FindChannel(channel);
    if (!s) return Fail(kErrInvalidParam);
    if (!s->paused && !s->finished) s->player->CurrentLevels(left, right);
    return Ok();
}

bool RealSoundLibrary::StreamFindTagField(Handle stream, int kind, const std::string& name,
                                          std::string& value) {
    value.clear();
    Stream* s = Find(stream);
    if (!s) return Fail(kErrInvalidParam);
    Ok();
    const TagField* f = FindField(s->facts.fields, kind, name);
    if (f == nullptr) return false;
    value = f->value;
    return true;
}

int RealSoundLibrary::StreamGetNumTagFields(Handle stream) {
    Stream* s = Find(stream);
    if (!s) return Fail(kErrInvalidParam);
    Ok();
    return static_cast<int>(s->facts.fields.size());
}

bool RealSoundLibrary::StreamGetTagField(Handle stream, int index, TagField& field) {
    field = {};
    Stream* s = Find(stream);
    if (!s || index < 0 || index >= static_cast<int>(s->facts.fields.size()))
        return Fail(kErrInvalidParam);
    field = s->facts.fields[static_cast<std::size_t>(index)];
    return Ok();
}

std::unique_ptr<ISoundLibrary> CreateSoundLibrary() {
    return std::make_unique<RealSoundLibrary>();
}

}  // namespace qsr::soundlib
