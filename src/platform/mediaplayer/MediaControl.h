#pragma once

#include <QObject>
#include <QString>

namespace qsr::mediaplayer {

// The player window's media control. Volume is in hundredths of a decibel,
// 0 loudest and kMinVolume quietest; balance runs from kMinBalance (left only)
// to kMaxBalance (right only). A newly set file starts playing by itself.
// Positions and durations are in seconds. EndOfStream is emitted on the
// control's thread when the current file has played to its end.
class IMediaControl : public QObject {
    Q_OBJECT
  public:
    static constexpr int kMinVolume = -10000;
    static constexpr int kMaxVolume = 0;
    static constexpr int kMinBalance = -10000;
    static constexpr int kMaxBalance = 10000;

    using QObject::QObject;
    ~IMediaControl() override = default;

    // False when the file cannot be opened; nothing plays then.
    virtual bool SetFileName(const QString& path) = 0;
    // Why the last SetFileName failed, when the fault is not the file's own
    // but this install's (a module it needs cannot be loaded), in words for
    // the user; empty after a success or a file that is merely unreadable.
    virtual QString LastError() const = 0;
    virtual QString FileName() const = 0;
    virtual void Play() = 0;
    virtual void Pause() = 0;
    virtual void Stop() = 0;
    virtual double CurrentPosition() const = 0;
    virtual void SetCurrentPosition(double seconds) = 0;
    virtual double Duration() const = 0;
    virtual int Volume() const = 0;
    // False, and the volume unchanged, outside kMinVolume..kMaxVolume.
    virtual bool SetVolume(int volume) = 0;
    virtual int Balance() const = 0;
    // False, and the balance unchanged, outside kMinBalance..kMaxBalance.
    virtual bool SetBalance(int balance) = 0;
    virtual bool Playing() const = 0;
    virtual bool Paused() const = 0;

  signals:
    void EndOfStream();
};

// Linear gains for the left and right channels from volume and balance:
// the volume is a level in hundredths of a decibel, and a balance away from
// the centre lowers the other side by as many hundredths.
struct ChannelGains {
    double left;
    double right;
};
ChannelGains GainsFor(int volume, int balance);

}  // namespace qsr::mediaplayer
