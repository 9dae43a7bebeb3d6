#include "desktop/MprisService.h"

#include <QDBusMessage>
#include <algorithm>
#include <cmath>

#include "core/AppInfo.h"

namespace qsr::desktop {
namespace {

void Call(const std::function<void()>& f) {
    if (f) f();
}

}  // namespace

MprisService::MprisService(QDBusConnection bus, MprisTargets targets, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), targets_(std::move(targets)) {
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
    registered_ = bus_.isConnected() &&
                  bus_.registerObject(kObjectPath, this, QDBusConnection::ExportAdaptors) &&
                  bus_.registerService(kServiceName);
    // What is published now; Refresh announces changes from here on.
    lastStatus_ = PlaybackStatus();
    Metadata();
    refresh_.setInterval(kRefreshMs);
    connect(&refresh_, &QTimer::timeout, this, &MprisService::Refresh);
    if (registered_ && lastStatus_ == "Playing") refresh_.start();
}

MprisService::~MprisService() {
    if (!registered_) return;
    bus_.unregisterService(kServiceName);
    bus_.unregisterObject(kObjectPath);
}

QString MprisService::PlaybackStatus() const {
    switch (targets_.status ? targets_.status() : MprisStatus::Stopped) {
        case MprisStatus::Playing:
            return "Playing";
        case MprisStatus::Paused:
            return "Paused";
        default:
            return "Stopped";
    }
}

QVariantMap MprisService::Metadata() {
    const QString title = targets_.title ? targets_.title() : QString();
    const double seconds = targets_.lengthSeconds ? targets_.lengthSeconds() : 0;
    const auto length = static_cast<qlonglong>(std::llround(std::max(seconds, 0.0) * 1e6));
    if (title != lastTitle_ || length != lastLength_) {
        // A new track id tells the sound menu that another track is shown.
        ++track_;
        lastTitle_ = title;
        lastLength_ = length;
    }
    if (title.isEmpty()) {
        return {{"mpris:trackid", QVariant::fromValue(QDBusObjectPath(
                                      "/org/mpris/MediaPlayer2/TrackList/NoTrack"))}};
    }
    return {{"mpris:trackid", QVariant::fromValue(QDBusObjectPath(
                                  QString("/org/quorvin/SoundRecorder/track/%1").arg(track_)))},
            {"mpris:length", length},
            {"xesam:title", title}};
}

void MprisService::Refresh() {
    if (!registered_) return;
    QVariantMap changed;
    const QString status = PlaybackStatus();
    if (status != "Playing")
        refresh_.stop();
    else if (!refresh_.isActive())
        refresh_.start();
    if (status != lastStatus_) {
        lastStatus_ = status;
        changed.insert("PlaybackStatus", status);
    }
    const int before = track_;
    const QVariantMap metadata = Metadata();
    if (track_ != before) changed.insert("Metadata", metadata);
    if (changed.isEmpty()) return;
    QDBusMessage signal = QDBusMessage::createSignal(kObjectPath, "org.freedesktop.DBus.Properties",
                                                     "PropertiesChanged");
    signal << QString("org.mpris.MediaPlayer2.Player") << changed << QStringList();
    bus_.send(signal);
}

QString MprisRootAdaptor::Identity() const {
    return QString::fromUtf8(core::kAppTitle);
}

double MprisPlayerAdaptor::Volume() const {
    const auto& volume = service_->Targets().volume;
    return volume ? std::clamp(volume(), 0.0, 1.0) : 1.0;
}

qlonglong MprisPlayerAdaptor::Position() const {
    const auto& position = service_->Targets().positionSeconds;
    return position ? static_cast<qlonglong>(std::llround(std::max(position(), 0.0) * 1e6)) : 0;
}

void MprisPlayerAdaptor::Next() {
    Call(service_->Targets().next);
}
void MprisPlayerAdaptor::Previous() {
    Call(service_->Targets().previous);
}
void MprisPlayerAdaptor::Pause() {
    Call(service_->Targets().pause);
}
void MprisPlayerAdaptor::PlayPause() {
    Call(service_->Targets().playPause);
}
void MprisPlayerAdaptor::Stop() {
    Call(service_->Targets().stop);
}
void MprisPlayerAdaptor::Play() {
    Call(service_->Targets().play);
}

}  // namespace qsr::desktop
