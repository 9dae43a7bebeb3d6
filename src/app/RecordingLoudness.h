#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "platform/audio-api/AudioEngine.h"
#include "platform/loudness/LoudnessRules.h"
#include "platform/services/Worker.h"
#include "settings/FormatValues.h"

namespace qsr::converter {
class ConvertJob;
}

namespace qsr::app {

// The loudness of the recordings list's files, and the normalising of a take
// when the Output Files page asks for it: each job in a worker of its own,
// one at a time, the rest queued. Widget-free; the main window shows what
// it posts.
class RecordingLoudness {
  public:
    // `formats` gives the format values as a job starts (the
    // recording's own, for a file written again); `journal` is the recovery
    // journal that tells whether a file is being recorded.
    RecordingLoudness(audio::IAudioEngine& engine, std::function<settings::FormatValues()> formats,
                      std::string journal);
    ~RecordingLoudness();
    RecordingLoudness(const RecordingLoudness&) = delete;
    RecordingLoudness& operator=(const RecordingLoudness&) = delete;

    // What is known of the file as it is now (same size and time as when
    // measured): the tooltip's line; none when it must be measured.
    std::optional<std::string> Known(const std::string& path) const;
    // Measures the file unless it is known as it is; then onMeasured.
    void Measure(const std::string& path);
    // Writes the file again with the gain that brings it to `target` (beside
    // it, then renamed over it: a failure leaves it as it was); then
    // onNormalised with what was applied, or why nothing was.
    void Normalise(const std::string& path, const loudness::Target& target);

    // On the owner's thread.
    std::function<void(const std::string& path, const std::string& line)> onMeasured;
    std::function<void(const std::string& path, const std::string& note, bool failed)> onNormalised;

    // A job is running or waiting.
    bool Busy() const { return inHand_ || !queue_.empty(); }

  private:
    struct Job {
        std::string path;
        std::optional<loudness::Target> normalise;  // else: measure
    };
    struct Stamp {
        std::uintmax_t size = 0;
        long long modified = 0;
        bool operator==(const Stamp&) const = default;
    };
    static std::optional<Stamp> StampOf(const std::string& path);
    void Next();
    std::string MeasureNow(audio::IAudioFile& reader, const std::string& path,
                           const settings::FormatValues& values);
    std::string NormaliseNow(audio::IAudioFile* reader, audio::IAudioFile* writer,
                             const std::string& path, const loudness::Target& target,
                             const settings::FormatValues& values, bool& failed);

    audio::IAudioEngine& engine_;
    std::function<settings::FormatValues()> formats_;
    std::string journal_;
    std::map<std::string, std::pair<Stamp, std::string>> known_;
    std::deque<Job> queue_;
    bool inHand_ = false;  // from a job's start until its results are told
    std::atomic<bool> stopping_{false};
    std::mutex jobLock_;
    converter::ConvertJob* job_ = nullptr;  // the normalising in hand, to cancel
    // Last: destroyed first, it cancels and waits for the job in hand.
    services::Worker worker_;
};

// The tooltip's line of a measurement: "Loudness: -23.0 LUFS, range 0.0 LU,
// true peak -20.0 dBTP, sample peak -20.0 dBFS", or why there is none.
std::string LoudnessLine(const loudness::Measurement& m);

}  // namespace qsr::app
