#include "converter/ConvertJob.h"

#include <cmath>
#include <filesystem>
#include <system_error>
#include <utility>

#include "converter/ConvertRules.h"
#include "platform/loudness/Loudness.h"
#include "platform/loudness/PeakLimiter.h"

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
    onProgress(progressFrom_ + percent * progressSpan_ / 100.0);
}

std::optional<ConvertJob::Outcome> ConvertJob::MeasureForNormalising(const std::string& source,
                                                                     loudness::Figures& in,
                                                                     loudness::Figures& mixed) {
    progressSpan_ = 50;
    const loudness::Measurement m = loudness::MeasureFile(
        reader_, source, &cancelled_, [this](double percent) { Report(percent, false); }, true);
    progressFrom_ = 50;
    switch (m.outcome) {
        case loudness::Measurement::Outcome::Cancelled:
            return Outcome::Cancelled;
        case loudness::Measurement::Outcome::Measured:
            break;
        default:
            return Fail("cannot be normalised: " + m.reason);
    }
    in = m.figures;
    mixed = m.mixed ? *m.mixed : m.figures;
    return std::nullopt;
}

std::optional<loudness::GainPlan> ConvertJob::PlanNormalising(const loudness::Figures& in,
                                                              const loudness::Figures& mixed,
                                                              int channels) {
    // The gain goes on before the writer brings the sound to its channels;
    // the target is the loudness of what it writes: a mono input copied to
    // two channels counts twice, a stereo one averaged into one is the mix.
    loudness::Figures written = in;
    const int out = writer_.EncoderChannels();
    if (channels == 1 && out == 2 && written.integrated)
        *written.integrated += 10.0 * std::log10(2.0);
    if (channels == 2 && out == 1) written = mixed;
    std::optional<loudness::GainPlan> plan = loudness::PlanGain(written, *normalise);
    gainNote_ = plan ? loudness::GainPlanText(*plan, *normalise) : "silence: not normalised";
    return plan;
}

std::optional<double> ConvertJob::LimitedLoudness(const std::string& source,
                                                  const loudness::GainPlan& plan, int out) {
    if (reader_.OpenFile(source) < 0) return std::nullopt;
    const int rate = reader_.SampleRate(), channels = reader_.ChannelCount();
    const bool mix = channels == 2 && out == 1;
    loudness::Meter meter(rate, mix ? 1 : channels);
    loudness::GainStage gain(rate, channels, plan.gain, plan.limit, plan.ceiling);
    audio::Samples mixed;
    const auto add = [&](const audio::Samples& s) {
        if (!mix) return meter.Add(s.data(), s.size() / static_cast<std::size_t>(channels));
        mixed.resize(s.size() / 2);
        for (std::size_t i = 0; i < mixed.size(); ++i)
            mixed[i] = static_cast<std::int16_t>((s[2 * i] + s[2 * i + 1]) / 2);
        return meter.Add(mixed.data(), mixed.size());
    };
    const long n = static_cast<long>(channels) * rate;
    for (audio::Samples block; !cancelled_ && !(block = reader_.ReadBlock(n)).empty();)
        add(gain.Process(block));
    add(gain.Flush());
    const bool failed = reader_.Status() < 0 || cancelled_;
    reader_.Close();
    const std::optional<double> lufs = meter.Result().integrated;
    if (failed || !lufs) return std::nullopt;
    return channels == 1 && out == 2 ? *lufs + 10.0 * std::log10(2.0) : *lufs;
}

bool ConvertJob::CorrectForLimiting(const std::string& source, loudness::GainPlan& plan) {
    // What the limiter takes off the peaks is loudness lost: the gain is
    // raised by what the limited sound still lacks, a few rounds at most.
    for (int round = 0; round < 3; ++round) {
        const std::optional<double> lufs = LimitedLoudness(source, plan, writer_.EncoderChannels());
        if (!lufs) return false;
        const double lacking = normalise->lufs - *lufs;
        if (std::fabs(lacking) < 0.1) break;
        plan.gain += lacking;
    }
    return true;
}

ConvertJob::Outcome ConvertJob::Convert(const std::string& source, const std::string& target) {
    reason_.clear();
    gainNote_.clear();
    frames_ = damaged_ = 0;
    lastReport_ = {};
    progressFrom_ = 0;
    progressSpan_ = 100;
    Report(0.0, true);
    // The writer truncates its target on create; were that the input, the
    // reader would read what is being destroyed.
    if (IsSameFile(source, target)) {
        reason_ = "output is the input file";
        return Outcome::Skipped;
    }
    loudness::Figures measured, mixed;
    if (normalise) {
        if (const std::optional<Outcome> ended = MeasureForNormalising(source, measured, mixed))
            return *ended;
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
    std::optional<loudness::GainStage> gain;
    std::optional<loudness::GainPlan> plan =
        normalise ? PlanNormalising(measured, mixed, channels) : std::nullopt;
    if (plan && plan->limit) {
        reader_.Close();
        const bool corrected = CorrectForLimiting(source, *plan);
        if (!corrected || reader_.OpenFile(source) < 0 || reader_.Status() < 0) {
            writer_.Close();
            if (cancelled_) return Outcome::Cancelled;
            const std::string why = reader_.LastError();
            reader_.Close();
            return Fail(why.empty() ? "the input could not be read again" : why);
        }
        gainNote_ = loudness::GainPlanText(*plan, *normalise);
    }
    if (plan) gain.emplace(rate, channels, plan->gain, plan->limit, plan->ceiling);
    const auto write = [&](const audio::Samples& samples) {
        if (samples.empty()) return true;
        if (writer_.WriteBlock(samples) < 0) return false;
        frames_ += static_cast<std::int64_t>(samples.size()) / channels;
        return true;
    };

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
        if (!write(gain ? gain->Process(block) : block)) {
            outcome = Outcome::Failed;
            why = writer_.LastError();
            break;
        }
        position =
            AdvancePosition(position, static_cast<std::int64_t>(block.size() * 2), unit, total);
        Report(ProgressPercent(position, total), false);
        if (onBlock) onBlock();
    }
    if (outcome == Outcome::Complete && cancelled_) outcome = Outcome::Cancelled;
    // What the limiter still holds back.
    if (outcome != Outcome::Failed && gain && !write(gain->Flush())) {
        outcome = Outcome::Failed;
        why = writer_.LastError();
    }
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

std::optional<StepEntry> GainEntryFor(const std::string& format, const std::string& note) {
    if (note.empty()) return std::nullopt;
    return StepEntry{"Convert To " + format + ": " + note, false};
}

}  // namespace qsr::converter
