#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>

#include "support/EventWait.h"

namespace qsr::testing {

// A private bus; gone with the object.
class PrivateBus {
  public:
    explicit PrivateBus(const QString& name) : name_(name) {
        daemon_.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        daemon_.waitForStarted();
        RunUntil([this] { return daemon_.canReadLine(); }, 5000);
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
    ~PrivateBus() {
        QDBusConnection::disconnectFromBus(name_ + "-stub");
        QDBusConnection::disconnectFromBus(name_ + "-client");
        daemon_.kill();
        daemon_.waitForFinished();
    }
    bool Up() const { return !address_.isEmpty(); }
    QDBusConnection Stub() { return QDBusConnection::connectToBus(address_, name_ + "-stub"); }
    // Offers object at path under the service name, on the stub's connection.
    bool Serve(const QString& service, const QString& path, QObject* object) {
        QDBusConnection stub = Stub();
        return stub.registerService(service) &&
               stub.registerObject(path, object, QDBusConnection::ExportAllSlots);
    }
    QDBusConnection Client() { return QDBusConnection::connectToBus(address_, name_ + "-client"); }

  private:
    QString name_;
    QProcess daemon_;
    QString address_;
};

}  // namespace qsr::testing
