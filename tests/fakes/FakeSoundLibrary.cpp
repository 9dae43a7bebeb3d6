#include "fakes/FakeSoundLibrary.h"

#include <algorithm>
#include <stdexcept>

namespace qsr::fakes {

using soundlib::Handle;

bool FakeSoundLibrary::Enter(const std::string& name) {
    calls.push_back(name);
    if (throwing.count(name)) throw std::runtime_error("fake sound library: " + name);
    if (failing.count(name)) return Fail(failError);
    error_ = soundlib::kErrNone;
    return true;
}

bool FakeSoundLibrary::Fail(int error) {
    error_ = error;
    return false;
}

FakeSoundLibrary::Stream* FakeSoundLibrary::Find(Handle stream) {
    const auto it = streams_.find(stream);
    return it == streams_.end() ? nullptr : &it->second;
}

FakeSoundLibrary::Channel* FakeSoundLibrary::FindChannel(int channel) {
    const auto it = channels_.find(channel);
    return it == channels_.end() ? nullptr : &it->second;
}

void FakeSoundLibrary::Stop(int channel) {
    const auto it = channels_.find(channel);
    if (it == channels_.end()) return;
    if (Stream* s = Find(it->second.stream)) s->channel = 0;
    channels_.erase(it);
}

void FakeSoundLibrary::Advance(int ms) {
    for (auto& [handle, s] : streams_) {
        const Channel* c = FindChannel(s.channel);
        if (!c || c->paused) continue;
        s.timeMs = std::min(s.timeMs + ms, files_[s.path].lengthMs);
    }
}

bool FakeSoundLibrary::Init(int, int, int) {
    if (!Enter("Init")) return false;
    if (initialised_) return Fail(soundlib::kErrBusy);
    initialised_ = true;
    return true;
}

void FakeSoundLibrary::Close() {
    if (!Enter("Close")) return;
    channels_.clear();
    streams_.clear();
    initialised_ = false;
}

Handle FakeSoundLibrary::StreamOpen(const std::string& path, int mode) {
    if (!Enter("StreamOpen")) return 0;
    calls.back() += "(" + path + "," + std::to_string(mode) + ")";
    if (!initialised_) return Fail(soundlib::kErrUninitialized);
    if (badFiles_.count(path)) return Fail(soundlib::kErrFileFormat);
    if (!files_.count(path)) return Fail(soundlib::kErrFileNotFound);
    const Handle h = nextHandle_++;
    streams_[h] = Stream{path, 0, 0};
    return h;
}

bool FakeSoundLibrary::StreamClose(Handle stream) {
    if (!Enter("StreamClose")) return false;
    Stream* s = Find(stream);
    if (!s) return Fail(soundlib::kErrInvalidParam);
    Stop(s->channel);
    streams_.erase(stream);
    return true;
}

int FakeSoundLibrary::StreamPlay(int channel, Handle stream) {
    if (!Enter("StreamPlay")) return 0;
    Stream* s = Find(stream);
    if (!s || channel != soundlib::kFreeChannel) return Fail(soundlib::kErrInvalidParam);
    Stop(s->channel);
    s->channel = nextChannel_++;
    channels_[s->channel] = Channel{stream, false, 255};
    return s->channel;
}

bool FakeSoundLibrary::StopSound(int channel) {
    if (!Enter("StopSound")) return false;
    if (channel == soundlib::kAllChannels) {
        while (!channels_.empty()) Stop(channels_.begin()->first);
        return true;
    }
    if (!FindChannel(channel)) return Fail(soundlib::kErrInvalidParam);
    Stop(channel);
    return true;
}

bool FakeSoundLibrary::SetPaused(int channel, bool paused) {
    if (!Enter("SetPaused")) return false;
    Channel* c = FindChannel(channel);
    if (!c) return Fail(soundlib::kErrInvalidParam);
    c->paused = paused;
    return true;
}

bool FakeSoundLibrary::GetPaused(int channel) {
    if (!Enter("GetPaused")) return false;
    const Channel* c = FindChannel(channel);
    if (!c) return Fail(soundlib::kErrInvalidParam);
    return c->paused;
}

bool FakeSoundLibrary::SetVolume(int channel, int volume) {
    if (!Enter("SetVolume")) return false;
    calls.back() += "(" + std::to_string(volume) + ")";
    Channel* c = FindChannel(channel);
    if (!c || volume < 0 || volume > 255) return Fail(soundlib::kErrInvalidParam);
    c->volume = volume;
    return true;
}

int FakeSoundLibrary::GetVolume(int channel) {
    if (!Enter("GetVolume")) return 0;
    const Channel* c = FindChannel(channel);
    if (!c) return Fail(soundlib::kErrInvalidParam);
    return c->volume;
}

int FakeSoundLibrary::StreamGetLengthMs(Handle stream) {
    if (!Enter("StreamGetLengthMs")) return 0;
    const Stream* s = Find(stream);
    if (!s) return Fail(soundlib::kErrInvalidParam);
    return files_[s->path].lengthMs;
}

int FakeSoundLibrary::StreamGetLength(Handle stream) {
    if (!Enter("StreamGetLength")) return 0;
    const Stream* s = Find(stream);
    if (!s) return Fail(soundlib::kErrInvalidParam);
    return files_[s->path].bytes;
}

int FakeSoundLibrary::StreamGetTime(Handle stream) {
    if (!Enter("StreamGetTime")) return 0;
    const Stream* s = Find(stream);
    if (!s) return Fail(soundlib::kErrInvalidParam);
    return s->timeMs;
}

bool FakeSoundLibrary::StreamSetTime(Handle stream, int ms) {
    if (!Enter("StreamSetTime")) return false;
    calls.back() += "(" + std::to_string(ms) + ")";
    Stream* s = Find(stream);
    if (!s) return Fail(soundlib::kErrInvalidParam);
    s->timeMs = std::clamp(ms, 0, files_[s->path].lengthMs);
    return true;
}

bool FakeSoundLibrary::GetCurrentLevels(int channel, float& left, float& right) {
    left = 0;
    right = 0;
    if (!Enter("GetCurrentLevels")) return false;
    const Channel* c = FindChannel(channel);
    if (!c) return Fail(soundlib::kErrInvalidParam);
    if (!c->paused) {
        left = levels[0];
        right = levels[1];
    }
    return true;
}

bool FakeSoundLibrary::StreamFindTagField(Handle stream, int kind, const std::string& name,
                                          std::string& value) {
    value.clear();
    if (!Enter("StreamFindTagField")) return false;
    const Stream* s = Find(stream);
    if (!s) return Fail(soundlib::kErrInvalidParam);
    // The real library's lookup, so the two cannot disagree on which field counts.
    const soundlib::TagField* f = soundlib::FindField(files_[s->path].fields, kind, name);
    if (f == nullptr) return false;
    value = f->value;
    return true;
}

int FakeSoundLibrary::StreamGetNumTagFields(Handle stream) {
    if (!Enter("StreamGetNumTagFields")) return 0;
    const Stream* s = Find(stream);
    if (!s) return Fail(soundlib::kErrInvalidParam);
    return static_cast<int>(files_[s->path].fields.size());
}

bool FakeSoundLibrary::StreamGetTagField(Handle stream, int index, soundlib::TagField& field) {
    field = {};
    if (!Enter("StreamGetTagField")) return false;
    const Stream* s = Find(stream);
    if (!s) return Fail(soundlib::kErrInvalidParam);
    const auto& fields = files_[s->path].fields;
    if (index < 0 || index >= static_cast<int>(fields.size()))
        return Fail(soundlib::kErrInvalidParam);
    field = fields[static_cast<std::size_t>(index)];
    return true;
}

}  // namespace qsr::fakes
