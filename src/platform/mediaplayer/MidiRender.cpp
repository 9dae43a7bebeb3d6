#include "platform/mediaplayer/MidiRender.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

namespace qsr::mediaplayer {
namespace {

// MIDI files are small; anything larger is not one worth rendering.
constexpr std::uintmax_t kMaxFileBytes = 16 * 1024 * 1024;
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

bool RenderMidi(const std::string& path, int rate, std::vector<std::int16_t>& out,
                const std::string& soundFont) {
    out.clear();
    if (soundFont.empty()) return false;
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size < 14 || size > kMaxFileBytes) return false;
    std::ifstream in(path, std::ios::binary);
    const std::string midi = MidiBytes(
        std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
    if (midi.size() < 14 || midi.compare(0, 4, "MThd") != 0) return false;

    static const bool quiet = [] {
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, Silent, nullptr);
        return true;
    }();
    (void)quiet;
    std::unique_ptr<fluid_settings_t, decltype(&delete_fluid_settings)> settings(
        new_fluid_settings(), &delete_fluid_settings);
    if (!settings) return false;
    fluid_settings_setnum(settings.get(), "synth.sample-rate", rate);
    // The player follows the rendered samples, not the wall clock.
    fluid_settings_setstr(settings.get(), "player.timing-source", "sample");
    fluid_settings_setint(settings.get(), "synth.lock-memory", 0);
    // The synthesizer's default gain plays far quieter than recorded files.
    fluid_settings_setnum(settings.get(), "synth.gain", 0.6);
    std::unique_ptr<fluid_synth_t, decltype(&delete_fluid_synth)> synth(
        new_fluid_synth(settings.get()), &delete_fluid_synth);
    if (!synth || fluid_synth_sfload(synth.get(), soundFont.c_str(), 1) == FLUID_FAILED)
        return false;
    std::unique_ptr<fluid_player_t, decltype(&delete_fluid_player)> player(
        new_fluid_player(synth.get()), &delete_fluid_player);
    if (!player || fluid_player_add_mem(player.get(), midi.data(), midi.size()) != FLUID_OK ||
        fluid_player_play(player.get()) != FLUID_OK)
        return false;

    // Float output, converted here: the 16-bit output adds dither noise,
    // which would make silence look like sound.
    std::vector<float> block(kBlockFrames * 2);
    const auto render = [&] {
        fluid_synth_write_float(synth.get(), kBlockFrames, block.data(), 0, 2, block.data(), 1, 2);
        for (float v : block)
            out.push_back(
                static_cast<std::int16_t>(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767)));
    };
    const std::size_t limit = static_cast<std::size_t>(kMaxSeconds) * rate * 2;
    // The player reports its end a few seconds late; the last tick is the end.
    const auto ended = [&] {
        const int total = fluid_player_get_total_ticks(player.get());
        return fluid_player_get_status(player.get()) != FLUID_PLAYER_PLAYING ||
               (total > 0 && fluid_player_get_current_tick(player.get()) >= total);
    };
    while (!ended() && out.size() < limit) render();
    fluid_player_stop(player.get());
    fluid_synth_all_notes_off(synth.get(), -1);
    for (int tail = 0; tail < rate / kBlockFrames; ++tail) render();
    const bool sound = std::any_of(out.begin(), out.end(), [](std::int16_t s) { return s != 0; });
    if (!sound) out.clear();
    return sound;
}

}  // namespace qsr::mediaplayer
