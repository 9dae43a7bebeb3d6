// Ctrl+R / Ctrl+S through a stub GlobalShortcuts portal on a private bus:
// bound one session per key, activations reach the right key, a refusal or a
// desktop without the portal fails the claim, and a let-go key's session is
// closed.
#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QTimer>
#include <QVariantMap>

#include "desktop/PortalHotkeys.h"
#include "support/EventWait.h"
#include "support/PrivateBus.h"

// Outside any namespace: the bus finds the slot's argument type by its name.
struct StubShortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& arg, const StubShortcut& s) {
    arg.beginStructure();
    arg << s.id << s.properties;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, StubShortcut& s) {
    arg.beginStructure();
    arg >> s.id >> s.properties;
    arg.endStructure();
    return arg;
}

Q_DECLARE_METATYPE(StubShortcut)

namespace qsr::desktop {
namespace {

using qsr::testing::PrivateBus;
using qsr::testing::RunUntil;

class StubSession : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Session")
  public:
    std::vector<QString>* closed = nullptr;
    QString path;
  public slots:
    void Close() { closed->push_back(path); }
};

// Answers every request a moment after the call returns, as a portal does.
class StubShortcuts : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
  public:
    explicit StubShortcuts(QDBusConnection bus) : bus_(bus) {
        qDBusRegisterMetaType<StubShortcut>();
        qDBusRegisterMetaType<QList<StubShortcut>>();
    }
    bool refuse = false;
    std::vector<QString> triggers;     // preferred triggers asked for
    std::vector<QString> closed;       // sessions closed
    std::map<QString, QString> bound;  // shortcut id -> session
    std::vector<std::unique_ptr<StubSession>> sessions;

    void Activate(const QString& shortcut) {
        QDBusMessage signal =
            QDBusMessage::createSignal("/org/freedesktop/portal/desktop",
                                       "org.freedesktop.portal.GlobalShortcuts", "Activated");
        signal << QVariant::fromValue(QDBusObjectPath(bound.at(shortcut))) << shortcut
               << qulonglong(1) << QVariantMap{};
        bus_.send(signal);
    }

  public slots:
    QDBusObjectPath CreateSession(const QVariantMap& options) {
        const QString path = "/org/freedesktop/portal/desktop/session/" + Sender() + "/" +
                             options.value("session_handle_token").toString();
        auto session = std::make_unique<StubSession>();
        session->closed = &closed;
        session->path = path;
        bus_.registerObject(path, session.get(), QDBusConnection::ExportAllSlots);
        sessions.push_back(std::move(session));
        return Answer(options, refuse ? 1u : 0u, {{"session_handle", path}});
    }
    QDBusObjectPath BindShortcuts(const QDBusObjectPath& session,
                                  const QList<StubShortcut>& shortcuts, const QString& /*parent*/,
                                  const QVariantMap& options) {
        for (const auto& s : shortcuts) {
            triggers.push_back(s.properties.value("preferred_trigger").toString());
            bound[s.id] = session.path();
        }
        return Answer(options, 0u, {{"shortcuts", QVariant::fromValue(shortcuts)}});
    }

  private:
    QString Sender() const {
        QString s = message().service().mid(1);
        return s.replace('.', '_');
    }
    QDBusObjectPath Answer(const QVariantMap& options, uint code, QVariantMap results) {
        const QString path = "/org/freedesktop/portal/desktop/request/" + Sender() + "/" +
                             options.value("handle_token").toString();
        QTimer::singleShot(20, this, [this, path, code, results] {
            QDBusMessage signal =
                QDBusMessage::createSignal(path, "org.freedesktop.portal.Request", "Response");
            signal << code << results;
            bus_.send(signal);
        });
        return QDBusObjectPath(path);
    }
    QDBusConnection bus_;
};

struct Portal {
    PrivateBus bus{"portal"};
    QDBusConnection stubBus = bus.Stub();
    StubShortcuts stub{stubBus};

    bool Serve() {
        return bus.Up() && bus.Serve("org.freedesktop.portal.Desktop",
                                     "/org/freedesktop/portal/desktop", &stub);
    }
};

TEST(PortalHotkeys, BindsEachKeyInItsOwnSessionAndPassesItsActivations) {
    Portal portal;
    ASSERT_TRUE(portal.Serve());
    PortalHotkeyRegistrar hotkeys(portal.bus.Client(), 5000);
    std::vector<int> activated;
    QObject::connect(&hotkeys, &services::IHotkeyRegistrar::Activated,
                     [&](int id) { activated.push_back(id); });

    ASSERT_TRUE(hotkeys.RegisterCtrlKey(0, 'R'));
    ASSERT_TRUE(hotkeys.RegisterCtrlKey(2, 'S'));
    EXPECT_EQ(portal.stub.triggers, (std::vector<QString>{"CTRL+r", "CTRL+s"}));
    ASSERT_EQ(portal.stub.sessions.size(), 2u);

    portal.stub.Activate("hotkey-2");
    portal.stub.Activate("hotkey-0");
    ASSERT_TRUE(RunUntil([&] { return activated.size() == 2; }, 5000));
    EXPECT_EQ(activated, (std::vector<int>{2, 0}));

    hotkeys.Unregister(0);
    ASSERT_TRUE(RunUntil([&] { return portal.stub.closed.size() == 1; }, 5000));
    EXPECT_EQ(portal.stub.closed.front(), portal.stub.sessions[0]->path);
    // A let-go key's activation no longer arrives.
    portal.stub.Activate("hotkey-0");
    portal.stub.Activate("hotkey-2");
    ASSERT_TRUE(RunUntil([&] { return activated.size() == 3; }, 5000));
    EXPECT_EQ(activated.back(), 2);
}

TEST(PortalHotkeys, ARefusalOrADesktopWithoutThePortalFailsTheClaim) {
    Portal portal;
    ASSERT_TRUE(portal.Serve());
    portal.stub.refuse = true;
    PortalHotkeyRegistrar refused(portal.bus.Client(), 5000);
    EXPECT_FALSE(refused.RegisterCtrlKey(0, 'R'));

    PrivateBus empty("no-portal");
    ASSERT_TRUE(empty.Up());
    PortalHotkeyRegistrar none(empty.Client(), 5000);
    EXPECT_FALSE(none.RegisterCtrlKey(0, 'R'));
}

TEST(PortalHotkeys, WaylandSessionsUseThePortal) {
    EXPECT_TRUE(UsePortalHotkeys("wayland", ""));
    EXPECT_TRUE(UsePortalHotkeys("xcb", "wayland")) << "XWayland";
    EXPECT_FALSE(UsePortalHotkeys("xcb", "x11"));
    EXPECT_FALSE(UsePortalHotkeys("offscreen", ""));
}

}  // namespace
}  // namespace qsr::desktop

#include "PortalHotkeysTest.moc"
