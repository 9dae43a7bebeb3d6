#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QString>

namespace qsr::desktop {

// Keeps the machine from suspending while a recording runs: asks the desktop
// portal (org.freedesktop.portal.Inhibit, "suspend") and, where there is no
// portal, logind (org.freedesktop.login1.Manager.Inhibit, "sleep"). Every call
// is asynchronous, so a slow or missing service never holds up the window.
class SleepInhibitor : public QObject {
    Q_OBJECT
  public:
    // The buses to ask: the session bus (portal) and the system bus (logind).
    SleepInhibitor(QDBusConnection sessionBus, QDBusConnection systemBus,
                   QObject* parent = nullptr);
    ~SleepInhibitor() override;

    // Asks for the inhibit (nothing when it is held or asked for already).
    void Hold(const QString& reason);
    // Lets it go; an answer still on its way is let go when it arrives.
    void Release();
    // Whether a service granted it and it is not released.
    bool Held() const { return !portalHandle_.isEmpty() || logindLock_.isValid(); }

  signals:
    // The inhibit was granted (by "portal" or "logind") or refused by both.
    void Granted(const QString& by);
    void Refused(const QString& why);

  private:
    void AskLogind(const QString& reason);
    void Drop();

    QDBusConnection session_;
    QDBusConnection system_;
    bool wanted_ = false;
    bool asking_ = false;
    QString portalHandle_;
    QDBusUnixFileDescriptor logindLock_;
};

}  // namespace qsr::desktop
