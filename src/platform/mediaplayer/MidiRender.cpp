#include "platform/mediaplayer/MidiRender.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <utility>

#include "core/TextFile.h"

namespace qsr::mediaplayer {
namespace {

// MIDI files are small; anything larger is not one worth rendering.
constexpr std::size_t kMaxFileBytes = 16 * 1024 * 1024;
// A looping or damaged file must not render for ever.
constexpr int kMaxSeconds = 30 * 60;
constexpr int kBlockFrames = 1024;

std::uint32_t Le32(const char* p) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(p[0])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(p[1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(p[2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(p[3])) << 24;
}

// The MIDI bytes of a file: the whole file, or the "data" chunk of an RMI.
std::string MidiBytes(const std::string& file) {
    if (file.size() < 12 || file.compare(0, 4, "RIFF") != 0 || file.compare(8, 4, "RMID") != 0)
        return file;
    for (std::size_t at = 12; at + 8 <= file.size();) {
        const std::uint32_t size = Le32(file.data() + at + 4);
        if (file.compare(at, 4, "data") == 0)
            return file.substr(at + 8, std::min<std::size_t>(size, file.size() - at - 8));
        at += 8 + size + (size & 1);
    }
    return {};
}

std::uint32_t Be32(const unsigned char* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 |
           std::uint32_t{p[3]};
}

// A variable-length quantity at `at`; nothing when it runs past the end.
std::optional<std::uint32_t> ReadVlq(std::string_view bytes, std::size_t& at) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4 && at < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[at++]);
        value = value << 7 | (b & 0x7F);
        if (!(b & 0x80)) return value;
    }
    return std::nullopt;
}

struct TempoChange {
    std::int64_t tick;
    std::uint32_t microsPerQuarter;
};

// Walks one track's events: its tempo changes, its end tick and whether it
// strikes a note. A track cut short ends where it is readable.
std::int64_t ReadTrack(std::string_view track, std::vector<TempoChange>& tempos, bool& notes) {
    std::int64_t tick = 0;
    std::size_t at = 0;
    unsigned char status = 0;
    while (at < track.size()) {
        const auto delta = ReadVlq(track, at);
        if (!delta || at >= track.size()) break;
        tick += *delta;
        auto b = static_cast<unsigned char>(track[at]);
        if (b == 0xFF) {
            if (at + 2 > track.size()) break;
            const auto type = static_cast<unsigned char>(track[at + 1]);
            at += 2;
            const auto length = ReadVlq(track, at);
            if (!length || *length > track.size() - at) break;
            if (type == 0x51 && *length == 3) {
                const auto* p = reinterpret_cast<const unsigned char*>(track.data() + at);
                tempos.push_back({tick, std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 |
                                            std::uint32_t{p[2]}});
            }
            at += *length;
            if (type == 0x2F) break;  // end of track
            continue;
        }
        if (b == 0xF0 || b == 0xF7) {
            ++at;
            const auto length = ReadVlq(track, at);
            if (!length || *length > track.size() - at) break;
            at += *length;
            status = 0;
            continue;
        }
        if (b & 0x80) {
            if (b > 0xEF) break;  // no system message belongs in a file
            status = b;
            ++at;
        } else if (status == 0) {
            break;  // data without a status
        }
        const int data = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
        if (at + static_cast<std::size_t>(data) > track.size()) break;
        if ((status & 0xF0) == 0x90 && track[at + 1] != 0) notes = true;
        at += static_cast<std::size_t>(data);
    }
    return tick;
}

void Silent(int, const char*, void*) {}

}  // namespace

std::string FindSoundFont() {
    for (const char* candidate :
         {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
          "/usr/share/sounds/sf2/FluidR3_GM.sf2"}) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(candidate, ec)) return candidate;
    }
    return {};
}

