#include "platform/loudness/ReplayGainTagging.h"

#include "platform/loudness/LoudnessRules.h"

namespace qsr::loudness {

Measurement MeasureForTags(audio::IAudioFile& reader, const std::string& path,
                           const std::atomic<bool>* cancel,
                           const std::function<void(double percent)>& progress) {
    if (TagKindFor(path) == TagKind::None) {
        Measurement refused;
        refused.reason = "only FLAC, Ogg Vorbis, Opus and MP3 files take loudness tags";
        return refused;
    }
    return MeasureFile(reader, path, cancel, progress);
}

std::optional<Figures> AlbumFigures(const std::vector<const Measurement*>& set) {
    if (set.size() < 2) return std::nullopt;
    std::vector<const Meter*> meters;
    for (const Measurement* m : set) {
        if (m == nullptr || m->outcome != Measurement::Outcome::Measured || !m->meter)
            return std::nullopt;
        meters.push_back(m->meter.get());
    }
    return Meter::Combined(meters);
}

TagWrite WriteReplayGain(audio::ILoudnessTag* tag, const std::string& path, const Figures& track,
                         const Figures* album, const std::string& refusal) {
    const TagFields fields = ReplayGainFields(TagKindFor(path), track, album);
    if (fields.empty()) return {TagWrite::Outcome::Silent, path + " is silent: no gain to tag"};
    if (!refusal.empty()) return {TagWrite::Outcome::Failed, refusal};
    if (tag == nullptr)
        return {TagWrite::Outcome::Failed, path + ": no tag component in this build"};
    if (!tag->Write(path, fields)) return {TagWrite::Outcome::Failed, tag->LastError()};
    return {TagWrite::Outcome::Written, {}};
}

}  // namespace qsr::loudness
