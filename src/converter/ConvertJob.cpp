#include "converter/ConvertJob.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "converter/ConvertRules.h"

namespace qsr::converter {

ConvertJob::Outcome ConvertJob::Fail(std::string why) {
    reason_ = std::move(why);
    if (reason_.empty()) reason_ = "unknown error";
    return Outcome::Failed;
}

void ConvertJob::Report(double percent, bool force) {
    if (!onProgress) return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - lastReport_ < progressInterval) return;
    lastReport_ = now;
    onProgress(percent);
}

ConvertJob::Outcome ConvertJob::Convert(const std::string& source, const std::string& target) {
    reason_.clear();
    frames_ = damaged_ = 0;
    lastReport_ = {};
    Report(0.0, true);
    // The writer truncates its target on create; were that the input, the
    // reader would read what is being destroyed.
    if (IsSameFile(source, target)) {
        reason_ = "output is the input file";
        return Outcome::Skipped;
    }
    if (reader_.OpenFile(source) < 0 || reader_.Status() < 0) {
        const std::string why = reader_.LastError();
        reader_.Close();
        return Fail(why);
    }
    const int rate = reader_.SampleRate();
    rate_ = rate;
    const int channels = reader_.ChannelCount();
    if (rate <= 0 || channels <= 0) {
        reader_.Close();
        return Fail("the input holds no sound");
    }
    std::error_code ec;
    const bool existed = std::filesystem::exists(target, ec);
    // Some encoders take their input format before create, the rest after.
    writer_.SetInputFormat(rate, channels);
    if (writer_.CreateFile(target) < 0 || writer_.Status() < 0) {
        const std::string why = writer_.LastError();
        reader_.Close();
        // Leave nothing half-made behind for a step that could not even start.
        if (!existed) std::filesystem::remove(target, ec);
        return Fail(why);
    }
    writer_.SetInputFormat(rate, channels);

    const std::int64_t total = reader_.TotalSamples();
    const double unit = reader_.SizeValue();
    const long n = static_cast<long>(channels) * rate;
    double position = 0;
    Outcome outcome = Outcome::Complete;
    std::string why;
    while (!cancelled_) {
        const audio::Samples block = reader_.ReadBlock(n);
        if (block.empty()) {
            if (reader_.Status() < 0) {
                outcome = Outcome::Failed;
                why = reader_.LastError();
            }
            break;
        }
        if (writer_.WriteBlock(block) < 0) {
            outcome = Outcome::Failed;
            why = writer_.LastError();
            break;
        }
        frames_ += static_cast<std::int64_t>(block.size()) / channels;
        position =
            AdvancePosition(position, static_cast<std::int64_t>(block.size() * 2), unit, total);
        Report(ProgressPercent(position, total), false);
        if (onBlock) onBlock();
    }
    if (outcome == Outcome::Complete && cancelled_) outcome = Outcome::Cancelled;
    // Closing writes the headers and trailers, so a cancelled file plays too.
    writer_.Close();
    if (outcome != Outcome::Failed && writer_.Status() < 0) {
        outcome = Outcome::Failed;
        why = writer_.LastError();
    }
    damaged_ = reader_.DamagedFrames();
    reader_.Close();
    if (outcome == Outcome::Failed) return Fail(why);
    Report(100.0, true);
    return outcome;
}

StepEntry StepEntryFor(const std::string& format, ConvertJob::Outcome outcome,
                       const std::string& reason, std::int64_t damagedFrames) {
    switch (outcome) {
        case ConvertJob::Outcome::Skipped:
            return {"Skip Convert To " + format + ": " + reason, true};
        case ConvertJob::Outcome::Failed:
            return {"failed Convert To " + format + ": " + reason, true};
        case ConvertJob::Outcome::Cancelled:
            // The target holds only the part written before the cancel.
            return {"Cancel Convert To " + format + ": the file is incomplete", true};
        default:
            if (damagedFrames > 0)
                return {"complete Convert To " + format + ": the input is damaged; " +
                            std::to_string(damagedFrames) + " bad frames were skipped",
                        false, true};
            return {"complete Convert To " + format, false};
    }
}

}  // namespace qsr::converter
