#include "platform/mediaplayer/RealMediaControl.h"

#include <QMetaObject>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string_view>

#include "core/FileKind.h"
#include "platform/audio/AudioFileComponent.h"
#include "platform/audio/InputAdapter.h"
#include "platform/mediaplayer/CdAudio.h"
#include "platform/mediaplayer/MediaModules.h"
#include "platform/mediaplayer/MidiRender.h"
#include "platform/mediaplayer/ReadAhead.h"
#include "platform/pulse/PulseConnection.h"

namespace qsr::mediaplayer {
namespace {

// How long the sound server's thread waits for a late MIDI block, and the
// window's thread for the first one.
constexpr int kMidiWaitMs = 50;
constexpr int kMidiReadySeconds = 5;
// How long the window's thread waits for a drive's first sectors.
constexpr int kCdReadySeconds = 5;

void OnCorked(pa_stream*, int, void* userdata) {
    static_cast<audio::PulseConnection*>(userdata)->Signal();
}

// Wakes the wait for the stream to become ready (or fail).
void OnStreamState(pa_stream*, void* userdata) {
    static_cast<audio::PulseConnection*>(userdata)->Signal();
}

// The engine names a missing module as "...: the X module cannot be loaded";
// that part, or empty when the file failed for a reason of its own.
QString MissingModule(const std::string& error) {
    constexpr std::string_view kCannotLoad = "module cannot be loaded";
    const std::size_t at = error.find(kCannotLoad);
    if (at == std::string::npos) return {};
    const std::size_t from = error.rfind(": ", at);
    const std::size_t start = from == std::string::npos ? 0 : from + 2;
    return QString::fromStdString(error.substr(start, at + kCannotLoad.size() - start));
}

}  // namespace

RealMediaControl::RealMediaControl(QObject* parent, std::string cdDrive)
    : IMediaControl(parent),
      conn_(std::make_unique<audio::PulseConnection>()),
      adapter_(std::make_unique<audio::file::InputAdapter>()),
      cdDrive_(std::move(cdDrive)) {}

RealMediaControl::~RealMediaControl() {
    ReleaseStream();
}

// The file is read as it plays, a block at a time, so a long file starts at
// once and a seek goes through the reader's index. MIDI holds no sound of its
// own: a synthesizer renders it a few seconds ahead of what is played, in a
// thread of its own. A CD is read a few seconds ahead by a worker of its own,
// so the sound server's thread only copies what a slow drive gave.
bool RealMediaControl::SetFileName(const QString& path) {
    const std::string name = path.toStdString();
    std::unique_ptr<audio::IAudioFile> file;
    std::unique_ptr<MidiReader> midi;
    std::unique_ptr<CdReader> cd;
    lastError_.clear();
    // The whole disc, or the one track a track file names.
    const bool wholeDisc = path == QLatin1String(kCdAudio);
    const int track = wholeDisc ? 0 : CdAudio::TrackOfFile(name);
    // A named pipe or a device would hold the reader (and this thread) forever.
    if (!wholeDisc && !core::SpecialFileKind(name).empty()) return false;
    if (wholeDisc || track > 0) {
        cd = cdOpener_ ? cdOpener_(cdDrive_, track) : OpenCd(cdDrive_, track);
        if (!cd) {
            // No drive, no disc or no such audio on it; or no CD module.
            if (!cdOpener_ && !CdModuleLoads()) lastError_ = kCdModuleMissing;
            return false;
        }
    } else if (IsMidiName(name)) {
        midi = OpenMidi(name, kRate);
        if (!midi) {
            if (!MidiModuleLoads()) lastError_ = kMidiModuleMissing;
            return false;
        }
    } else {
        file = audio::CreateRealAudioFile();
        file->SetOption(true);  // dither the reduction to 16 bits
        if (file->OpenFile(name) < 0 || file->SampleRate() <= 0 || file->ChannelCount() <= 0 ||
            file->ReadBlock(1).empty()) {
            // Not something we can decode, or a decoder's module is missing.
            if (const QString missing = MissingModule(file->LastError()); !missing.isEmpty())
                lastError_ = "Files of this type cannot be played: " + missing;
            return false;
        }
    }
    ReleaseStream();
    cdFeed_.reset();  // before the disc it reads
    file_ = std::move(file);
    midi_ = std::move(midi);
    cd_ = std::move(cd);
    if (cd_) {
        fileRate_ = kRate;
        totalFrames_ = cd_->TotalFrames();
        CdReader* disc = cd_.get();
        cdFeed_ = std::make_unique<ReadAhead>(
            ReadAhead::Source{[disc](std::int64_t frames) {
                                  return disc->Read(
                                      static_cast<int>(frames / CdAudio::kSectorFrames + 1));
                              },
                              [disc](std::int64_t frame) { disc->Seek(frame); }},
            std::int64_t{kCdAheadSeconds} * kRate, kBlockFrames, true);
    } else if (file_) {
        fileRate_ = file_->SampleRate();
        // The length at the stream's rate.
        totalFrames_ = file_->TotalSamples() * kRate / fileRate_;
    } else {
        fileRate_ = kRate;
        totalFrames_ = midi_->TotalFrames();
    }
    fileName_ = path;
    stoppedAt_ = 0;
    paused_ = false;
    Play();
    return true;
}

void RealMediaControl::Play() {
    if (!HasSound()) return;
    if (stream_ && paused_) {
        audio::PulseConnection::Lock lock(*conn_);
        conn_->Wait(pa_stream_cork(stream_, 0, OnCorked, conn_.get()));
        paused_ = false;
        clock_.start();
        return;
    }
    if (stream_) return;
    StartStream(stoppedAt_, false);
}

void RealMediaControl::Pause() {
    if (!stream_ || paused_) return;
    audio::PulseConnection::Lock lock(*conn_);
    conn_->Wait(pa_stream_cork(stream_, 1, OnCorked, conn_.get()));
    paused_ = true;
    clockBase_ = CurrentPosition();
    clock_.invalidate();
}

void RealMediaControl::Stop() {
    ReleaseStream();
    stoppedAt_ = 0;
    paused_ = false;
}

double RealMediaControl::Duration() const {
    return static_cast<double>(totalFrames_) / kRate;
}

// The position runs on a clock of its own while the stream plays: the
// server's interpolated stream time stalls on a busy machine even when the
// sound goes on, and a display must not stand still.
double RealMediaControl::CurrentPosition() const {
    const double running = clock_.isValid() ? clock_.elapsed() / 1000.0 : 0.0;
    if (!stream_) return static_cast<double>(stoppedAt_) / kRate;
    return std::min(clockBase_ + running, Duration());
}

void RealMediaControl::SetCurrentPosition(double seconds) {
    if (!HasSound()) return;
    const auto frame =
        std::clamp(static_cast<std::int64_t>(std::llround(std::max(seconds, 0.0) * kRate)),
                   std::int64_t{0}, totalFrames_);
    if (!stream_) {
        stoppedAt_ = frame;
        return;
    }
    const bool corked = paused_;
    ReleaseStream();
    StartStream(frame, corked);
}

bool RealMediaControl::SetVolume(int volume) {
    if (volume < kMinVolume || volume > kMaxVolume) return false;
    volume_ = volume;
    UpdateGains();
    return true;
}

bool RealMediaControl::SetBalance(int balance) {
    if (balance < kMinBalance || balance > kMaxBalance) return false;
    balance_ = balance;
    UpdateGains();
    return true;
}

void RealMediaControl::UpdateGains() {
    const auto g = GainsFor(volume_, balance_);
    audio::PulseConnection::Lock lock(*conn_);
    gainLeft_ = g.left;
    gainRight_ = g.right;
}

bool RealMediaControl::StartStream(std::int64_t frame, bool corked) {
    if (!conn_->EnsureConnected()) return false;
    std::int64_t at = frame;
    if (midi_) {
        // The first block only (the synthesizer loads with it): music that
        // began after written silence would run behind the position shown.
        midi_->Seek(frame);
        midi_->WaitReady(std::chrono::seconds(kMidiReadySeconds));
    } else if (cdFeed_) {
        // From the start of the sector holding the frame; the first sectors
        // (a drive spinning up) are awaited here, not under the lock.
        constexpr std::int64_t kSector = CdAudio::kSectorFrames;
        at = std::clamp<std::int64_t>(frame / kSector, 0, totalFrames_ / kSector) * kSector;
        cdFeed_->Seek(at);
        cdFeed_->WaitReady(std::chrono::seconds(kCdReadySeconds));
    }
    audio::PulseConnection::Lock lock(*conn_);
    // No stream runs, so the reader is the UI thread's until the new one
    // asks for data.
    if (file_) {
        at = file_->Seek(frame * fileRate_ / kRate);
        adapter_->Configure(fileRate_, file_->ChannelCount(), kRate, kChannels, true);
    }
    ready_.clear();
    readyAt_ = 0;
    fileEnded_ = false;
    frame = at * kRate / fileRate_;
    pa_sample_spec ss;
    stream_ = conn_->NewS16Stream("Audio Player", kRate, kChannels, ss);
    if (!stream_) return false;
    startFrame_ = frame;
    writtenTo_ = frame;
    peaks_.clear();
    drainAsked_ = false;
    ++generation_;
    pa_stream_set_write_callback(stream_, OnWrite, this);
    pa_stream_set_state_callback(stream_, OnStreamState, conn_.get());
    pa_buffer_attr attr;
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(kBufferMs * PA_USEC_PER_MSEC, &ss));
    attr.prebuf = static_cast<std::uint32_t>(-1);
    attr.minreq = static_cast<std::uint32_t>(-1);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    auto flags = static_cast<pa_stream_flags_t>(
        PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
    if (corked) flags = static_cast<pa_stream_flags_t>(flags | PA_STREAM_START_CORKED);
    if (pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) < 0 ||
        !conn_->WaitStreamReady(stream_)) {
        audio::PulseConnection::ReleaseStream(stream_);
        return false;
    }
    paused_ = corked;
    clockBase_ = static_cast<double>(frame) / kRate;
    if (corked)
        clock_.invalidate();
    else
        clock_.start();
    return true;
}

