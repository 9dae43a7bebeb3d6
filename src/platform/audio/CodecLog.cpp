#include "platform/audio/CodecLog.h"

#include <atomic>

namespace qsr::audio {
namespace {
std::atomic<bool> chosen{false};
std::atomic<bool> verboseChosen{false};
std::atomic<void (*)(bool)> sink{nullptr};

void Apply() {
    if (auto* set = sink.load()) set(verboseChosen);
}
}  // namespace

void SetCodecLogVerbose(bool verbose) {
    verboseChosen = verbose;
    chosen = true;
    Apply();
}

void QuietCodecLogByDefault() {
    if (!chosen.exchange(true)) Apply();
}

void SetCodecLogSink(void (*setVerbose)(bool verbose)) {
    sink = setVerbose;
    if (chosen) Apply();
}

}  // namespace qsr::audio
