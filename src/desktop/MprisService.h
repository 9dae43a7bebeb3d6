#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>
#include <functional>

namespace qsr::desktop {

enum class MprisStatus { Playing, Paused, Stopped };

// What the desktop's media keys and sound menu may ask of a player, and what
// they are shown of it. Every member is set by whoever publishes the player.
struct MprisTargets {
    std::function<void()> playPause, play, pause, stop, next, previous;
    std::function<MprisStatus()> status;
    std::function<QString()> title;
    std::function<double()> lengthSeconds;
    std::function<double()> positionSeconds;
    // 0 silent .. 1 full.
    std::function<double()> volume;
};

// Publishes a player on a D-Bus connection as "org.mpris.MediaPlayer2.quorvin"
// (the desktop's media-player interface) for as long as the object lives.
// Refresh tells listeners what changed since its last call; while the player
// plays, the service calls it itself every kRefreshMs (a title can change as a
// playlist moves on), and not at all otherwise: whoever publishes the player
// calls Refresh when it may have started, so nothing runs at rest.
class MprisService : public QObject {
    Q_OBJECT
  public:
    static constexpr const char* kServiceName = "org.mpris.MediaPlayer2.quorvin";
    static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
    static constexpr int kRefreshMs = 500;

    MprisService(QDBusConnection bus, MprisTargets targets, QObject* parent = nullptr);
    ~MprisService() override;

    bool Registered() const { return registered_; }
    void Refresh();
    // Whether the service refreshes by itself (published, and playing).
    bool Refreshing() const { return refresh_.isActive(); }

    // For the adaptors.
    const MprisTargets& Targets() const { return targets_; }
    QString PlaybackStatus() const;
    QVariantMap Metadata();

  private:
    QDBusConnection bus_;
    MprisTargets targets_;
    bool registered_ = false;
    QTimer refresh_;
    QString lastStatus_;
    QString lastTitle_;
    qlonglong lastLength_ = -1;
    int track_ = 0;
};

// org.mpris.MediaPlayer2: who the player is.
class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
  public:
    explicit MprisRootAdaptor(MprisService* service) : QDBusAbstractAdaptor(service) {}
    bool CanQuit() const { return false; }
    bool CanRaise() const { return false; }
    bool HasTrackList() const { return false; }
    QString Identity() const;
    QString DesktopEntry() const { return "org.quorvin.SoundRecorder"; }
    QStringList SupportedUriSchemes() const { return {}; }
    QStringList SupportedMimeTypes() const { return {}; }
  public slots:
    void Raise() {}
    void Quit() {}
};

// org.mpris.MediaPlayer2.Player: transport and what plays.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Rate READ Rate)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(double Volume READ Volume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(bool CanGoNext READ Can)
    Q_PROPERTY(bool CanGoPrevious READ Can)
    Q_PROPERTY(bool CanPlay READ Can)
    Q_PROPERTY(bool CanPause READ Can)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ Can)
  public:
    explicit MprisPlayerAdaptor(MprisService* service)
        : QDBusAbstractAdaptor(service), service_(service) {}
    QString PlaybackStatus() const { return service_->PlaybackStatus(); }
    QVariantMap Metadata() const { return service_->Metadata(); }
    double Rate() const { return 1.0; }
    double Volume() const;
    qlonglong Position() const;
    bool Can() const { return true; }
    bool CanSeek() const { return false; }
  public slots:
    void Next();
    void Previous();
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qlonglong) {}
    void SetPosition(const QDBusObjectPath&, qlonglong) {}
    void OpenUri(const QString&) {}
  signals:
    void Seeked(qlonglong position);

  private:
    MprisService* service_;
};

}  // namespace qsr::desktop
