#pragma once

#include <pulse/pulseaudio.h>

#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <deque>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/audio-api/AudioRecorder.h"
#include "platform/pulse/CombinedCapture.h"
#include "platform/pulse/Dsp.h"
#include "platform/pulse/PulseCapture.h"
#include "platform/pulse/PulseCaptureThread.h"
#include "platform/pulse/PulseConnection.h"

namespace qsr::audio {

// The recorder over the PulseAudio client API. Devices are the server's
// capture sources (monitors of sinks included), source lines are the ports of
// the selected source; volume, balance and mute belong to the source, so every
// line of one device shows the same. A device index names one server source
// (by its server name) for the recorder's whole life: a source that appears
// later gets the next index, one that goes away keeps its index and is
// unusable (starting on it fails) until it comes back. The capture thread only appends captured
// samples to a growing buffer, a few times a second; a timer of the thread that owns the recorder
// collects them at its own pace, and filtering, block cutting and every signal happen there. The
// capture thread posts nothing per read (only when the stream fails), so the owning thread wakes
// once per progress interval.
// The last entry but new ones, "Programs", records one program: its lines are
// the programs playing now (by the name they gave the server), and the capture
// is a monitor stream of that program's stream alone. Should the program stop
// playing, the recording goes on in silence and picks it up again, by name,
// when it plays again.
// The entry after it, "Microphone + playback", records the server's default
// source and the monitor of its default sink together (both as they are at
// each start), in step, in the layout of SetSecondSource; so does any device
// with a second source set.
class PulseRecorder : public IAudioRecorder {
    Q_OBJECT
  public:
    explicit PulseRecorder(QObject* parent = nullptr);
    ~PulseRecorder() override;

    int DeviceCount() const override;
    int CurrentDevice() const override { return currentDevice_; }
    void SelectDevice(int index) override;
    bool DeviceUsable() const override;
    std::string DeviceName() const override;

    int SourceLastIndex() const override;
    int CurrentSource() const override { return currentSource_; }
    void SelectSource(int index) override;
    std::string SourceName() const override;
    bool SourceSelectable() const override;
    bool SourceActive() const override;
    void SetSourceActive(bool active) override;
    bool HasVolume() const override;
    int Volume() const override;
    void SetVolume(int volume) override;
    bool HasBalance() const override;
    int Balance() const override;
    void SetBalance(int balance) override;
    int AdvancedLastIndex() const override;
    std::string AdvancedName(int index) const override;
    AdvancedValue AdvancedGet(int index) const override;
    void AdvancedSet(int index, std::int32_t value) override;

    void SetFormat(int rate, int channels) override;
    int Rate() const override { return rate_; }
    int Channels() const override { return channels_; }
    long MillisecondsToSamples(long ms) const override;
    long SamplesToMilliseconds(long samples) const override;
    void SetBlockLength(long samples) override;
    int Start() override;
    void Stop() override;
    int Status() const override { return status_; }
    long CurrentSamples() const override { return currentSamples_; }
    Samples LatestSamples(long n) const override { return recent_.Latest(n); }
    Samples TakeBlock(long nBlock) override { return cutter_.Take(nBlock); }
    long DropoutCount() const override;
    void SetSecondSource(const SecondSource& second) override;
    SecondSource GetSecondSource() const override { return second_; }
    bool CanCombine(int device) const override;
    int SecondLevel() const override { return secondLevel_; }

    void SetNotchEnabled(bool on) override { SetFilter(&Filters::notchOn, on); }
    void SetNotchFrequency(float hz) override { SetFilter(&Filters::notchHz, hz); }
    float NotchFrequency() const override { return filters_.notchHz; }
    void SetHighPassEnabled(bool on) override { SetFilter(&Filters::highPassOn, on); }
    void SetHighPassFrequency(float hz) override { SetFilter(&Filters::highPassHz, hz); }
    float HighPassFrequency() const override { return filters_.highPassHz; }
    void SetLowPassEnabled(bool on) override { SetFilter(&Filters::lowPassOn, on); }
    void SetLowPassFrequency(float hz) override { SetFilter(&Filters::lowPassHz, hz); }
    float LowPassFrequency() const override { return filters_.lowPassHz; }
    void SetAgcEnabled(bool on) override { SetFilter(&Filters::agcOn, on); }
    void SetAgcLowLevel(std::int32_t db) override { SetFilter(&Filters::agcLowDb, db); }
    std::int32_t AgcLowLevel() const override { return filters_.agcLowDb; }
    void SetAgcHighLevel(std::int32_t db) override { SetFilter(&Filters::agcHighDb, db); }
    std::int32_t AgcHighLevel() const override { return filters_.agcHighDb; }
    void SetAgcAttackTime(std::int32_t ms) override { SetFilter(&Filters::agcAttackMs, ms); }
    std::int32_t AgcAttackTime() const override { return filters_.agcAttackMs; }

