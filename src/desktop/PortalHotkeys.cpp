#include "desktop/PortalHotkeys.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QEventLoop>
#include <QTimer>

namespace qsr::desktop {
namespace {

constexpr const char* kService = "org.freedesktop.portal.Desktop";
constexpr const char* kPath = "/org/freedesktop/portal/desktop";
constexpr const char* kInterface = "org.freedesktop.portal.GlobalShortcuts";

// One shortcut as BindShortcuts takes it: (sa{sv}).
struct Shortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& arg, const Shortcut& s) {
    arg.beginStructure();
    arg << s.id << s.properties;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, Shortcut& s) {
    arg.beginStructure();
    arg >> s.id >> s.properties;
    arg.endStructure();
    return arg;
}

QString ShortcutId(int id) {
    return QStringLiteral("hotkey-%1").arg(id);
}

}  // namespace
}  // namespace qsr::desktop

Q_DECLARE_METATYPE(qsr::desktop::Shortcut)

namespace qsr::desktop {

PortalHotkeyRegistrar::PortalHotkeyRegistrar(QDBusConnection bus, int timeoutMs, QObject* parent)
    : services::IHotkeyRegistrar(parent), bus_(std::move(bus)), timeoutMs_(timeoutMs) {
    qDBusRegisterMetaType<Shortcut>();
    qDBusRegisterMetaType<QList<Shortcut>>();
    // Every answer, whatever its request's path: the answer may come before
    // the call that made the request has returned.
    bus_.connect(kService, QString(), "org.freedesktop.portal.Request", "Response", this,
                 SLOT(OnResponse(uint, QVariantMap)));
    bus_.connect(kService, kPath, kInterface, "Activated", this,
                 SLOT(OnActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
}

PortalHotkeyRegistrar::~PortalHotkeyRegistrar() {
    while (!sessions_.empty()) Unregister(sessions_.begin()->first);
}

QString PortalHotkeyRegistrar::NextToken() {
    return QStringLiteral("qsr%1_%2").arg(QCoreApplication::applicationPid()).arg(++tokens_);
}

std::optional<QVariantMap> PortalHotkeyRegistrar::Ask(const QString& method,
                                                      const QVariantList& arguments) {
    // The request's path is known before the call: the portal builds it from
    // our unique name and the token we pass.
    const QString token = NextToken();
    QString sender = bus_.baseService().mid(1);
    sender.replace('.', '_');
    awaitedPath_ = QStringLiteral("%1/request/%2/%3").arg(kPath, sender, token);
    answer_.reset();

    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    QVariantList args = arguments;
    QVariantMap options = args.takeLast().toMap();
    options.insert("handle_token", token);
    args.append(options);
    call.setArguments(args);
    // Asynchronous, so the events of the wait can carry the call's answer too.
    QEventLoop wait;
    bool failed = false;
    QDBusPendingCallWatcher watcher(bus_.asyncCall(call, timeoutMs_));
    QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &wait, [&] {
        const QDBusPendingReply<QDBusObjectPath> reply = watcher;
        if (reply.isError()) {
            failed = true;
            wait.quit();
        } else {
            // An older portal may use a path of its own: take its word.
            awaitedPath_ = reply.value().path();
        }
    });
    waiting_ = &wait;
    QTimer::singleShot(timeoutMs_, &wait, &QEventLoop::quit);
    if (!answer_) wait.exec(QEventLoop::ExcludeUserInputEvents);
    waiting_ = nullptr;
    if (failed) answer_.reset();
    awaitedPath_.clear();
    if (!answer_ || answer_->first != 0) return std::nullopt;
    return answer_->second;
}

void PortalHotkeyRegistrar::OnResponse(uint code, const QVariantMap& results) {
    if (!calledFromDBus() || message().path() != awaitedPath_) return;
    answer_ = std::make_pair(code, results);
    if (waiting_) waiting_->quit();
}

bool PortalHotkeyRegistrar::RegisterCtrlKey(int id, char key) {
    Unregister(id);
    const auto session = Ask("CreateSession", {QVariantMap{{"session_handle_token", NextToken()}}});
    if (!session) return false;
    // A string in the interface's description, an object path in some portals.
    const QVariant value = session->value("session_handle");
    const QString handle = value.metaType() == QMetaType::fromType<QDBusObjectPath>()
                               ? value.value<QDBusObjectPath>().path()
                               : value.toString();
    if (handle.isEmpty()) return false;

    const QString letter = QString(QChar(key)).toLower();
    const QList<Shortcut> shortcuts{
        {ShortcutId(id),
         {{"description", QStringLiteral("Ctrl+%1").arg(letter.toUpper())},
          {"preferred_trigger", QStringLiteral("CTRL+%1").arg(letter)}}}};
    const auto bound =
        Ask("BindShortcuts", {QVariant::fromValue(QDBusObjectPath(handle)),
                              QVariant::fromValue(shortcuts), QString(), QVariantMap{}});
    // The desktop may bind none of them (the user said no).
    bool granted = false;
    if (bound) {
        QList<Shortcut> given;
        bound->value("shortcuts").value<QDBusArgument>() >> given;
        for (const auto& s : given) granted = granted || s.id == ShortcutId(id);
    }
    if (!granted) {
        bus_.call(QDBusMessage::createMethodCall(kService, handle, "org.freedesktop.portal.Session",
                                                 "Close"),
                  QDBus::NoBlock);
        return false;
    }
    sessions_[id] = handle;
    return true;
}

void PortalHotkeyRegistrar::Unregister(int id) {
    const auto it = sessions_.find(id);
    if (it == sessions_.end()) return;
    bus_.call(QDBusMessage::createMethodCall(kService, it->second, "org.freedesktop.portal.Session",
                                             "Close"),
              QDBus::NoBlock);
    sessions_.erase(it);
}

void PortalHotkeyRegistrar::OnActivated(const QDBusObjectPath& session, const QString& shortcut,
                                        qulonglong /*timestamp*/, const QVariantMap& /*options*/) {
    for (const auto& [id, handle] : sessions_) {
        if (handle == session.path() && shortcut == ShortcutId(id)) {
            emit Activated(id);
            return;
        }
    }
}

bool UsePortalHotkeys(const QString& qtPlatform, const QString& sessionType) {
    return qtPlatform.startsWith("wayland") || sessionType == "wayland";
}

}  // namespace qsr::desktop
