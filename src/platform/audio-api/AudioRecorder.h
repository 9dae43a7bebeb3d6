#pragma once

#include <QObject>
#include <cstdint>
#include <string>

#include "platform/audio-api/AudioTypes.h"
#include "platform/audio-api/SecondSource.h"

namespace qsr::audio {

// Value of one advanced control of a source line: a yes/no switch or a level.
struct AdvancedValue {
    bool isSwitch = false;
    std::int32_t value = 0;  // 0/1 for a switch
};

// The capture component: devices, their source lines with the mixer controls,
// capture in blocks, filters and automatic gain control.
//
// Every per-device operation acts on the device last selected by index, every
// per-line operation on the line last selected by index. Events are delivered
// on the thread that owns the object (the user-interface thread).
class IAudioRecorder : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    ~IAudioRecorder() override = default;

    // Devices.
    virtual int DeviceCount() const = 0;
    virtual int CurrentDevice() const = 0;
    virtual void SelectDevice(int index) = 0;
    virtual bool DeviceUsable() const = 0;  // false for an index outside the list
    virtual std::string DeviceName() const = 0;

    // Source lines of the selected device.
    virtual int SourceLastIndex() const = 0;  // -1 = none
    virtual int CurrentSource() const = 0;
    virtual void SelectSource(int index) = 0;
    virtual std::string SourceName() const = 0;
    virtual bool SourceSelectable() const = 0;
    virtual bool SourceActive() const = 0;  // the active recording line
    virtual void SetSourceActive(bool active) = 0;
    virtual bool HasVolume() const = 0;
    virtual int Volume() const = 0;  // 0..65535
    virtual void SetVolume(int volume) = 0;
    virtual bool HasBalance() const = 0;
    virtual int Balance() const = 0;  // 0..100, 50 = centre
    virtual void SetBalance(int balance) = 0;
    virtual int AdvancedLastIndex() const = 0;  // -1 = none
    virtual std::string AdvancedName(int index) const = 0;
    virtual AdvancedValue AdvancedGet(int index) const = 0;
    virtual void AdvancedSet(int index, std::int32_t value) = 0;

    // Capture.
    virtual void SetFormat(int rate, int channels) = 0;
    virtual int Rate() const = 0;
    virtual int Channels() const = 0;
    virtual long MillisecondsToSamples(long ms) const = 0;
    virtual long SamplesToMilliseconds(long samples) const = 0;
    virtual void SetBlockLength(long samples) = 0;
    virtual int Start() = 0;  // below 0 = failure
    // Every sample captured before the call is still announced, the last,
    // partial block included.
    virtual void Stop() = 0;
    virtual int Status() const = 0;  // below 0 = failure, 1 = capturing, 0 = idle
    virtual long CurrentSamples() const = 0;
    virtual Samples LatestSamples(long n) const = 0;  // n values, interleaved
    // Takes the block announced by EndArrayRecord(nBlock); empty when unknown.
    virtual Samples TakeBlock(long nBlock) = 0;
    // Times the capture lost sound since Start (the device or the server
    // could not keep up); the recording goes on, with silence in the gap.
    virtual long DropoutCount() const = 0;

    // Filters and automatic gain control.
    virtual void SetNotchEnabled(bool on) = 0;
    virtual void SetNotchFrequency(float hz) = 0;
    virtual float NotchFrequency() const = 0;
    virtual void SetHighPassEnabled(bool on) = 0;
    virtual void SetHighPassFrequency(float hz) = 0;
    virtual float HighPassFrequency() const = 0;
    virtual void SetLowPassEnabled(bool on) = 0;
    virtual void SetLowPassFrequency(float hz) = 0;
    virtual float LowPassFrequency() const = 0;
    virtual void SetAgcEnabled(bool on) = 0;
    virtual void SetAgcLowLevel(std::int32_t db) = 0;
    virtual std::int32_t AgcLowLevel() const = 0;
    virtual void SetAgcHighLevel(std::int32_t db) = 0;
    virtual std::int32_t AgcHighLevel() const = 0;
    virtual void SetAgcAttackTime(std::int32_t ms) = 0;
    virtual std::int32_t AgcAttackTime() const = 0;

    // A second source recorded with the selected device, in step with it
    // (none by default: one source, as always). Read at Start; the gains
    // also during a take.
    virtual void SetSecondSource(const SecondSource& second) { (void)second; }
    virtual SecondSource GetSecondSource() const { return {}; }
    // Whether the device can be recorded together with another.
    virtual bool CanCombine(int device) const {
        (void)device;
        return false;
    }
    // The second source's loudest value since the last progress (0..32767).
    virtual int SecondLevel() const { return 0; }

  signals:
    void Timer(long CurrentSamples, int LevelLeft, int LevelRight);
    void EndArrayRecord(long nBlock);
    // One source of two went away mid-take: the take goes on with the other.
    void SourceLost(const std::string& name, long atSample);
};

}  // namespace qsr::audio
