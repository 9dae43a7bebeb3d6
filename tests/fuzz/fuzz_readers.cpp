// Damaged audio files: every reader opens, reads, seeks back and forth and
// reads again without crashing, looping or handing out a partial frame.
// The first byte picks the reader (and a headerless type's parameters); the
// rest is the file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

extern "C" {
#include <libavutil/log.h>
}

#include "ScratchFile.h"
#include "core/Mp3Frames.h"
#include "platform/audio/CodecLog.h"
#include "platform/audio/FileCodecs.h"
#include "platform/codecs/Codecs.h"
#include "platform/ffmpeg/Ffmpeg.h"
#include "platform/g726/G726.h"

namespace {

// FFmpeg's log stays as quiet as in the program, where its module hands
// over the level setter.
const bool kLogSink = [] {
    qsr::audio::SetCodecLogSink(
        [](bool verbose) { av_log_set_level(verbose ? AV_LOG_INFO : AV_LOG_QUIET); });
    qsr::audio::file::ffmpeg::UseQuietHook(&qsr::audio::QuietCodecLogByDefault);
    return true;
}();

using namespace qsr::audio::file;

void Check(bool ok) {
    if (!ok) std::abort();
}

// Frames handed out until the end, bounded: a reader that never ends fails.
std::int64_t ReadOn(IDecoder& d, std::int64_t limit) {
    std::int64_t frames = 0;
    for (;;) {
        const auto block = d.Read(4096);
        if (block.empty()) return frames;
        Check(block.size() % static_cast<size_t>(d.Channels()) == 0);
        frames += static_cast<std::int64_t>(block.size()) / d.Channels();
        Check(frames <= limit);
    }
}

void Exercise(IDecoder& d) {
    Check(d.Channels() > 0 && d.Rate() > 0);
    const std::int64_t total = d.Total();
    Check(total >= 0);
    // Generous: a damaged header may claim little and hold much, never endless.
    const std::int64_t limit = 64 * 1024 * 1024;
    const std::int64_t whole = ReadOn(d, limit);
    for (const std::int64_t at : {whole / 2, std::int64_t{0}, whole + 1000, whole / 3}) {
        const std::int64_t landed = d.Seek(at);
        Check(landed >= 0);
        ReadOn(d, limit);
    }
}

// The file's name: its extension matters to FFmpeg's probing only a little,
// to nothing else.
std::string PathFor(std::uint8_t kind) {
    static const char* const kExt[] = {".wav", ".vox", ".raw", ".g726",
                                       ".mp3", ".ogg", ".wav", ".bin"};
    static const std::string base = ScratchFile("fuzz_readers");
    return base + kExt[kind % 8];
}

std::unique_ptr<IDecoder> Open(std::uint8_t kind, std::uint8_t detail, const std::string& path) {
    std::string error;
    switch (kind % 8) {
        case 0:
            return codecs::OpenSndfileDecoder(path, error);
        case 1:
            return codecs::OpenSndfileRawDecoder(path, SndfileVoxFormat(), 8000, 1, "vox", error);
        case 2:
            return codecs::OpenSndfileRawDecoder(path, SndfileRawFormat(1 + detail % 3), 8000,
                                                 1 + detail / 3 % 2, "raw", error);
        case 3:
            return g726::OpenG726Decoder(path, G726Params{8000, 2 + detail % 4}, error);
        default:
            return ffmpeg::OpenFfmpegDecoder(path, detail & 1, error);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::uint8_t kind = data[0], detail = data[1];
    const unsigned char* file = data + 2;
    const std::size_t bytes = size - 2;

    // The MP3 frame scan and the LAME length over the bytes themselves.
    const Mp3FrameIndex index = IndexMp3Frames(file, bytes, Mp3AudioStart(file, bytes));
    for (size_t i = 0; i < index.offsets.size(); ++i) {
        Check(index.offsets[i] >= 0 && static_cast<std::size_t>(index.offsets[i]) < bytes);
        Check(i == 0 || index.offsets[i] > index.offsets[i - 1]);
    }
    Mp3ExactLengthFromFrame(file, bytes);

    // The decoders read files: the bytes are written to one first.
    const std::string path = PathFor(kind);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(file, 1, bytes, f);
    std::fclose(f);
    if (auto d = Open(kind, detail, path)) Exercise(*d);
    std::remove(path.c_str());
    return 0;
}
