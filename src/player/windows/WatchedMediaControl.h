#pragma once

#include <functional>

#include "platform/mediaplayer/MediaControl.h"

namespace qsr::player {

// The media control as the player face drives it: every call goes to the
// real one, and `changed` runs after each call that may start, stop or move
// playback and after the end of a file, so the face keeps its clocks running
// only while something moves. `refused`, when set, runs with the reason
// after a SetFileName that failed with one.
class WatchedMediaControl : public mediaplayer::IMediaControl {
  public:
    WatchedMediaControl(mediaplayer::IMediaControl& inner, std::function<void()> changed);
    void OnRefused(std::function<void(const QString& why)> refused) {
        refused_ = std::move(refused);
    }

    bool SetFileName(const QString& path) override;
    QString FileName() const override { return inner_.FileName(); }
    QString LastError() const override { return inner_.LastError(); }
    void Play() override;
    void Pause() override;
    void Stop() override;
    double CurrentPosition() const override { return inner_.CurrentPosition(); }
    void SetCurrentPosition(double seconds) override;
    double Duration() const override { return inner_.Duration(); }
    int Volume() const override { return inner_.Volume(); }
    bool SetVolume(int volume) override { return inner_.SetVolume(volume); }
    int Balance() const override { return inner_.Balance(); }
    bool SetBalance(int balance) override { return inner_.SetBalance(balance); }
    bool Playing() const override { return inner_.Playing(); }
    bool Paused() const override { return inner_.Paused(); }

  private:
    mediaplayer::IMediaControl& inner_;
    std::function<void()> changed_;
    std::function<void(const QString&)> refused_;
};

}  // namespace qsr::player