void RealMediaControl::ReleaseStream() {
    if (!stream_) return;
    stoppedAt_ = static_cast<std::int64_t>(CurrentPosition() * kRate);
    audio::PulseConnection::Lock lock(*conn_);
    ++generation_;  // a drain still on its way belongs to the old stream
    audio::PulseConnection::ReleaseStream(stream_);
    clock_.invalidate();
}

// PulseAudio thread, lock held: reads on until `frames` are ready or the file
// ends (a CD or MIDI file only takes what its worker has ready).
void RealMediaControl::Fill(std::int64_t frames) {
    if (readyAt_ > 0) {  // what was written goes; little is kept ahead
        ready_.erase(ready_.begin(), ready_.begin() + readyAt_ * kChannels);
        readyAt_ = 0;
    }
    while (!fileEnded_ &&
           static_cast<std::int64_t>(ready_.size()) / kChannels - readyAt_ < frames) {
        if (midi_ || cdFeed_) {
            // The feed reads ahead; a CD's is never waited for here, a
            // MIDI renderer's only at a start or a seek.
            const std::int64_t have =
                static_cast<std::int64_t>(ready_.size()) / kChannels - readyAt_;
            const std::int64_t n =
                midi_ ? midi_->Take(frames - have, ready_, std::chrono::milliseconds(kMidiWaitMs))
                      : cdFeed_->Take(frames - have, ready_, std::chrono::milliseconds(0));
            fileEnded_ = midi_ ? midi_->Ended() : cdFeed_->Ended();
            // A renderer or drive that falls behind leaves a gap, never an
            // early end.
            if (n == 0 && !fileEnded_) ready_.resize(ready_.size() + kBlockFrames * kChannels, 0);
            continue;
        }
        const audio::Samples block = file_->ReadBlock(kBlockFrames);
        const auto more = block.empty() ? adapter_->Flush()
                          : adapter_->Passthrough()
                              ? block
                              : adapter_->Convert(block.data(), static_cast<long>(block.size()) /
                                                                    file_->ChannelCount());
        ready_.insert(ready_.end(), more.begin(), more.end());
        fileEnded_ = block.empty();
    }
}

