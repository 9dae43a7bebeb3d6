#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QEventLoop>
#include <QString>
#include <QVariantMap>
#include <map>
#include <optional>

#include "platform/services/Services.h"

namespace qsr::desktop {

// Global Ctrl+letter hotkeys on Wayland, where a program cannot grab keys: the
// desktop portal's GlobalShortcuts interface binds them for us (the desktop
// may ask the user first). One portal session per key, so a key can be let go
// on its own. A claim waits for the portal's answer, at most `timeoutMs`; a
// desktop without the interface, a refusal or no answer fail the claim.
class PortalHotkeyRegistrar : public services::IHotkeyRegistrar, protected QDBusContext {
    Q_OBJECT
  public:
    explicit PortalHotkeyRegistrar(QDBusConnection bus, int timeoutMs = 30000,
                                   QObject* parent = nullptr);
    ~PortalHotkeyRegistrar() override;

    bool RegisterCtrlKey(int id, char key) override;
    void Unregister(int id) override;

  private slots:
    // org.freedesktop.portal.Request.Response, from any request of ours.
    void OnResponse(uint code, const QVariantMap& results);
    // org.freedesktop.portal.GlobalShortcuts.Activated.
    void OnActivated(const QDBusObjectPath& session, const QString& shortcut, qulonglong timestamp,
                     const QVariantMap& options);

  private:
    // Calls a portal method that answers through a Request object and waits
    // for that answer; nullopt when the call fails, is refused or times out.
    std::optional<QVariantMap> Ask(const QString& method, const QVariantList& arguments);
    QString NextToken();

    QDBusConnection bus_;
    int timeoutMs_;
    int tokens_ = 0;
    QString awaitedPath_;
    std::optional<std::pair<uint, QVariantMap>> answer_;
    QEventLoop* waiting_ = nullptr;
    std::map<int, QString> sessions_;  // identifier -> session handle
};

// Whether keys go through the portal: on a Wayland session, also for a
// program shown through XWayland, whose X11 grabs see only keys typed into
// its own windows.
bool UsePortalHotkeys(const QString& qtPlatform, const QString& sessionType);

}  // namespace qsr::desktop
