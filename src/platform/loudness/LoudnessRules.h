#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/loudness/Loudness.h"

namespace qsr::loudness {

// Figures as the user reads them: "-23.0 LUFS", "7.2 LU", "-1.0 dBTP",
// "-0.5 dBFS"; silence reads "silence" and a peak of digital silence "-inf".
std::string LufsText(const std::optional<double>& lufs);
std::string RangeText(double lu);
std::string PeakText(double linear, const char* unit);
// One line: "-23.0 LUFS, range 0.0 LU, true peak -20.0 dBTP, sample peak -20.0 dBFS".
std::string SummaryText(const Figures& f);
// dB of a linear peak (-inf for 0).
double Decibels(double linear);

// ReplayGain 2.0: players aim at -18 LUFS. Opus files carry their gain
// relative to -23 LUFS instead, in Q7.8 (RFC 7845).
inline constexpr double kReplayGainReference = -18.0;
inline constexpr double kOpusReference = -23.0;

// How a file carries loudness tags, from its extension: Vorbis comments
// (FLAC, Ogg Vorbis), Opus's R128 comments, ID3v2 TXXX frames (MP3); None for
// a file that takes no such tag.
enum class TagKind { None, Vorbis, Opus, Id3v2 };
TagKind TagKindFor(const std::string& path);

// The fields to write for a track (and, when given, the album it is measured
// with): name, value. None for silence (no gain can be told for it).
using TagFields = std::vector<std::pair<std::string, std::string>>;
TagFields ReplayGainFields(TagKind kind, const Figures& track, const Figures* album);
// "+5.00 dB" for a gain; "0.100000" for a peak; "1280" for a Q7.8 value.
std::string GainText(double db);
std::string PeakRatioText(double linear);
int Q78(double db);

// A normalisation's aim: integrated loudness and the true-peak ceiling.
struct Target {
    double lufs = -16.0;
    double ceiling = -1.0;  // dBTP
};
// "-16" or "-16:-1": a loudness from -70 to 0 LUFS, a ceiling from -20 to 0
// dBTP. Nothing for any other text.
std::optional<Target> ParseTarget(const std::string& text);

// What normalising a measured sound does: the gain that brings it to the
// target, and whether its peaks would then pass the ceiling (the limiter is
// needed only then). No plan for silence.
struct GainPlan {
    double gain = 0;  // dB
    bool limit = false;
    double ceiling = -1.0;
};
std::optional<GainPlan> PlanGain(const Figures& measured, const Target& target);
// "Normalise to -16 LUFS, true peak \u2264 -1 dBTP": the option's caption.
std::string NormaliseCaption(const Target& target);
// "normalised to -16.0 LUFS: gain +7.00 dB" (", peaks limited to -1.0 dBTP").
std::string GainPlanText(const GainPlan& plan, const Target& target);

}  // namespace qsr::loudness
