#include "platform/audio/CodecLog.h"

extern "C" {
#include <libavutil/log.h>
}

#include <atomic>

namespace qsr::audio {
namespace {
std::atomic<bool> chosen{false};
}

void SetCodecLogVerbose(bool verbose) {
    chosen = true;
    av_log_set_level(verbose ? AV_LOG_INFO : AV_LOG_QUIET);
}

void QuietCodecLogByDefault() {
    if (!chosen.exchange(true)) av_log_set_level(AV_LOG_QUIET);
}

}  // namespace qsr::audio
