#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "platform/combine/StepLock.h"

using qsr::audio::Samples;
using qsr::audio::combine::StepLock;

namespace {

constexpr int kRate = 16000;
constexpr std::int64_t kPeriod = 4 * kRate;  // the second's test signal, in its own frames

// The second source plays a slow triangle: its value tells which of its
// frames it is, so the output shows where the second stands against the first.
std::int16_t Triangle(std::int64_t k) {
    const double phase = static_cast<double>(((k % kPeriod) + kPeriod) % kPeriod) / kPeriod;
    return static_cast<std::int16_t>(phase < 0.5 ? -30000 + 120000 * phase
                                                 : 90000 - 120000 * phase);
}

// The second's frame a triangle value stands for, the one nearest `expected`.
double FrameOf(std::int16_t v, double expected) {
    const double base = std::floor(expected / kPeriod) * kPeriod;
    double best = 1e18;
    for (double p = base - kPeriod; p <= base + kPeriod; p += kPeriod) {
        for (double phase : {(v + 30000) / 120000.0, (90000 - v) / 120000.0}) {
            const double k = p + phase * kPeriod;
            if (std::abs(k - expected) < std::abs(best - expected)) best = k;
        }
    }
    return best;
}

struct Outcome {
    double maxOffset = 0;  // seconds, over the whole run after the lead-in
    double finalOffset = 0;
    std::int64_t checked = 0;
    std::int64_t frames = 0;
    bool firstIntact = true;
};

// Two sources for `seconds` of real time: the second's clock runs `drift`
// fast and starts `lateStart` seconds after the first; each arrives in
// batches about every 100 ms with jittered times, each newest time known
// to within 2 ms; the owner takes every 200 ms.
Outcome Simulate(StepLock& lock, double seconds, double drift, double lateStart,
                 double wander = 0) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> jitter(-0.02, 0.02), stamp(-0.002, 0.002);
    Outcome run;
    std::int64_t sent1 = 0, sent2 = 0;
    double next1 = 0.013, next2 = 0.071, nextTake = 0.2;
    Samples a, b, outA, outB;
    // What the stop flushes has silence where the second's last arrival was
    // still on its way: checked for the first only.
    auto check = [&](bool measure) {
        for (std::size_t i = 0; i < outA.size(); ++i, ++run.frames) {
            // The first's frame this is: the take begins when both have sound.
            const std::int64_t j = lock.LeadFrames() + run.frames;
            if (outA[i] != static_cast<std::int16_t>(j % 20000)) run.firstIntact = false;
            if (!measure || j % 997 != 0 || std::abs(int{outB[i]}) > 28000) continue;
            // Where the second stood when the first captured this frame.
            const double t = static_cast<double>(j) / kRate;
            const double expected = (t - lateStart) * kRate * drift;
            if (expected < kRate / 100) continue;  // the resampler fades in
            const double offset = (FrameOf(outB[i], expected) - expected) / (kRate * drift);
            run.maxOffset = std::max(run.maxOffset, std::abs(offset));
            run.finalOffset = offset;
            ++run.checked;
        }
        outA.clear();
        outB.clear();
    };
    while (nextTake < seconds) {
        const double t = std::min({next1, next2, nextTake});
        if (t == next1) {
            a.clear();
            const auto upTo = static_cast<std::int64_t>(t * kRate);
            for (; sent1 < upTo; ++sent1) a.push_back(static_cast<std::int16_t>(sent1 % 20000));
            lock.AddFirst(a, static_cast<double>(sent1 - 1) / kRate + stamp(random));
            next1 = t + 0.1 + jitter(random);
        } else if (t == next2) {
            b.clear();
            const auto upTo = static_cast<std::int64_t>((t - lateStart) * kRate * drift);
            for (; sent2 < upTo; ++sent2) b.push_back(Triangle(sent2));
            if (!b.empty())
                lock.AddSecond(b, lateStart + static_cast<double>(sent2 - 1) / (kRate * drift) +
                                      stamp(random) + wander * std::sin(2 * M_PI * t / 5.3));
            next2 = t + 0.1 + jitter(random);
        } else {
            lock.Take(outA, outB);
            EXPECT_EQ(outA.size(), outB.size());
            check(true);
            nextTake = t + 0.2;
        }
    }
    lock.Flush(outA, outB);
    check(false);
    // Every frame of the first came out, once, from the second's start on.
    EXPECT_EQ(run.frames, sent1 - lock.LeadFrames());
    EXPECT_NEAR(static_cast<double>(lock.LeadFrames()) / kRate, lateStart, 0.01);
    return run;
}

}  // namespace