// PulseAudio thread, lock held.
void RealMediaControl::OnWrite(pa_stream* s, size_t nbytes, void* userdata) {
    auto* self = static_cast<RealMediaControl*>(userdata);
    self->Fill(static_cast<std::int64_t>(nbytes / 4));
    const std::int64_t left =
        static_cast<std::int64_t>(self->ready_.size()) / kChannels - self->readyAt_;
    if (left <= 0) {
        if (!self->drainAsked_) {
            self->drainAsked_ = true;
            auto* op = pa_stream_drain(s, OnDrained, self);
            if (op) pa_operation_unref(op);
        }
        return;
    }
    const std::int64_t frames = std::min<std::int64_t>(left, static_cast<std::int64_t>(nbytes / 4));
    if (frames <= 0) return;
    void* buffer = nullptr;
    size_t bytes = static_cast<size_t>(frames) * 4;
    if (pa_stream_begin_write(s, &buffer, &bytes) < 0 || !buffer) return;
    const std::int64_t n = static_cast<std::int64_t>(bytes / 4);
    auto* dst = static_cast<std::int16_t*>(buffer);
    const std::int16_t* src = self->ready_.data() + self->readyAt_ * 2;
    for (std::int64_t i = 0; i < n; ++i) {
        dst[2 * i] = static_cast<std::int16_t>(std::lround(src[2 * i] * self->gainLeft_));
        dst[2 * i + 1] = static_cast<std::int16_t>(std::lround(src[2 * i + 1] * self->gainRight_));
    }
    self->NotePeaks(dst, n);
    pa_stream_write(s, buffer, bytes, nullptr, 0, PA_SEEK_RELATIVE);
    self->readyAt_ += n;
    self->Fill(1);
    if (self->fileEnded_ &&
        static_cast<std::int64_t>(self->ready_.size()) / kChannels <= self->readyAt_ &&
        !self->drainAsked_) {
        self->drainAsked_ = true;
        auto* op = pa_stream_drain(s, OnDrained, self);
        if (op) pa_operation_unref(op);
    }
}

