// A FLAC cut: the kept samples decoded and coded again losslessly by libFLAC
// (exact at any sample), the metadata blocks (tags, pictures) carried over.
#include <FLAC/metadata.h>
#include <FLAC/stream_decoder.h>
#include <FLAC/stream_encoder.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/codecs/Codecs.h"

namespace qsr::audio::file::codecs {
namespace {

struct Cut {
    FLAC__StreamEncoder* encoder = nullptr;
    FLAC__StreamMetadata_StreamInfo info{};
    std::vector<FLAC__StreamMetadata*> blocks;  // what goes into the new file
    SampleSpan span;
    std::int64_t done = 0;  // samples given to the encoder in all spans
    bool failed = false, reached = false;
    ~Cut() {
        for (FLAC__StreamMetadata* b : blocks) FLAC__metadata_object_delete(b);
    }
};

FLAC__StreamDecoderWriteStatus OnFrame(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                       const FLAC__int32* const buffer[], void* data) {
    auto& cut = *static_cast<Cut*>(data);
    if (!cut.encoder) return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
    const auto at = static_cast<std::int64_t>(frame->header.number.sample_number);
    const std::int64_t from = std::max(at, cut.span.begin);
    const std::int64_t to = std::min(at + frame->header.blocksize, cut.span.end);
    if (to >= cut.span.end) cut.reached = true;
    if (from >= to) return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
    const FLAC__int32* channels[FLAC__MAX_CHANNELS];
    for (unsigned c = 0; c < frame->header.channels; ++c) channels[c] = buffer[c] + (from - at);
    if (!FLAC__stream_encoder_process(cut.encoder, channels, static_cast<unsigned>(to - from))) {
        cut.failed = true;
        return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    }
    cut.done += to - from;
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void OnMetadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* block, void* data) {
    auto& cut = *static_cast<Cut*>(data);
    switch (block->type) {
        case FLAC__METADATA_TYPE_STREAMINFO:
            cut.info = block->data.stream_info;
            break;
        // Positions of the old sound: a seek table and a cue sheet no longer fit.
        case FLAC__METADATA_TYPE_SEEKTABLE:
        case FLAC__METADATA_TYPE_CUESHEET:
        case FLAC__METADATA_TYPE_PADDING:
            break;
        default:
            if (FLAC__StreamMetadata* copy = FLAC__metadata_object_clone(block))
                cut.blocks.push_back(copy);
    }
}

void OnError(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void* data) {
    static_cast<Cut*>(data)->failed = true;
}

}  // namespace

CutResult CutFlac(const std::string& in, const std::vector<SampleSpan>& kept,
                  const std::string& out, const IFileCutter::Progress& progress) {
    CutResult r;
    const auto fail = [&r](const char* why) {
        r.error = why;
        return r;
    };
    Cut cut;
    std::unique_ptr<FLAC__StreamDecoder, void (*)(FLAC__StreamDecoder*)> decoder(
        FLAC__stream_decoder_new(), FLAC__stream_decoder_delete);
    if (!decoder) return fail("out of memory");
    FLAC__stream_decoder_set_metadata_respond_all(decoder.get());
    if (FLAC__stream_decoder_init_file(decoder.get(), in.c_str(), OnFrame, OnMetadata, OnError,
                                       &cut) != FLAC__STREAM_DECODER_INIT_STATUS_OK ||
        !FLAC__stream_decoder_process_until_end_of_metadata(decoder.get()) ||
        cut.info.sample_rate == 0) {
        r.error = "not a FLAC file that can be read";
        return r;
    }
    std::int64_t total = 0;
    for (const SampleSpan& s : kept) {
        if (s.begin < 0 || s.begin >= s.end ||
            (cut.info.total_samples && s.end > static_cast<std::int64_t>(cut.info.total_samples))) {
            r.error = "the span is outside the sound";
            return r;
        }
        total += s.Length();
    }
    std::unique_ptr<FLAC__StreamEncoder, void (*)(FLAC__StreamEncoder*)> encoder(
        FLAC__stream_encoder_new(), FLAC__stream_encoder_delete);
    if (!encoder) return fail("out of memory");
    FLAC__StreamEncoder* e = encoder.get();
    FLAC__stream_encoder_set_channels(e, cut.info.channels);
    FLAC__stream_encoder_set_bits_per_sample(e, cut.info.bits_per_sample);
    FLAC__stream_encoder_set_sample_rate(e, cut.info.sample_rate);
    FLAC__stream_encoder_set_compression_level(e, 5);
    // libFLAC decodes each frame it codes and compares: what is written is
    // what was read.
    FLAC__stream_encoder_set_verify(e, true);
    FLAC__stream_encoder_set_total_samples_estimate(e, static_cast<FLAC__uint64>(total));
    if (!cut.blocks.empty())
        FLAC__stream_encoder_set_metadata(e, cut.blocks.data(),
                                          static_cast<unsigned>(cut.blocks.size()));
    errno = 0;
    if (FLAC__stream_encoder_init_file(e, out.c_str(), nullptr, nullptr) !=
        FLAC__STREAM_ENCODER_INIT_STATUS_OK) {
        r.error = errno ? std::strerror(errno) : "the FLAC encoder refuses this stream";
        return r;
    }
    cut.encoder = e;
    for (const SampleSpan& s : kept) {
        cut.span = s;
        cut.reached = false;
        if (!FLAC__stream_decoder_seek_absolute(decoder.get(),
                                                static_cast<FLAC__uint64>(s.begin))) {
            FLAC__stream_decoder_flush(decoder.get());
            cut.failed = true;
        }
        while (!cut.failed && !cut.reached) {
            errno = 0;
            if (!FLAC__stream_decoder_process_single(decoder.get()) ||
                FLAC__stream_decoder_get_state(decoder.get()) ==
                    FLAC__STREAM_DECODER_END_OF_STREAM) {
                break;
            }
            if (progress && !progress(static_cast<double>(cut.done) / static_cast<double>(total))) {
                FLAC__stream_encoder_finish(e);
                return fail("cancelled");
            }
        }
        if (cut.failed) break;
    }
    cut.encoder = nullptr;
    const int savedErrno = errno;
    const bool finished = FLAC__stream_encoder_finish(e);
    if (cut.failed || cut.done != total || !finished) {
        r.error = !finished && savedErrno ? std::strerror(savedErrno)
                  : cut.done != total     ? "the FLAC file's sound ends early"
                                          : "the FLAC file could not be read or written";
        return r;
    }
    FLAC__StreamMetadata info;
    if (!FLAC__metadata_get_streaminfo(out.c_str(), &info) ||
        info.data.stream_info.total_samples != static_cast<FLAC__uint64>(total)) {
        r.error = "the written copy does not hold the kept sound";
        return r;
    }
    r.ok = true;
    r.samples = total;
    return r;
}

}  // namespace qsr::audio::file::codecs
