#pragma once

#include <fstream>
#include <string>

namespace qsr::testing {

// A format-0 standard MIDI file of one held note (middle C on a flute) for
// `seconds` at 120 beats a minute and 480 ticks a beat. With rmi, wrapped in
// a "RIFF RMID" file as some players save them.
inline void WriteMidiNote(const std::string& path, double seconds, bool rmi = false) {
    const auto ticks = static_cast<unsigned>(seconds * 960);
    std::string track = {0, char(0xC0), 73, 0, char(0x90), 60, 100};  // program, note on
    // The note's length as a variable-length quantity.
    std::string vlq(1, char(ticks & 0x7F));
    for (unsigned v = ticks >> 7; v; v >>= 7) vlq.insert(vlq.begin(), char(0x80 | (v & 0x7F)));
    track += vlq + std::string{char(0x80), 60, 0} + std::string{0, char(0xFF), 0x2F, 0};
    std::string midi = std::string("MThd\0\0\0\6\0\0\0\1\x01\xE0", 14) + "MTrk";
    for (int shift : {24, 16, 8, 0}) midi += char((track.size() >> shift) & 0xFF);
    midi += track;
    std::ofstream out(path, std::ios::binary);
    if (!rmi) {
        out << midi;
        return;
    }
    auto le32 = [](std::size_t v) {
        std::string s;
        for (int i = 0; i < 4; ++i) s += char((v >> (8 * i)) & 0xFF);
        return s;
    };
    const std::string data = "data" + le32(midi.size()) + midi + std::string(midi.size() % 2, '\0');
    out << "RIFF" << le32(4 + data.size()) << "RMID" << data;
}

}  // namespace qsr::testing
