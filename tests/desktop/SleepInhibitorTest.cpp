// The inhibit against stub services on private buses: the portal when there
// is one, logind when there is not, and let go at the end.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QVariantMap>

#include "desktop/SleepInhibitor.h"
#include "support/EventWait.h"
#include "support/PrivateBus.h"

namespace qsr::desktop {
namespace {

using qsr::testing::PrivateBus;
using qsr::testing::RunUntil;

class StubRequest : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Request")
  public:
    int closed = 0;
  public slots:
    void Close() { ++closed; }
};

class StubPortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Inhibit")
  public:
    explicit StubPortal(QDBusConnection bus) : bus_(bus) {}
    std::vector<uint> flags;
    QString reason;
    StubRequest request;
  public slots:
    QDBusObjectPath Inhibit(const QString& /*window*/, uint f, const QVariantMap& options) {
        flags.push_back(f);
        reason = options.value("reason").toString();
        bus_.registerObject("/org/freedesktop/portal/desktop/request/1", &request,
                            QDBusConnection::ExportAllSlots);
        return QDBusObjectPath("/org/freedesktop/portal/desktop/request/1");
    }

  private:
    QDBusConnection bus_;
};

class StubLogind : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
  public:
    QString what, mode;
    int readEnd = -1;
    ~StubLogind() override {
        if (readEnd >= 0) ::close(readEnd);
    }
    // Whether every copy of the handed-out descriptor is closed (end of file;
    // while one is open the read finds nothing to read).
    bool LockReleased() const {
        char c;
        return readEnd >= 0 && ::read(readEnd, &c, 1) == 0;
    }
  public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& w, const QString& /*who*/,
                                    const QString& /*why*/, const QString& m) {
        what = w;
        mode = m;
        int fds[2];
        if (::pipe(fds) != 0) return {};
        readEnd = fds[0];
        ::fcntl(readEnd, F_SETFL, O_NONBLOCK);  // asking must not wait for the release
        QDBusUnixFileDescriptor lock(fds[1]);   // the bus takes its own copy
        ::close(fds[1]);
        return lock;
    }
};

TEST(SleepInhibitor, HoldsThePortalsSuspendInhibitWhileRecordingAndClosesItAfter) {
    PrivateBus session("session");
    PrivateBus system("system");
    ASSERT_TRUE(session.Up() && system.Up()) << "dbus-daemon did not start";
    QDBusConnection stub = session.Stub();
    StubPortal portal(stub);
    ASSERT_TRUE(session.Serve("org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
                              &portal));

    SleepInhibitor inhibitor(session.Client(), system.Client());
    inhibitor.Hold("Recording");
    inhibitor.Hold("Recording");  // asked once only
    ASSERT_TRUE(RunUntil([&] { return inhibitor.Held(); }, 5000));
    EXPECT_EQ(portal.flags, std::vector<uint>{4});
    EXPECT_EQ(portal.reason, "Recording");
    inhibitor.Release();
    EXPECT_FALSE(inhibitor.Held());
    EXPECT_TRUE(RunUntil([&] { return portal.request.closed == 1; }, 5000));
}

TEST(SleepInhibitor, FallsBackToLogindWhereThereIsNoPortal) {
    PrivateBus session("session2");
    PrivateBus system("system2");
    ASSERT_TRUE(session.Up() && system.Up()) << "dbus-daemon did not start";
    StubLogind logind;
    ASSERT_TRUE(system.Serve("org.freedesktop.login1", "/org/freedesktop/login1", &logind));

    SleepInhibitor inhibitor(session.Client(), system.Client());
    QString grantedBy;
    QObject::connect(&inhibitor, &SleepInhibitor::Granted,
                     [&](const QString& by) { grantedBy = by; });
    inhibitor.Hold("Recording");
    ASSERT_TRUE(RunUntil([&] { return inhibitor.Held(); }, 5000));
    EXPECT_EQ(grantedBy, "logind");
    EXPECT_EQ(logind.what, "sleep");
    EXPECT_EQ(logind.mode, "block");
    EXPECT_FALSE(logind.LockReleased());
    inhibitor.Release();
    EXPECT_TRUE(logind.LockReleased());
}

TEST(SleepInhibitor, ARecordingThatEndsBeforeTheAnswerLeavesNothingHeld) {
    PrivateBus session("session3");
    PrivateBus system("system3");
    ASSERT_TRUE(session.Up() && system.Up()) << "dbus-daemon did not start";
    QDBusConnection stub = session.Stub();
    StubPortal portal(stub);
    ASSERT_TRUE(session.Serve("org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
                              &portal));
    SleepInhibitor inhibitor(session.Client(), system.Client());
    inhibitor.Hold("Recording");
    inhibitor.Release();  // before the portal answered
    EXPECT_TRUE(RunUntil([&] { return portal.request.closed == 1; }, 5000));
    EXPECT_FALSE(inhibitor.Held());
}

}  // namespace
}  // namespace qsr::desktop

#include "SleepInhibitorTest.moc"
