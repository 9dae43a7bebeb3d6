#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include "platform/pulse/PulseCapture.h"

using qsr::audio::BlockCutter;
using qsr::audio::CaptureBuffer;
using qsr::audio::RecentSamples;
using qsr::audio::Samples;

// A producer (the sound-server thread) appends in uneven pieces while the
// consumer (the user-interface thread) stalls for two seconds: every value
// comes out of the blocks, in order, none twice.
TEST(CaptureAccounting, StalledConsumerLosesNothing) {
    CaptureBuffer buffer;
    BlockCutter cutter;
    const std::size_t blockValues = 2 * 4410;  // 100 ms of stereo at 44100 Hz
    cutter.Reset(blockValues);

    std::atomic<bool> producing{true};
    std::int64_t produced = 0;
    std::thread producer([&] {
        std::mt19937 rng(7);
        std::uniform_int_distribution<int> piece(1, 3000);
        std::int16_t next = 0;
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(2500);
        Samples chunk;
        while (std::chrono::steady_clock::now() < until) {
            chunk.resize(static_cast<std::size_t>(piece(rng)));
            for (auto& v : chunk) v = next++;
            buffer.Append(chunk.data(), chunk.size());
            produced += static_cast<std::int64_t>(chunk.size());
            if (produced % 7 == 0) buffer.AppendSilence(0);  // a hole of no length changes nothing
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        producing = false;
    });

    Samples out;
    std::vector<long> numbers;
    auto drain = [&] {
        for (long n : cutter.Add(buffer.TakeAll())) {
            numbers.push_back(n);
            Samples b = cutter.Take(n);
            EXPECT_EQ(b.size(), blockValues);
            out.insert(out.end(), b.begin(), b.end());
        }
    };
    drain();
    std::this_thread::sleep_for(std::chrono::seconds(2));  // the stall
    while (producing) drain();
    producer.join();
    drain();
    if (auto last = cutter.Flush()) {
        numbers.push_back(*last);
        Samples b = cutter.Take(*last);
        EXPECT_LT(b.size(), blockValues);
        out.insert(out.end(), b.begin(), b.end());
    }

    ASSERT_EQ(static_cast<std::int64_t>(out.size()), produced);
    EXPECT_EQ(buffer.AppendedValues(), produced);
    EXPECT_EQ(cutter.CutValues(), produced);
    for (std::size_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(out[i], static_cast<std::int16_t>(i)) << "at " << i;
    for (std::size_t i = 0; i < numbers.size(); ++i) EXPECT_EQ(numbers[i], static_cast<long>(i));
}

TEST(CaptureAccounting, BlocksAreTakenOnceAndUnknownNumbersAreEmpty) {
    BlockCutter cutter;
    cutter.Reset(4);
    EXPECT_EQ(cutter.Add({1, 2, 3}), std::vector<long>{});
    EXPECT_EQ(cutter.Add({4, 5, 6, 7, 8, 9}), (std::vector<long>{0, 1}));
    EXPECT_EQ(cutter.Take(1), (Samples{5, 6, 7, 8}));
    EXPECT_EQ(cutter.Take(1), Samples{});
    EXPECT_EQ(cutter.Take(7), Samples{});
    EXPECT_EQ(cutter.Take(-1), Samples{});
    EXPECT_EQ(cutter.Flush(), 2);
    EXPECT_EQ(cutter.Take(2), Samples{9});
    EXPECT_EQ(cutter.Flush(), std::nullopt);  // nothing partial left: no empty block
    EXPECT_EQ(cutter.Take(0), (Samples{1, 2, 3, 4}));
    cutter.Reset(2);
    EXPECT_EQ(cutter.Take(0), Samples{});  // a new recording forgets the old blocks
}

TEST(CaptureAccounting, RecentSamplesKeepsTheNewestInOrder) {
    RecentSamples recent(5);
    EXPECT_EQ(recent.Latest(3), Samples{});
    recent.Add(Samples{1, 2, 3}.data(), 3);
    EXPECT_EQ(recent.Latest(10), (Samples{1, 2, 3}));
    for (std::int16_t v = 4; v <= 20; ++v) recent.Add(&v, 1);
    EXPECT_EQ(recent.Latest(4), (Samples{17, 18, 19, 20}));
    const Samples big{30, 31, 32, 33, 34, 35, 36};
    recent.Add(big.data(), big.size());
    EXPECT_EQ(recent.Latest(5), (Samples{32, 33, 34, 35, 36}));
    EXPECT_EQ(recent.Latest(0), Samples{});
}

// A hole the server reports keeps its place in time as silence; holes and
// overflows are counted as dropouts, from the server thread, until reset.
TEST(CaptureAccounting, HolesAndOverflowsCountAsDropouts) {
    CaptureBuffer buffer;
    const Samples piece{1, 2, 3, 4};
    std::thread server([&] {
        buffer.Append(piece.data(), piece.size());
        buffer.AppendHole(3);
        buffer.NoteOverflow();
        buffer.Append(piece.data(), 2);
        buffer.AppendSilence(2);  // silence of our own making is no dropout
    });
    server.join();
    EXPECT_EQ(buffer.TakeAll(), (Samples{1, 2, 3, 4, 0, 0, 0, 1, 2, 0, 0}));
    EXPECT_EQ(buffer.Dropouts(), 2);
    buffer.ResetDropouts();
    EXPECT_EQ(buffer.Dropouts(), 0);
}
