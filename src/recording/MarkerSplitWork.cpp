#include "recording/MarkerSplitWork.h"

namespace qsr::recording {

MarkerSplitWork::MarkerSplitWork(audio::IAudioEngine& engine, Hooks hooks)
    : engine_(engine), hooks_(std::move(hooks)), cutter_(engine.CreateCutter()) {}

MarkerSplitWork::~MarkerSplitWork() {
    worker_.Cancel();
    worker_.Wait(std::chrono::milliseconds(5000));  // the Worker's own end waits for the rest
}

bool MarkerSplitWork::Start(const SplitSource& source, std::vector<SplitPiece> pieces,
                            std::string& why) {
    if (worker_.Running()) {
        why = "a split is running";
        return false;
    }
    if (!cutter_) {
        why = "this engine cannot cut files";
        return false;
    }
    if (why = SplitRefusal(*cutter_, source, pieces); !why.empty()) return false;
    auto report = std::make_shared<SplitReport>();
    return worker_.Start(
        [this, report, source, pieces = std::move(pieces)] {
            *report = WritePieces(engine_, *cutter_, source, pieces, [this](double f) {
                worker_.Post([this, f] {
                    if (hooks_.progress) hooks_.progress(f);
                });
                return !worker_.Cancelled();
            });
        },
        [this, report] {
            if (hooks_.finished) hooks_.finished(*report);
        });
}

}  // namespace qsr::recording
