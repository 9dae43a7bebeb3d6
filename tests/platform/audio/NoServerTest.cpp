#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdlib>
#include <string>

#include "platform/pulse/PulsePlayer.h"
#include "platform/pulse/PulseRecorder.h"
#include "support/TempDir.h"

using qsr::audio::PulsePlayer;
using qsr::audio::PulseRecorder;

namespace {

// Points the client library at a server address for one test.
class ServerAddress {
  public:
    explicit ServerAddress(const std::string& address) {
        if (const char* old = std::getenv("PULSE_SERVER")) old_ = old, had_ = true;
        setenv("PULSE_SERVER", address.c_str(), 1);
    }
    ~ServerAddress() {
        if (had_)
            setenv("PULSE_SERVER", old_.c_str(), 1);
        else
            unsetenv("PULSE_SERVER");
    }

  private:
    std::string old_;
    bool had_ = false;
};

void ExpectNoDevices(PulseRecorder& r) {
    EXPECT_EQ(r.DeviceCount(), 0);
    for (int i : {-1, 0, 1, 5}) {
        r.SelectDevice(i);
        EXPECT_FALSE(r.DeviceUsable());
        EXPECT_EQ(r.DeviceName(), "");
        EXPECT_EQ(r.SourceLastIndex(), -1);
        EXPECT_EQ(r.AdvancedLastIndex(), -1);
        EXPECT_FALSE(r.HasVolume());
        r.SetVolume(1000);
        r.SetSourceActive(true);
        r.AdvancedSet(0, 1);
    }
    EXPECT_LT(r.Start(), 0);
    EXPECT_LT(r.Status(), 0);
    r.Stop();
    EXPECT_EQ(r.TakeBlock(0), qsr::audio::Samples{});
}

}  // namespace

TEST(NoServer, RecorderAndPlayerReportNothingAndFail) {
    qsr::testing::TempDir dir;
    ServerAddress address("unix:" + dir.File("no-such-socket"));
    PulseRecorder r;
    ExpectNoDevices(r);
    PulsePlayer p;
    EXPECT_LT(p.Start(), 0);
    EXPECT_LT(p.Status(), 0);
    p.QueueBlock({1, 2, 3, 4});
    p.Stop();
    EXPECT_EQ(p.CurrentSamples(), 0);
}

// A server that accepts the connection and then never answers must not hang
// the program: the connect gives up after its timeout.
TEST(NoServer, SilentServerTimesOut) {
    qsr::testing::TempDir dir;
    const std::string path = dir.File("silent");
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof(addr.sun_path));
    std::copy(path.begin(), path.end(), addr.sun_path);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
    ASSERT_EQ(listen(fd, 4), 0);

    ServerAddress address("unix:" + path);
    const auto t0 = std::chrono::steady_clock::now();
    PulseRecorder r;
    EXPECT_EQ(r.DeviceCount(), 0);
    EXPECT_LT(r.Start(), 0);
    const auto seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_LT(seconds, 30.0);  // bounded, not a timing target
    close(fd);
}
