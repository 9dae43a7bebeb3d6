#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/audio-api/AudioTypes.h"

struct SpeexEchoState_;
struct SpeexPreprocessState_;

namespace qsr::audio::combine {

// A call's microphone cleaned before it goes into the file (libspeexdsp):
// the speakers' echo taken out with what the computer plays as the
// reference (the echo canceller, then the preprocessor's suppression of
// what it left), and the steady background noise turned down (the same
// preprocessor; without it the noise is left as it was). Each side is made
// mono (a microphone is one voice in the room); the cleaned sound stands
// in every channel of the first source. Runs on frames in step: the first
// source (the microphone, near end) and the second (the playback, far end)
// hold the same number of frames.
//
// The speex calls take fixed frames of about 15 ms, so a part frame waits
// for the next call; both sides wait alike and stay in step. Buffers are
// sized at the start: a block allocates nothing.
class EchoCanceller {
  public:
    // How far back the speakers' sound is looked for in the microphone:
    // the air, the sound card's buffers and the server's between them.
    static constexpr double kTailSeconds = 0.25;

    EchoCanceller(int rate, int channels, bool cancelEcho, bool reduceNoise);
    ~EchoCanceller();
    EchoCanceller(const EchoCanceller&) = delete;
    EchoCanceller& operator=(const EchoCanceller&) = delete;

    // `first` and `second` hold the same frames of `channels` values; they
    // are replaced by the whole frames done now (the first cleaned), the
    // same number of each. What does not fill a frame waits for the next.
    void Process(Samples& first, Samples& second);
    // At the stop: what waits, done and handed out, so the take keeps its
    // length to the frame.
    void Flush(Samples& first, Samples& second);

    std::size_t FrameSize() const { return frame_; }
    std::size_t TailFrames() const { return tail_; }

  private:
    void Append(const Samples& first, const Samples& second);
    // Runs the speex frame that starts at frame `at` of the held sound and
    // writes it to the ends of `first` and `second`, `keep` frames of it.
    void RunFrame(std::size_t at, std::size_t keep, Samples& first, Samples& second);

    int channels_;
    std::size_t frame_;  // frames per speex call
    std::size_t tail_;
    SpeexEchoState_* echo_ = nullptr;
    SpeexPreprocessState_* denoise_ = nullptr;
    Samples heldFirst_, heldSecond_;  // interleaved, waiting for a whole frame
    Samples near_, far_, out_;        // one mono frame each
};

}  // namespace qsr::audio::combine
