// The read-ahead worker over a source that can be held in the middle of a
// read, as a CD drive spinning up is.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "platform/mediaplayer/ReadAhead.h"

namespace qsr::mediaplayer {
namespace {

using namespace std::chrono_literals;

// Frames whose left sample tells their place in the source, up to kEnd;
// a read can be held until it is let go.
struct HeldSource {
    static constexpr std::int64_t kEnd = 10000;
    std::mutex m;
    std::condition_variable cv;
    std::int64_t at = 0;
    bool holdNext = false;
    bool held = false;

    std::vector<std::int16_t> Read(std::int64_t frames) {
        std::unique_lock lock(m);
        if (holdNext) {
            held = true;
            cv.notify_all();
            cv.wait(lock, [this] { return !holdNext; });
            held = false;
        }
        std::vector<std::int16_t> out;
        for (std::int64_t i = 0; i < frames && at < kEnd; ++i, ++at) {
            out.push_back(static_cast<std::int16_t>(at));
            out.push_back(0);
        }
        return out;
    }
    void Seek(std::int64_t frame) {
        std::lock_guard lock(m);
        at = frame;
    }
    ReadAhead::Source AsSource() {
        return {[this](std::int64_t n) { return Read(n); }, [this](std::int64_t f) { Seek(f); }};
    }
};

TEST(ReadAhead, ASeekDuringAHeldReadDropsItsBlockAndTheNextTakeStartsThere) {
    HeldSource source;
    {
        std::lock_guard lock(source.m);
        source.holdNext = true;
    }
    ReadAhead feed(source.AsSource(), 2000, 100);
    {
        std::unique_lock lock(source.m);
        ASSERT_TRUE(source.cv.wait_for(lock, 20s, [&] { return source.held; }));
    }
    // Neither the seek nor a take waits for the held read.
    feed.Seek(5000);
    std::vector<std::int16_t> out;
    EXPECT_EQ(feed.Take(10, out, 0ms), 0);
    EXPECT_FALSE(feed.Ended());
    {
        std::lock_guard lock(source.m);
        source.holdNext = false;
    }
    source.cv.notify_all();
    ASSERT_TRUE(feed.WaitReady(20s));
    ASSERT_EQ(feed.Take(10, out, 0ms), 10);
    EXPECT_EQ(out[0], 5000);  // the block read before the seek is gone
    EXPECT_EQ(out[18], 5009);
    // On to the end of the source, and no further.
    out.clear();
    std::int64_t taken = 0;
    while (!feed.Ended()) taken += feed.Take(1000, out, 1000ms);
    EXPECT_EQ(taken, HeldSource::kEnd - 5000 - 10);
    ASSERT_GE(out.size(), 2u);
    EXPECT_EQ(out[out.size() - 2], HeldSource::kEnd - 1);
}

}  // namespace
}  // namespace qsr::mediaplayer