// PulseAudio thread: hand the end over to the control's own thread.
void RealMediaControl::OnDrained(pa_stream*, int success, void* userdata) {
    auto* self = static_cast<RealMediaControl*>(userdata);
    if (!success) return;
    const unsigned generation = self->generation_;
    QMetaObject::invokeMethod(
        self, [self, generation] { self->Finished(generation); }, Qt::QueuedConnection);
}

void RealMediaControl::Finished(unsigned generation) {
    if (generation != generation_ || !stream_) return;
    ReleaseStream();
    stoppedAt_ = 0;
    paused_ = false;
    emit EndOfStream();
}

bool RealMediaControl::HasSound() const {
    return file_ != nullptr || cd_ != nullptr || midi_ != nullptr;
}

// PulseAudio thread, lock held: the peaks of what was just written, in slices
// of kLevelWindowMs, so the levels can follow what is heard.
void RealMediaControl::NotePeaks(const std::int16_t* written, std::int64_t frames) {
    constexpr std::int64_t kSlice = kLevelWindowMs * kRate / 1000;
    for (std::int64_t at = 0; at < frames; at += kSlice) {
        const std::int64_t end = std::min(frames, at + kSlice);
        Peak peak{writtenTo_ + end, 0, 0};
        for (std::int64_t f = at; f < end; ++f) {
            peak.left = std::max(peak.left, std::abs(int{written[2 * f]}));
            peak.right = std::max(peak.right, std::abs(int{written[2 * f + 1]}));
        }
        peaks_.push_back(peak);
    }
    writtenTo_ += frames;
    // What is written runs at most the stream buffer ahead of what is heard.
    const std::size_t keep = 2 * kBufferMs / kLevelWindowMs + 4;
    while (peaks_.size() > keep) peaks_.pop_front();
}

void RealMediaControl::CurrentLevels(float& left, float& right) const {
    left = 0;
    right = 0;
    if (!Playing()) return;
    const auto now = static_cast<std::int64_t>(CurrentPosition() * kRate);
    if (now >= totalFrames_) return;  // at the end nothing more sounds
    // The slice nearest the position: the clock and the server's reading
    // may run a little apart, but what was written last is never far off.
    constexpr std::int64_t kSlice = kLevelWindowMs * kRate / 1000;
    int peakLeft = 0;
    int peakRight = 0;
    audio::PulseConnection::Lock lock(*conn_);
    std::int64_t nearest = -1;
    for (const Peak& p : peaks_) {
        const std::int64_t distance = std::abs(p.end - kSlice / 2 - now);
        if (nearest >= 0 && distance >= nearest) continue;
        nearest = distance;
        peakLeft = p.left;
        peakRight = p.right;
    }
    // The peaks were taken after volume and balance.
    left = static_cast<float>(std::min(1.0, peakLeft / 32768.0));
    right = static_cast<float>(std::min(1.0, peakRight / 32768.0));
}

}  // namespace qsr::mediaplayer
