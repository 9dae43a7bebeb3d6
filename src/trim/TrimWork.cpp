#include "trim/TrimWork.h"

#include "core/AtomicFile.h"
#include "trim/OverviewCache.h"

namespace qsr::trim {

TrimWork::TrimWork(audio::IAudioEngine& engine, std::string cacheFolder,
                   BeingRecorded beingRecorded, Hooks hooks)
    : engine_(engine),
      cacheFolder_(std::move(cacheFolder)),
      beingRecorded_(std::move(beingRecorded)),
      hooks_(std::move(hooks)),
      cutter_(engine.CreateCutter()) {}

TrimWork::~TrimWork() {
    worker_.Cancel();
    worker_.Wait(std::chrono::milliseconds(5000));  // the Worker's own end waits for the rest
}

bool TrimWork::Open(const std::string& path) {
    if (worker_.Running()) return false;
    path_ = path;
    ready_ = false;
    overview_ = Overview{};
    edits_.Reset(0);
    if (LoadOverview(cacheFolder_, path_, overview_)) {
        Shown();
        return true;
    }
    Decode();
    return true;
}

void TrimWork::Decode() {
    auto file = std::shared_ptr<audio::IAudioFile>(engine_.CreateFile());
    if (file && headerless_.readAs) headerless_.readAs(*file);
    auto result = std::make_shared<Overview>();
    auto error = std::make_shared<std::string>();
    auto ok = std::make_shared<bool>(false);
    const std::string path = path_;
    worker_.Start(
        [this, file, result, error, ok, path] {
            if (!file) {
                *error = "this engine cannot read files";
                return;
            }
            *ok = ComputeOverview(*file, path, *result, *error, [this](double f) {
                worker_.Post([this, f] {
                    if (hooks_.progress) hooks_.progress(f);
                });
                return !worker_.Cancelled();
            });
            // Kept for the next time; a cache that cannot be written costs a decode.
            if (*ok) StoreOverview(cacheFolder_, path, *result);
        },
        [this, result, error, ok, path] {
            if (path != path_) return;
            if (!*ok) {
                if (hooks_.failed) hooks_.failed(*error);
                return;
            }
            overview_ = std::move(*result);
            Shown();
        });
}

void TrimWork::SetHeaderless(Headerless h) {
    headerless_ = std::move(h);
    if (ready_) TellCutter();
}

void TrimWork::Shown() {
    ready_ = true;
    edits_.Reset(overview_.total);
    TellCutter();
    if (hooks_.opened) hooks_.opened();
}

void TrimWork::TellCutter() {
    if (!cutter_) return;
    // A headerless file's bytes a frame, its G.726 code, and the rate its
    // sheet of markers counts in.
    cutter_->SetRawFrameBytes(overview_.channels * (headerless_.rawCompression == 1 ? 2 : 1));
    cutter_->SetHeaderlessFormat(overview_.rate, headerless_.g726Bits);
}

audio::CutAbility TrimWork::Ability() const {
    if (!cutter_) return {false, false, "this engine cannot cut files"};
    return cutter_->Ability(path_, edits_.Kept());
}

bool TrimWork::TrimSilence(double levelDb, int minMs) {
    if (!ready_) return false;
    // The silence of what is left: its own ends, through the original's levels.
    const std::optional<SampleSpan> sound = SoundSpan(overview_, levelDb, minMs);
    if (!sound) return false;
    // The first and last positions of what is left that lie in the sound.
    std::int64_t from = -1, to = -1;
    std::int64_t edited = 0;
    for (const SampleSpan& s : edits_.Kept()) {
        const std::int64_t a = std::max(s.begin, sound->begin), b = std::min(s.end, sound->end);
        if (a < b) {
            if (from < 0) from = edited + (a - s.begin);
            to = edited + (b - s.begin);
        }
        edited += s.Length();
    }
    return from >= 0 && edits_.Keep({from, to});
}

bool TrimWork::Save(const std::string& target, std::string& why) {
    if (worker_.Running()) {
        why = "a decode or save is running";
        return false;
    }
    for (const std::string& f : {path_, target}) {
        if (const std::string busy = beingRecorded_ ? beingRecorded_(f) : std::string();
            !busy.empty()) {
            why = busy;
            return false;
        }
    }
    const audio::CutAbility ability = Ability();
    if (!ability.possible) {
        why = ability.note;
        return false;
    }
    auto result = std::make_shared<audio::CutResult>();
    const std::vector<SampleSpan> kept = edits_.Kept();
    // Until the saved file's overview is in, nothing more is edited.
    ready_ = false;
    const std::string source = path_;
    worker_.Start(
        [this, result, kept, source, target] {
            *result = cutter_->Cut(source, kept, target, [this](double f) {
                worker_.Post([this, f] {
                    if (hooks_.progress) hooks_.progress(f);
                });
                return !worker_.Cancelled();
            });
        },
        [this, result, target] {
            if (!result->ok) {
                ready_ = true;  // the edits stand; the file is as it was
                if (hooks_.failed) hooks_.failed(core::CouldNotSaveMessage(target, result->error));
                return;
            }
            const int rate = overview_.rate;
            if (hooks_.saved) hooks_.saved(target, rate > 0 ? result->samples * 1000 / rate : 0);
            // What was saved is the file shown now, a new original with
            // nothing to undo.
            path_ = target;
            ready_ = false;
            Decode();
        });
    return true;
}

}  // namespace qsr::trim
