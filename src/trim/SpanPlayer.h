#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio-api/AudioEngine.h"
#include "trim/EditList.h"

namespace qsr::trim {

// Plays a span of the edited timeline: the original's pieces that are left
// in it, one after the other, read from the file as the player asks.
class SpanPlayer : public QObject {
    Q_OBJECT
  public:
    explicit SpanPlayer(audio::IAudioEngine& engine) : engine_(engine) {}
    ~SpanPlayer() override;
    // Gives each reader the formats of headerless files.
    void SetReadAs(std::function<void(audio::IAudioFile&)> readAs) { readAs_ = std::move(readAs); }

    // False with the reason when the file or the player does not start.
    bool Play(const std::string& path, const EditList& edits, SampleSpan edited, std::string& why);
    void Stop();
    bool Playing() const { return playing_; }
    // The edited position being heard; meaningful while Playing().
    std::int64_t Position() const;

  signals:
    void Stopped();

  private:
    void Feed();
    audio::IAudioEngine& engine_;
    std::function<void(audio::IAudioFile&)> readAs_;
    std::unique_ptr<audio::IAudioFile> reader_;
    std::unique_ptr<audio::IAudioPlayer> player_;
    std::vector<SampleSpan> pieces_;  // of the original, in order
    std::size_t piece_ = 0;
    std::int64_t next_ = 0;  // the original position read next
    std::int64_t start_ = 0, length_ = 0;
    bool playing_ = false;
};

}  // namespace qsr::trim
