// The module's resampler (see FfmpegModule.h).
extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>

#include "platform/audio/FfmpegModule.h"
#include "platform/ffmpeg/Ffmpeg.h"

namespace qsr::audio::file {
namespace {

class SwrResampler : public IResampler {
  public:
    SwrResampler(SwrContext* swr, int channels) : swr_(swr), channels_(channels) {}
    ~SwrResampler() override { swr_free(&swr_); }
    SwrResampler(const SwrResampler&) = delete;
    SwrResampler& operator=(const SwrResampler&) = delete;

    std::vector<std::int16_t> Convert(const std::int16_t* in, long count) override {
        const int frames = in ? static_cast<int>(count) : 0;
        const int outMax = swr_get_out_samples(swr_, frames);
        if (outMax <= 0) return {};
        std::vector<std::int16_t> out(static_cast<std::size_t>(outMax) *
                                      static_cast<std::size_t>(channels_));
        auto* to = reinterpret_cast<std::uint8_t*>(out.data());
        auto* from = reinterpret_cast<const std::uint8_t*>(in);
        const int n = swr_convert(swr_, &to, outMax, in ? &from : nullptr, frames);
        out.resize(static_cast<std::size_t>(std::max(n, 0)) * static_cast<std::size_t>(channels_));
        return out;
    }

  private:
    SwrContext* swr_;
    int channels_;
};

}  // namespace

namespace ffmpeg {

IResampler* NewSwrResampler(int inRate, int outRate, int channels, bool dither) {
    AVChannelLayout layout{};
    av_channel_layout_default(&layout, channels);
    SwrContext* swr = nullptr;
    const bool made = swr_alloc_set_opts2(&swr, &layout, AV_SAMPLE_FMT_S16, outRate, &layout,
                                          AV_SAMPLE_FMT_S16, inRate, 0, nullptr) >= 0;
    av_channel_layout_uninit(&layout);
    if (!made) return nullptr;
    if (dither) av_opt_set_int(swr, "dither_method", SWR_DITHER_TRIANGULAR, 0);
    if (swr_init(swr) < 0) {
        swr_free(&swr);
        return nullptr;
    }
    return new SwrResampler(swr, channels);
}

}  // namespace ffmpeg
}  // namespace qsr::audio::file
