// The FFmpeg module's entry (see platform/audio/FfmpegModule.h): the readers
// and the WMA writer of the file component, and FFmpeg's format probe.
extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <climits>
#include <vector>

#include "platform/audio/FfmpegModule.h"
#include "platform/ffmpeg/Ffmpeg.h"

namespace {

using namespace qsr::audio::file;

IDecoder* OpenDecoder(const std::string& path, bool dither, std::string& error) {
    return ffmpeg::OpenFfmpegDecoder(path, dither, error).release();
}

IEncoder* OpenWma(const std::string& path, int profile, std::string& error) {
    return ffmpeg::OpenWmaEncoder(path, profile, error).release();
}

bool Recognises(const unsigned char* bytes, std::size_t size) {
    std::vector<unsigned char> buf(size + AVPROBE_PADDING_SIZE, 0);
    std::copy_n(bytes, size, buf.begin());
    AVProbeData pd{};
    pd.filename = "";  // a name must not make text sound
    pd.buf = buf.data();
    pd.buf_size = static_cast<int>(size);
    int score = 0;
    const AVInputFormat* format = av_probe_input_format3(&pd, 1, &score);
    return format != nullptr && score > AVPROBE_SCORE_RETRY;
}

int LengthMs(const std::string& path) {
    ffmpeg::QuietLog();
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) return -1;
    int ms = -1;
    if (avformat_find_stream_info(fmt, nullptr) >= 0 && fmt->duration != AV_NOPTS_VALUE &&
        fmt->duration >= 0) {
        ms = static_cast<int>(std::min<std::int64_t>(fmt->duration / 1000, INT_MAX));
    }
    avformat_close_input(&fmt);
    return ms;
}

void SetLogVerbose(bool verbose) {
    av_log_set_level(verbose ? AV_LOG_INFO : AV_LOG_QUIET);
}

const FfmpegModuleTable kTable{
    kFfmpegModuleVersion,    ffmpeg::UseQuietHook, OpenDecoder, OpenWma, Recognises, LengthMs,
    ffmpeg::NewSwrResampler, SetLogVerbose};

}  // namespace

extern "C" __attribute__((visibility("default"))) const FfmpegModuleTable* qsr_ffmpeg_module() {
    return &kTable;
}
