#pragma once

#include <QString>
#include <map>

#include "platform/mediaplayer/MediaControl.h"

namespace qsr::fakes {

// A media control on a clock of its own: files are registered with their
// length (anything else cannot be opened), and Advance moves the clock,
// emitting EndOfStream when a playing file reaches its end.
// Only a file added as refused gives a reason for its failure.
class FakeMediaControl : public mediaplayer::IMediaControl {
    Q_OBJECT
  public:
    using IMediaControl::IMediaControl;

    void AddFile(const QString& path, double seconds) { files_[path] = seconds; }
    // A file refused with `why` as the reason (a module this install lacks).
    void AddRefused(const QString& path, const QString& why) { refused_[path] = why; }
    void Advance(double seconds);

    bool SetFileName(const QString& path) override;
    QString FileName() const override { return fileName_; }
    QString LastError() const override { return lastError_; }
    void Play() override;
    void Pause() override;
    void Stop() override;
    double CurrentPosition() const override { return position_; }
    void SetCurrentPosition(double seconds) override;
    double Duration() const override { return duration_; }
    int Volume() const override { return volume_; }
    bool SetVolume(int volume) override;
    int Balance() const override { return balance_; }
    bool SetBalance(int balance) override;
    bool Playing() const override { return playing_; }
    bool Paused() const override { return paused_; }

  private:
    std::map<QString, double> files_;
    std::map<QString, QString> refused_;
    QString fileName_;
    QString lastError_;
    double duration_ = 0;
    double position_ = 0;
    bool playing_ = false;
    bool paused_ = false;
    int volume_ = 0;
    int balance_ = 0;
};

}  // namespace qsr::fakes