std::optional<MidiTiming> ReadMidiTiming(std::string_view midi) {
    if (midi.size() < 14 || midi.substr(0, 4) != "MThd") return std::nullopt;
    const auto* bytes = reinterpret_cast<const unsigned char*>(midi.data());
    const std::uint32_t headerSize = Be32(bytes + 4);
    if (headerSize < 6 || headerSize > midi.size() - 8) return std::nullopt;
    const int division = bytes[12] << 8 | bytes[13];
    MidiTiming timing;
    double quarterTicks = 0;  // 0: time code, a fixed number of ticks a second
    double tickSeconds = 0;
    if (division & 0x8000) {
        const int frames = 256 - (division >> 8);
        const int perFrame = division & 0xFF;
        if (frames <= 0 || perFrame <= 0) return std::nullopt;
        tickSeconds = 1.0 / (frames * perFrame);
    } else {
        if (division == 0) return std::nullopt;
        quarterTicks = division;
    }
    std::vector<TempoChange> changes;
    std::size_t at = 8 + headerSize;
    bool anyTrack = false;
    while (at + 8 <= midi.size()) {
        const std::uint32_t size = Be32(bytes + at + 4);
        const std::size_t available = std::min<std::size_t>(size, midi.size() - at - 8);
        if (midi.substr(at, 4) == "MTrk") {
            anyTrack = true;
            timing.lastTick = std::max(timing.lastTick, ReadTrack(midi.substr(at + 8, available),
                                                                  changes, timing.hasNotes));
        }
        at += 8 + available;
    }
    if (!anyTrack) return std::nullopt;
    std::stable_sort(changes.begin(), changes.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    const auto perTick = [&](std::uint32_t micros) {
        return quarterTicks > 0 ? micros / 1e6 / quarterTicks : tickSeconds;
    };
    timing.tempos.push_back({0, 0.0, perTick(500000)});  // 120 beats a minute until told
    for (const TempoChange& c : changes) {
        const MidiTiming::Tempo& last = timing.tempos.back();
        const double seconds = last.seconds + double(c.tick - last.tick) * last.secondsPerTick;
        if (c.tick == last.tick) timing.tempos.pop_back();
        timing.tempos.push_back({c.tick, seconds, perTick(c.microsPerQuarter)});
    }
    return timing;
}

double MidiTiming::SecondsAt(std::int64_t tick) const {
    if (tempos.empty()) return 0;
    auto it = std::upper_bound(tempos.begin(), tempos.end(), tick,
                               [](std::int64_t t, const Tempo& tempo) { return t < tempo.tick; });
    const Tempo& tempo = it == tempos.begin() ? tempos.front() : *std::prev(it);
    return tempo.seconds + double(tick - tempo.tick) * tempo.secondsPerTick;
}

std::int64_t MidiTiming::TickAt(double seconds) const {
    if (tempos.empty()) return 0;
    auto it = std::upper_bound(tempos.begin(), tempos.end(), seconds,
                               [](double s, const Tempo& tempo) { return s < tempo.seconds; });
    const Tempo& tempo = it == tempos.begin() ? tempos.front() : *std::prev(it);
    if (tempo.secondsPerTick <= 0) return tempo.tick;
    return tempo.tick +
           static_cast<std::int64_t>(std::floor((seconds - tempo.seconds) / tempo.secondsPerTick));
}

struct MidiStream::Fluid {
    std::unique_ptr<fluid_settings_t, decltype(&delete_fluid_settings)> settings{
        nullptr, &delete_fluid_settings};
    std::unique_ptr<fluid_synth_t, decltype(&delete_fluid_synth)> synth{nullptr,
                                                                        &delete_fluid_synth};
    std::unique_ptr<fluid_player_t, decltype(&delete_fluid_player)> player{nullptr,
                                                                           &delete_fluid_player};
    std::vector<float> block;
};

MidiStream::~MidiStream() = default;

std::unique_ptr<MidiStream> MidiStream::Open(const std::string& path, int rate,
                                             const std::string& soundFont) {
    if (soundFont.empty() || rate <= 0) return nullptr;
    // A named pipe, a folder or an oversized file is refused without blocking.
    const core::TextFileRead file = core::ReadTextFile(path, kMaxFileBytes);
    if (!file.ok || file.text.size() < 14) return nullptr;
    std::unique_ptr<MidiStream> stream(new MidiStream);
    stream->midi_ = MidiBytes(file.text);
    const auto timing = ReadMidiTiming(stream->midi_);
    if (!timing || !timing->hasNotes) return nullptr;
    stream->timing_ = *timing;
    stream->rate_ = rate;
    const double seconds = std::min<double>(timing->Length(), kMaxSeconds);
    // The music, then a second for the notes to fade.
    stream->totalFrames_ = static_cast<std::int64_t>(std::ceil(seconds * rate)) + rate;

    stream->soundFont_ = soundFont;
    return stream;
}

// The synthesizer and its sound font take a while to load: that happens on
// the first render or seek, in the thread that renders.
bool MidiStream::Load() {
    if (fluid_) return true;
    if (loadFailed_) return false;
    loadFailed_ = true;
    static const bool quiet = [] {
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, Silent, nullptr);
        return true;
    }();
    (void)quiet;
    auto fluid = std::make_unique<Fluid>();
    fluid->settings.reset(new_fluid_settings());
    if (!fluid->settings) return false;
    fluid_settings_setnum(fluid->settings.get(), "synth.sample-rate", rate_);
    // The player follows the rendered samples, not the wall clock.
    fluid_settings_setstr(fluid->settings.get(), "player.timing-source", "sample");
    fluid_settings_setint(fluid->settings.get(), "synth.lock-memory", 0);
    // The synthesizer's default gain plays far quieter than recorded files.
    fluid_settings_setnum(fluid->settings.get(), "synth.gain", 0.6);
    fluid->synth.reset(new_fluid_synth(fluid->settings.get()));
    if (!fluid->synth ||
        fluid_synth_sfload(fluid->synth.get(), soundFont_.c_str(), 1) == FLUID_FAILED)
        return false;
    fluid_ = std::move(fluid);
    if (!Restart(0)) {
        fluid_.reset();
        return false;
    }
    loadFailed_ = false;
    return true;
}