    // Progress interval of the Timer signal; captured samples are collected,
    // filtered and cut into blocks at the same pace. Each progress repaints the
    // window's time and displays, and a repaint's fixed cost (the window
    // system's round trip and flush) outweighs what is drawn: five a second
    // keep the time and meters lively at half the cost of ten. The capture
    // thread's reads set the pace; the timer runs only while no stream
    // delivers (the program recorded has stopped playing).
    static constexpr int kTimerMs = PulseCaptureThread::kBatchMs;
    // Capture arrives from the server in pieces of at most this length.
    static constexpr int kFragmentMs = 100;
    // ... and of at most this length in a take of two: the server's timing
    // of a stream is exact only to a piece, and the two are kept in step by it.
    static constexpr int kCombinedFragmentMs = 10;

  private:
    // Sets one filter setting and passes the settings on.
    using Filters = dsp::FilterSettings;
    template <typename T>
    void SetFilter(T Filters::*setting, std::type_identity_t<T> value) {
        filters_.*setting = value;
        FiltersChanged();
    }

    struct Port {
        std::string name, description;
    };
    struct Device {
        std::string name, description;  // name: the server's, which never changes
        bool present = false;           // on the server at the last look
        std::vector<Port> ports;
        std::string activePort;
        pa_cvolume volume{};
        pa_channel_map map{};
        bool mute = false;
        bool programs = false;  // the "Programs" entry
        bool combined = false;  // the "Microphone + playback" entry
    };

    // Filter changes take effect at once, also in a running recording.
    void FiltersChanged() {
        if (status_ != 1) return;
        chain_.Configure(filters_, rate_, captureChannels_);
        if (combined_) combined_->SetFilters(filters_);
    }
    void LoadDevices() const;
    bool RefreshDevice() const;  // re-reads the selected device from the server
    // The selected device while it is on the server, else null.
    const Device* SelectedDevice() const;
    bool LineValid() const;
    bool ProgramsSelected() const;
    void LoadPrograms(Device& d) const;  // lock held
    // A capture stream on `source`, of one sink input of its sink when
    // `monitorOf` names one.
    bool OpenStream(const std::string& source, std::uint32_t monitorOf);
    // Lock held: the monitor and stream of the program recorded, if it plays.
    bool FindProgram(std::string& monitor, std::uint32_t& sinkInput) const;
    // Where the second source records from, when there is one; false when
    // it was asked for and is not there.
    bool ResolveSecond(const Device& first, std::string& firstSource, std::string& source,
                       std::uint32_t& monitorOf);
    bool StartSecond(const std::string& source, std::uint32_t monitorOf);
    void FollowProgram();
    void SetCVolume(const pa_cvolume& v);
    void SetMute(bool mute);

    // Capture thread: a pump as soon as the owner's thread is free (once,
    // however often asked before it ran).
    void RequestPump();

    // Owning thread.
    void Pump();
    void Process(Samples& fresh);  // filters and cuts; leaves `fresh` filtered
    void Deliver(Samples& out);    // meters and cuts what goes into the file
    void Announce();
    void EmitTimer();
    void Finish(int endStatus);

    mutable PulseConnection conn_;
    mutable std::vector<Device> devices_;  // never reordered, never shortened
    mutable bool loaded_ = false;
    bool deviceChosen_ = false;      // SelectDevice was called
    mutable int currentDevice_ = 0;  // the default source until one is chosen
    int currentSource_ = 0;

    int rate_ = 44100;
    int channels_ = 2;
    int captureChannels_ = 2;  // the first source's: channels_ unless a second joins it
    long blockLength_ = 44100;
    int status_ = 0;
    long currentSamples_ = 0;
    std::int64_t currentValues_ = 0;
    int peak_[2] = {0, 0};
    Samples carry_;  // values of an incomplete frame
    Samples fresh_;  // what the last pump took, storage reused
    std::deque<long> announce_;
    bool announcing_ = false;
    QTimer poll_;  // pumps while no capture stream delivers

    CaptureBuffer buffer_;
    std::atomic<bool> pumpPending_{false};
    std::atomic<bool> streamFailed_{false};
    PulseCaptureThread capture_{buffer_,
                                [this] {
                                    streamFailed_ = true;
                                    RequestPump();
                                },
                                [this] { RequestPump(); }};
    BlockCutter cutter_;
    RecentSamples recent_;
    dsp::FilterSettings filters_;
    dsp::DspChain chain_;
    std::string program_;         // the program recorded, empty for a device
    bool programGone_ = false;    // it stopped playing: silence until it is back
    QElapsedTimer gap_;           // since it stopped
    std::int64_t gapFrames_ = 0;  // silence added for the gap so far

    SecondSource second_;
    std::unique_ptr<CombinedCapture> combined_;  // while a take of two runs
    std::string secondName_;
    int secondLevel_ = 0;
    std::int64_t taken_ = 0;  // values taken from the first's buffer
    Samples mixed_;
};

}  // namespace qsr::audio
