#pragma once

#include <QObject>

#include "platform/audio-api/AudioTypes.h"

namespace qsr::audio {

// Plays queued blocks of samples. Events arrive on the owning thread.
class IAudioPlayer : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    ~IAudioPlayer() override = default;

    virtual void SetFormat(int rate, int channels) = 0;
    virtual long MillisecondsToSamples(long ms) const = 0;
    virtual long SamplesToMilliseconds(long samples) const = 0;
    virtual int Start() = 0;  // below 0 = failure
    virtual void Stop() = 0;
    virtual int Status() const = 0;           // below 0 = failure, 1 = playing, 0 = idle
    virtual long CurrentSamples() const = 0;  // played since Start
    virtual Samples LatestSamples(long n) const = 0;
    virtual void QueueBlock(const Samples& block) = 0;

  signals:
    void Timer(long CurrentSamples, int LevelLeft, int LevelRight);
    // The player wants another block (both names exist; RequestOnLoadArray comes first).
    void RequestOnLoadArray();
    void EndArrayPlay();
    // Ran dry after the last queued block.
    void EndPlay();
};

}  // namespace qsr::audio