TEST(StepLock, KeepsClocksThatDifferByThreeTenthsOfAPercentInStepForAnHour) {
    StepLock lock(kRate, 1);
    const Outcome run = Simulate(lock, 3600, 1.003, 0.137);
    EXPECT_TRUE(run.firstIntact);  // the first's frames in order, none dropped or doubled
    EXPECT_GT(run.checked, 50000);
    EXPECT_LT(run.maxOffset, 0.010);
    EXPECT_LT(std::abs(run.finalOffset), StepLock::kDeadBandSeconds + 0.001);
    // Aligned once at the start, never again: no block of the second was
    // skipped, repeated or filled with silence to catch up.
    EXPECT_EQ(lock.Realigned(), 0);
    EXPECT_LE(lock.SilentFrames(), 64);
    EXPECT_NEAR(lock.Ratio(), 1.003, 0.001);  // it learnt the clocks' difference
    std::printf("drift over the hour: max %.2f ms, at the end %.2f ms\n", run.maxOffset * 1000,
                run.finalOffset * 1000);
}

TEST(StepLock, ASlowSecondClockAndALateArrivalAlignAtOnce) {
    StepLock lock(kRate, 1);
    const Outcome run = Simulate(lock, 120, 0.997, 0.4);
    EXPECT_TRUE(run.firstIntact);
    EXPECT_LT(run.maxOffset, 0.010);
    EXPECT_EQ(lock.Realigned(), 0);
}

TEST(StepLock, ALostSecondLeavesTheFirstWhole) {
    StepLock lock(kRate, 2);
    Samples a(2 * 1600, 5), b(2 * 1600, 9), outA, outB;
    lock.AddFirst(a, 0.1);
    lock.AddSecond(b, 0.1);
    lock.Take(outA, outB);
    lock.LoseSecond();
    lock.AddFirst(a, 0.2);
    lock.AddSecond(b, 0.2);  // too late: it was lost
    lock.Flush(outA, outB);
    ASSERT_EQ(outA.size(), 2u * 3200);
    ASSERT_EQ(outB.size(), outA.size());
    EXPECT_TRUE(std::all_of(outA.begin(), outA.end(), [](std::int16_t v) { return v == 5; }));
    // After the loss, silence for the second.
    EXPECT_TRUE(std::all_of(outB.end() - 3200, outB.end(), [](std::int16_t v) { return v == 0; }));
}

TEST(StepLock, ASecondThatNeverComesHoldsTheFirstOnlyBriefly) {
    StepLock lock(kRate, 1);
    Samples a(kRate / 10, 3), outA, outB;
    double t = 0;
    for (int i = 0; i < 30; ++i) {
        t += 0.1;
        lock.AddFirst(a, t);
        lock.Take(outA, outB);
    }
    // Three seconds in: at most a second held back, silence beside the rest.
    EXPECT_GE(outA.size(), static_cast<std::size_t>(2 * kRate - kRate / 10));
    EXPECT_EQ(outB.size(), outA.size());
}

TEST(StepLock, EqualClocksWithWanderingTimesStayPut) {
    // The second's capture times wander by 6 ms (a source that sends in
    // chunks); the loop must not chase that and move the second about.
    StepLock lock(kRate, 1);
    const Outcome run = Simulate(lock, 300, 1.0, 0.05, 0.006);
    EXPECT_TRUE(run.firstIntact);
    EXPECT_LT(run.maxOffset, 0.004);
    EXPECT_NEAR(lock.Ratio(), 1.0, 0.001);
}
