#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/Twips.h"

namespace qsr::player {

// Window heights in twips. Every mode test compares with these exact values.
inline constexpr int kHeightNormal = 1725;
inline constexpr int kHeightPlaylist = 5640;
inline constexpr int kHeightSmall = 230;

// Leaving the playlist button: the panel closes from its height, opens from
// normal height; any other height stays.
int PlaylistPanelToggle(int heightTwips);

// Position knob: its Left runs over kKnobMin..kKnobMin + kKnobScale twips.
inline constexpr int kKnobMin = 120;
inline constexpr int kKnobScale = 3540;
inline constexpr int kKnobMax = kKnobScale;
// Balance knob Left range and the Left of its centre.
inline constexpr int kBalanceMin = 900;
inline constexpr int kBalanceMax = 1740;
inline constexpr int kBalanceCentre = (kBalanceMin + kBalanceMax) / 2;

// A knob's Left while dragged: where it stood at the press plus the pointer's
// travel (pixels) in twips, held within lo..hi.
int DraggedKnobLeft(int leftAtPress, int pointerTravelPixels, int lo, int hi);
// The whole second a released position knob seeks to: floor((Left − 120) ÷
// 3540 × duration); 0 for no duration.
double KnobSeekSeconds(int knobLeft, double duration);
// The knob's Left for a playback position; nothing when there is no duration
// (no file loaded), so the knob stays where it is.
std::optional<int> KnobLeftForPosition(double position, double duration);
// The balance for the knob's Left: linear from −10000 at the left end to
// 10000 at the right end, 0 at the centre.
int BalanceForKnob(int knobLeft);
// The title text while the pointer moves over the balance knob: "Center",
// "Left" or "Right"; nothing between the centre and right zones (1335..1620),
// where the title keeps its text.
std::optional<std::string> BalanceTitle(int knobLeft);

// Volume: one press-and-hold tick changes it by this much.
inline constexpr int kVolumeStep = 130;
inline constexpr int kVolumeBars = 6;
// How many volume bars a volume shows; nothing at −7000 or below, where the
// bars are left as they were.
std::optional<int> VolumeBars(int volume);
// What the volume indicator says when a step is refused.
std::string RefusedVolumeText(bool up);

// The time display: position rounded (halves to even) to whole seconds, as
// two-digit minutes and seconds joined by ":" ("03:07").
std::string PlayerTimeText(double seconds);
// The window caption: "Audio Player" normally, with "..." and the title
// appended while minimized.
std::string PlayerCaption(bool minimized, const std::string& title);

// True when the path's last three characters are exactly "cda": such an entry
// plays the disc in the drive instead of the file.
bool IsCdTrack(std::string_view path);
// The last three characters of a path (the whole path when shorter).
std::string LastThree(std::string_view path);
// True when a folder's file has an extension the player opens (any case).
bool IsPlayableFile(std::string_view name);

// The Open dialogs' filters (the last two offer CD tracks too), in the
// "caption|pattern;pattern" form.
inline constexpr const char* kFilterF1 =
    "All Supported Formats|*.mp3;*.wav;*.wma;*.asf;*.asx;*.lsf;*.lsx;*.mid;*.midi;*.rmi;*.aif;"
    "*.aifc;*.aiff;*.au;*.snd";
inline constexpr const char* kFilterF2 =
    "All Supported Formats|*.mp3;*.cda;*.wma;*.wav;*.asf;*.asx;*.lsf;*.lsx;*.mid;*.midi;*.rmi;"
    "*.aif;*.aifc;*.aiff;*.au;*.snd";
inline constexpr const char* kFilterF3 =
    "All Supported Formats|*.mp3;*.cda;*.wav;*.wma;*.asf;*.asx;*.lsf;*.lsx;*.mid;*.midi;*.rmi;"
    "*.aif;*.aifc;*.aiff;*.au;*.snd";
inline constexpr const char* kPlaylistOpenFilter = "Playlist(*.M3u)|*.M3u";
inline constexpr const char* kPlaylistSaveFilter = "Playlist(*.M3u)|*.m3u";
// A "caption|pattern;pattern|caption2|…" filter in the file dialog's form,
// "caption (pattern pattern);;caption2 (…)".
std::string DialogFilter(std::string_view pipeFilter);

}  // namespace qsr::player
