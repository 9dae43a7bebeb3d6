#include "app/RecordingLoudness.h"

#include <filesystem>
#include <utility>

#include "converter/ConvertJob.h"
#include "core/AtomicFile.h"
#include "platform/loudness/Loudness.h"
#include "recording/LiveRecordings.h"
#include "settings/ApplySettings.h"

namespace qsr::app {

std::string LoudnessLine(const loudness::Measurement& m) {
    switch (m.outcome) {
        case loudness::Measurement::Outcome::Measured:
            return "Loudness: " + loudness::SummaryText(m.figures);
        case loudness::Measurement::Outcome::Cancelled:
            return {};
        default:
            return "Loudness: none (" + m.reason + ")";
    }
}

RecordingLoudness::RecordingLoudness(audio::IAudioEngine& engine,
                                     std::function<settings::FormatValues()> formats,
                                     std::string journal)
    : engine_(engine), formats_(std::move(formats)), journal_(std::move(journal)) {}

RecordingLoudness::~RecordingLoudness() {
    // The worker waits for the job in hand: let it stop at its next block.
    stopping_ = true;
    std::lock_guard lock(jobLock_);
    if (job_) job_->Cancel();
}

std::optional<RecordingLoudness::Stamp> RecordingLoudness::StampOf(const std::string& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) return std::nullopt;
    const auto time = std::filesystem::last_write_time(path, ec);
    if (ec) return std::nullopt;
    return Stamp{size, static_cast<long long>(time.time_since_epoch().count())};
}

std::optional<std::string> RecordingLoudness::Known(const std::string& path) const {
    const auto it = known_.find(path);
    if (it == known_.end()) return std::nullopt;
    const std::optional<Stamp> now = StampOf(path);
    if (!now || !(*now == it->second.first)) return std::nullopt;
    return it->second.second;
}

void RecordingLoudness::Measure(const std::string& path) {
    if (const std::optional<std::string> line = Known(path)) {
        if (onMeasured) onMeasured(path, *line);
        return;
    }
    queue_.push_back({path, std::nullopt});
    Next();
}

void RecordingLoudness::Normalise(const std::string& path, const loudness::Target& target) {
    queue_.push_back({path, target});
    Next();
}

std::string RecordingLoudness::MeasureNow(audio::IAudioFile& reader, const std::string& path,
                                          const settings::FormatValues& values) {
    settings::ApplyFormatValues(reader, values);  // headerless files
    return LoudnessLine(loudness::MeasureFile(reader, path, &stopping_));
}

std::string RecordingLoudness::NormaliseNow(audio::IAudioFile* reader, audio::IAudioFile* writer,
                                            const std::string& path, const loudness::Target& target,
                                            const settings::FormatValues& values, bool& failed) {
    failed = true;
    if (!reader || !writer) return "no file component";
    // As the converter does: the option (dither) on for both.
    reader->SetOption(true);
    writer->SetOption(true);
    settings::ApplyFormatValues(*reader, values);
    settings::ApplyFormatValues(*writer, values);
    core::RemoveLeftCopies(path);
    core::ReplacingFile copy;
    std::string why;
    const auto dot = path.find_last_of('.');
    if (!copy.Begin(path, &why, dot == std::string::npos ? "" : path.substr(dot)))
        return core::CouldNotSaveMessage(path, why);
    converter::ConvertJob job(*reader, *writer);
    job.normalise = target;
    {
        std::lock_guard lock(jobLock_);
        job_ = &job;
    }
    if (stopping_) job.Cancel();
    const converter::ConvertJob::Outcome outcome = job.Convert(path, copy.TempPath());
    {
        std::lock_guard lock(jobLock_);
        job_ = nullptr;
    }
    if (outcome != converter::ConvertJob::Outcome::Complete || job.FramesWritten() == 0) {
        copy.Discard();
        return "not normalised: " + (job.Reason().empty() ? "stopped" : job.Reason());
    }
    // A recording may have started into it meanwhile: it must not be cut off.
    if (recording::IsBeingRecorded(path, journal_)) {
        copy.Discard();
        return "not normalised: " + recording::BeingRecordedMessage(path);
    }
    if (!copy.Commit(&why)) return core::CouldNotSaveMessage(path, why);
    failed = false;
    return job.GainNote();
}

void RecordingLoudness::Next() {
    if (inHand_ || queue_.empty()) return;
    Job job = std::move(queue_.front());
    queue_.pop_front();
    // The results, filled in the worker, read back on this thread after it.
    auto line = std::make_shared<std::string>();
    auto note = std::make_shared<std::string>();
    auto failed = std::make_shared<bool>(false);
    auto stamp = std::make_shared<std::optional<Stamp>>();
    // Read and made here: the window may change the values while the job
    // runs, and the engine is the owner thread's.
    const settings::FormatValues values = formats_();
    std::shared_ptr<audio::IAudioFile> reader = engine_.CreateFile();
    std::shared_ptr<audio::IAudioFile> writer =
        job.normalise ? std::shared_ptr<audio::IAudioFile>(engine_.CreateFile()) : nullptr;
    const bool started = worker_.Start(
        [this, job, values, reader, writer, line, note, failed, stamp] {
            if (job.normalise) {
                bool f = true;
                *note =
                    NormaliseNow(reader.get(), writer.get(), job.path, *job.normalise, values, f);
                *failed = f;
            }
            if (stopping_) return;
            *stamp = StampOf(job.path);
            if (reader) *line = MeasureNow(*reader, job.path, values);
        },
        [this, job, line, note, failed, stamp] {
            inHand_ = false;
            if (!line->empty() && *stamp) known_[job.path] = {**stamp, *line};
            if (job.normalise && onNormalised) onNormalised(job.path, *note, *failed);
            if (!line->empty() && onMeasured) onMeasured(job.path, *line);
            Next();
        });
    if (started)
        inHand_ = true;
    else
        queue_.push_front(std::move(job));
}

}  // namespace qsr::app