// A fresh player from `tick`: a player that has ended cannot be sent back.
bool MidiStream::Restart(std::int64_t tick) {
    Fluid& f = *fluid_;
    f.player.reset();
    fluid_synth_all_sounds_off(f.synth.get(), -1);
    f.player.reset(new_fluid_player(f.synth.get()));
    if (!f.player || fluid_player_add_mem(f.player.get(), midi_.data(), midi_.size()) != FLUID_OK)
        return false;
    if (tick > 0)
        fluid_player_seek(f.player.get(), static_cast<int>(std::min<std::int64_t>(tick, INT_MAX)));
    return fluid_player_play(f.player.get()) == FLUID_OK;
}

void MidiStream::Seek(std::int64_t frame) {
    frame = std::clamp<std::int64_t>(frame, 0, totalFrames_);
    const std::int64_t tick = timing_.TickAt(double(frame) / rate_);
    at_ = frame;
    tailLeft_ = -1;
    if (!Load()) {
        tailLeft_ = 0;
        return;
    }
    if (tick >= timing_.lastTick) {  // in the fade: nothing is left to play
        fluid_player_stop(fluid_->player.get());
        fluid_synth_all_sounds_off(fluid_->synth.get(), -1);
        tailLeft_ = std::max<std::int64_t>(totalFrames_ - frame, 0);
        return;
    }
    if (!Restart(tick)) tailLeft_ = 0;
}

std::vector<std::int16_t> MidiStream::Render(std::int64_t frames) {
    if (!Load()) return {};
    Fluid& f = *fluid_;
    if (tailLeft_ < 0) {
        // The player reports its end a few seconds late; the last tick is the end.
        const int total = fluid_player_get_total_ticks(f.player.get());
        const bool ended = fluid_player_get_status(f.player.get()) != FLUID_PLAYER_PLAYING ||
                           (total > 0 && fluid_player_get_current_tick(f.player.get()) >= total) ||
                           at_ >= totalFrames_ - rate_;
        if (ended) {
            fluid_player_stop(f.player.get());
            fluid_synth_all_notes_off(f.synth.get(), -1);
            tailLeft_ = std::max<std::int64_t>(totalFrames_ - at_, rate_);
        }
    }
    if (tailLeft_ >= 0) frames = std::min(frames, tailLeft_);
    if (frames <= 0) return {};
    // Float output, converted here: the 16-bit output adds dither noise,
    // which would make silence look like sound.
    f.block.resize(static_cast<std::size_t>(frames) * 2);
    fluid_synth_write_float(f.synth.get(), static_cast<int>(frames), f.block.data(), 0, 2,
                            f.block.data(), 1, 2);
    std::vector<std::int16_t> out(f.block.size());
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] =
            static_cast<std::int16_t>(std::lround(std::clamp(f.block[i], -1.0f, 1.0f) * 32767));
    at_ += frames;
    if (tailLeft_ >= 0) tailLeft_ -= frames;
    return out;
}

MidiFeed::MidiFeed(std::unique_ptr<MidiStream> stream, int rate)
    : stream_(std::move(stream)),
      totalFrames_(stream_->TotalFrames()),
      feed_({[this](std::int64_t frames) { return stream_->Render(frames); },
             [this](std::int64_t frame) { stream_->Seek(frame); }},
            kAhead.count() * rate, kBlockFrames) {}

}  // namespace qsr::mediaplayer
