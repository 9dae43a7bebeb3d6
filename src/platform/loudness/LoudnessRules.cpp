#include "platform/loudness/LoudnessRules.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace qsr::loudness {
namespace {

std::string Format(const char* format, double value) {
    char buf[48];
    std::snprintf(buf, sizeof buf, format, value);
    return buf;
}

std::optional<double> Number(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v)) return std::nullopt;
    return v;
}

}  // namespace

double Decibels(double linear) {
    return linear > 0 ? 20.0 * std::log10(linear) : -HUGE_VAL;
}

std::string LufsText(const std::optional<double>& lufs) {
    return lufs ? Format("%.1f LUFS", *lufs) : "silence";
}

std::string RangeText(double lu) {
    return Format("%.1f LU", lu);
}

std::string PeakText(double linear, const char* unit) {
    if (linear <= 0) return std::string("-inf ") + unit;
    return Format("%.1f ", Decibels(linear)) + unit;
}

std::string SummaryText(const Figures& f) {
    return LufsText(f.integrated) + ", range " + RangeText(f.range) + ", true peak " +
           PeakText(f.truePeak, "dBTP") + ", sample peak " + PeakText(f.samplePeak, "dBFS");
}

TagKind TagKindFor(const std::string& path) {
    const auto dot = path.find_last_of('.');
    const auto slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return TagKind::None;
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == "flac" || ext == "ogg" || ext == "oga") return TagKind::Vorbis;
    if (ext == "opus") return TagKind::Opus;
    if (ext == "mp3") return TagKind::Id3v2;
    return TagKind::None;
}

std::string GainText(double db) {
    return Format("%+.2f dB", db);
}

std::string PeakRatioText(double linear) {
    return Format("%.6f", linear);
}

int Q78(double db) {
    return static_cast<int>(std::clamp(std::lround(db * 256.0), -32768L, 32767L));
}

TagFields ReplayGainFields(TagKind kind, const Figures& track, const Figures* album) {
    TagFields fields;
    if (kind == TagKind::None || !track.integrated) return fields;
    const bool withAlbum = album && album->integrated;
    if (kind == TagKind::Opus) {
        // Opus players take only these; ReplayGain fields are not to be used there.
        fields.emplace_back("R128_TRACK_GAIN",
                            std::to_string(Q78(kOpusReference - *track.integrated)));
        if (withAlbum)
            fields.emplace_back("R128_ALBUM_GAIN",
                                std::to_string(Q78(kOpusReference - *album->integrated)));
        return fields;
    }
    fields.emplace_back("REPLAYGAIN_TRACK_GAIN",
                        GainText(kReplayGainReference - *track.integrated));
    fields.emplace_back("REPLAYGAIN_TRACK_PEAK", PeakRatioText(track.truePeak));
    if (withAlbum) {
        fields.emplace_back("REPLAYGAIN_ALBUM_GAIN",
                            GainText(kReplayGainReference - *album->integrated));
        fields.emplace_back("REPLAYGAIN_ALBUM_PEAK", PeakRatioText(album->truePeak));
    }
    return fields;
}

std::optional<Target> ParseTarget(const std::string& text) {
    const auto colon = text.find(':');
    const std::optional<double> lufs = Number(text.substr(0, colon));
    if (!lufs || *lufs < -70 || *lufs > 0) return std::nullopt;
    Target t;
    t.lufs = *lufs;
    if (colon != std::string::npos) {
        const std::optional<double> ceiling = Number(text.substr(colon + 1));
        if (!ceiling || *ceiling < -20 || *ceiling > 0) return std::nullopt;
        t.ceiling = *ceiling;
    }
    return t;
}

std::optional<GainPlan> PlanGain(const Figures& measured, const Target& target) {
    if (!measured.integrated) return std::nullopt;
    GainPlan plan;
    plan.gain = target.lufs - *measured.integrated;
    plan.ceiling = target.ceiling;
    plan.limit = measured.truePeak > 0 && Decibels(measured.truePeak) + plan.gain > target.ceiling;
    return plan;
}

std::string NormaliseCaption(const Target& target) {
    return Format("Normalise to %g LUFS, true peak \u2264 ", target.lufs) +
           Format("%g dBTP", target.ceiling);
}

std::string GainPlanText(const GainPlan& plan, const Target& target) {
    std::string text = Format("normalised to %.1f LUFS: gain ", target.lufs) + GainText(plan.gain);
    if (plan.limit) text += Format(", peaks limited to %.1f dBTP", plan.ceiling);
    return text;
}

}  // namespace qsr::loudness
