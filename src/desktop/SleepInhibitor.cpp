#include "desktop/SleepInhibitor.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include "core/AppInfo.h"

namespace qsr::desktop {
namespace {

constexpr const char* kPortalService = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr uint kInhibitSuspend = 4;

}  // namespace

SleepInhibitor::SleepInhibitor(QDBusConnection sessionBus, QDBusConnection systemBus,
                               QObject* parent)
    : QObject(parent), session_(std::move(sessionBus)), system_(std::move(systemBus)) {}

SleepInhibitor::~SleepInhibitor() {
    Drop();
}

void SleepInhibitor::Hold(const QString& reason) {
    wanted_ = true;
    if (asking_ || Held()) return;
    asking_ = true;
    QDBusMessage call = QDBusMessage::createMethodCall(kPortalService, kPortalPath,
                                                       "org.freedesktop.portal.Inhibit", "Inhibit");
    call << QString() << kInhibitSuspend << QVariantMap{{"reason", reason}};
    auto* watcher = new QDBusPendingCallWatcher(session_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, reason](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                const QDBusPendingReply<QDBusObjectPath> reply = *w;
                if (reply.isError()) {
                    AskLogind(reason);
                    return;
                }
                asking_ = false;
                portalHandle_ = reply.value().path();
                if (!wanted_) {
                    Drop();
                    return;
                }
                emit Granted("portal");
            });
}

void SleepInhibitor::AskLogind(const QString& reason) {
    QDBusMessage call =
        QDBusMessage::createMethodCall("org.freedesktop.login1", "/org/freedesktop/login1",
                                       "org.freedesktop.login1.Manager", "Inhibit");
    call << QString("sleep") << QString(core::kAppTitle) << reason << QString("block");
    auto* watcher = new QDBusPendingCallWatcher(system_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        asking_ = false;
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *w;
        if (reply.isError()) {
            emit Refused(reply.error().message());
            return;
        }
        logindLock_ = reply.value();
        if (!wanted_) {
            Drop();
            return;
        }
        emit Granted("logind");
    });
}

void SleepInhibitor::Release() {
    wanted_ = false;
    Drop();
}

void SleepInhibitor::Drop() {
    if (!portalHandle_.isEmpty()) {
        session_.asyncCall(QDBusMessage::createMethodCall(
            kPortalService, portalHandle_, "org.freedesktop.portal.Request", "Close"));
        portalHandle_.clear();
    }
    // Closing logind's descriptor ends its inhibit.
    logindLock_ = QDBusUnixFileDescriptor();
}

}  // namespace qsr::desktop
