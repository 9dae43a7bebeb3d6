// Markers carried through a cut: the cutters copy a file's tags and chunks
// as they are, which would leave its chapters and cue points at the old times.
#include <filesystem>

#include "core/OutputFormats.h"
#include "platform/audio/MarkerStore.h"

namespace qsr::audio {

std::vector<core::Marker> MarkersAfterCut(const std::vector<core::Marker>& markers,
                                          const std::vector<SampleSpan>& kept) {
    std::vector<core::Marker> out;
    for (const core::Marker& m : markers) {
        std::int64_t at = 0;  // where the current span starts in what is left
        for (std::size_t i = 0; i < kept.size(); ++i) {
            const SampleSpan& s = kept[i];
            if ((m.frame >= s.begin && m.frame < s.end) ||
                (m.frame == s.end && i + 1 == kept.size())) {
                core::Marker moved = m;
                moved.frame = at + (m.frame - s.begin);
                out.push_back(std::move(moved));
                break;
            }
            at += s.Length();
        }
    }
    core::SortMarkers(out);
    return out;
}

namespace {

bool Headerless(const std::string& path) {
    const auto type = core::EncoderForPath(path);
    return type && (*type == core::Encoder::Raw || *type == core::Encoder::Vox ||
                    *type == core::Encoder::G726);
}

class MarkedCutter : public IFileCutter {
  public:
    explicit MarkedCutter(std::unique_ptr<IFileCutter> inner) : inner_(std::move(inner)) {}

    void SetRawFrameBytes(int bytes) override { inner_->SetRawFrameBytes(bytes); }
    void SetHeaderlessFormat(int rate, int g726Bits) override {
        rate_ = rate;
        inner_->SetHeaderlessFormat(rate, g726Bits);
    }
    CutAbility Ability(const std::string& path, const std::vector<SampleSpan>& kept) override {
        return inner_->Ability(path, kept);
    }

    CutResult Cut(const std::string& in, const std::vector<SampleSpan>& kept,
                  const std::string& out, const Progress& progress) override {
        CutResult r;
        if (const CutAbility a = inner_->Ability(in, kept); !a.possible) {
            r.error = a.note;
            return r;
        }
        // Read first: `out` may be `in`.
        std::vector<core::Marker> markers;
        int rate = rate_;
        std::string why;
        if (!ReadMarkers(in, markers, rate, &why)) {
            r.error = "its markers could not be read (" + why + ")";
            return r;
        }
        r = inner_->Cut(in, kept, out, progress);
        if (!r.ok) return r;
        std::error_code ec;
        // A sheet beside another file than the input is that file's old one.
        const bool staleSheet =
            Headerless(out) && out != in && std::filesystem::exists(CueSheetPath(out), ec);
        if (markers.empty() && !staleSheet) return r;
        if (!StoreMarkers(out, rate, MarkersAfterCut(markers, kept), &why)) {
            r.ok = false;
            r.error = "the sound was saved, but its markers could not be moved (" + why + ")";
        }
        return r;
    }

  private:
    std::unique_ptr<IFileCutter> inner_;
    int rate_ = 0;
};

}  // namespace

std::unique_ptr<IFileCutter> KeepingMarkers(std::unique_ptr<IFileCutter> cutter) {
    if (!cutter) return nullptr;
    return std::make_unique<MarkedCutter>(std::move(cutter));
}

}  // namespace qsr::audio
