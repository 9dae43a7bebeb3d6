// The media-player interface on a private bus, driven by dbus-send as the
// desktop's media keys and sound menu would.
#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QProcess>

#include "desktop/MprisService.h"
#include "support/EventWait.h"

namespace qsr::desktop {
namespace {

using qsr::testing::RunUntil;

class MprisTest : public ::testing::Test {
  protected:
    void SetUp() override {
        daemon_.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        ASSERT_TRUE(daemon_.waitForStarted());
        RunUntil([this] { return daemon_.canReadLine(); }, 5000);
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        ASSERT_FALSE(address_.isEmpty()) << "dbus-daemon did not start";
        targets.playPause = [this] { calls += "playpause "; };
        targets.play = [this] { calls += "play "; };
        targets.pause = [this] { calls += "pause "; };
        targets.stop = [this] { calls += "stop "; };
        targets.next = [this] { calls += "next "; };
        targets.previous = [this] { calls += "previous "; };
        targets.status = [this] { return status; };
        targets.title = [this] { return title; };
        targets.lengthSeconds = [this] { return length; };
        targets.positionSeconds = [] { return 1.25; };
        targets.volume = [] { return 0.1; };
    }
    void TearDown() override {
        service_.reset();
        QDBusConnection::disconnectFromBus("mpris-player");
        QDBusConnection::disconnectFromBus("mpris-listener");
        daemon_.kill();
        daemon_.waitForFinished();
    }
    MprisService& Publish() {
        service_ = std::make_unique<MprisService>(
            QDBusConnection::connectToBus(address_, "mpris-player"), targets);
        return *service_;
    }
    // dbus-send's reply; events run meanwhile, so the service can answer.
    QString Send(const QStringList& call) {
        QProcess p;
        p.start("dbus-send",
                QStringList{"--bus=" + address_, "--print-reply",
                            "--dest=org.mpris.MediaPlayer2.quorvin", "/org/mpris/MediaPlayer2"} +
                    call);
        RunUntil([&p] { return p.state() == QProcess::NotRunning; }, 10000);
        return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    }
    QString Get(const QString& interface, const QString& property) {
        return Send(
            {"org.freedesktop.DBus.Properties.Get", "string:" + interface, "string:" + property});
    }

    MprisTargets targets;
    std::string calls;
    MprisStatus status = MprisStatus::Stopped;
    QString title;
    double length = 0;
    QString address_;

  private:
    QProcess daemon_;
    std::unique_ptr<MprisService> service_;
};

TEST_F(MprisTest, MediaKeysReachThePlayer) {
    ASSERT_TRUE(Publish().Registered());
    for (const char* method : {"PlayPause", "Next", "Previous", "Stop", "Play", "Pause"})
        Send({QString("org.mpris.MediaPlayer2.Player.") + method});
    EXPECT_EQ(calls, "playpause next previous stop play pause ");
    EXPECT_TRUE(Get("org.mpris.MediaPlayer2", "Identity").contains("Quorvin Sound Recorder"));
}

TEST_F(MprisTest, TheSoundMenuSeesStatusTitleAndLength) {
    Publish();
    EXPECT_TRUE(Get("org.mpris.MediaPlayer2.Player", "PlaybackStatus").contains("\"Stopped\""));
    EXPECT_TRUE(Get("org.mpris.MediaPlayer2.Player", "Metadata").contains("NoTrack"));
    status = MprisStatus::Playing;
    title = "Morning Take.wav";
    length = 3.5;
    const QString metadata = Get("org.mpris.MediaPlayer2.Player", "Metadata");
    EXPECT_TRUE(metadata.contains("\"Morning Take.wav\"")) << metadata.toStdString();
    EXPECT_TRUE(metadata.contains("int64 3500000")) << metadata.toStdString();
    EXPECT_TRUE(Get("org.mpris.MediaPlayer2.Player", "PlaybackStatus").contains("\"Playing\""));
    EXPECT_TRUE(Get("org.mpris.MediaPlayer2.Player", "Position").contains("int64 1250000"));
    EXPECT_TRUE(Get("org.mpris.MediaPlayer2.Player", "Volume").contains("double 0.1"));
}

// Collects the PropertiesChanged signals a listener on the bus receives.
class ChangeCatcher : public QObject {
    Q_OBJECT
  public:
    std::vector<QVariantMap> changes;
  public slots:
    void Changed(const QDBusMessage& m) {
        changes.push_back(qdbus_cast<QVariantMap>(m.arguments().value(1)));
    }
};

TEST_F(MprisTest, RefreshAnnouncesOnlyWhatChanged) {
    MprisService& service = Publish();
    QDBusConnection listener = QDBusConnection::connectToBus(address_, "mpris-listener");
    ChangeCatcher catcher;
    ASSERT_TRUE(listener.connect(QString(), "/org/mpris/MediaPlayer2",
                                 "org.freedesktop.DBus.Properties", "PropertiesChanged", &catcher,
                                 SLOT(Changed(QDBusMessage))));
    service.Refresh();  // nothing changed since publishing
    status = MprisStatus::Paused;
    service.Refresh();
    title = "Rehearsal.wav";
    length = 20;
    service.Refresh();
    ASSERT_TRUE(RunUntil([&] { return catcher.changes.size() >= 2; }, 5000));
    qsr::testing::RunFor(200);
    ASSERT_EQ(catcher.changes.size(), 2u);
    EXPECT_EQ(catcher.changes[0].keys(), QStringList{"PlaybackStatus"});
    EXPECT_EQ(catcher.changes[0].value("PlaybackStatus").toString(), "Paused");
    EXPECT_EQ(catcher.changes[1].keys(), QStringList{"Metadata"});
    const auto metadata = qdbus_cast<QVariantMap>(catcher.changes[1].value("Metadata"));
    EXPECT_EQ(metadata.value("xesam:title").toString(), "Rehearsal.wav");
    EXPECT_EQ(metadata.value("mpris:length").toLongLong(), 20000000);
}

// Nothing runs at rest: the service refreshes by itself only while the
// player plays, and a Refresh from the player starts or ends that.
TEST_F(MprisTest, RefreshesByItselfOnlyWhilePlaying) {
    MprisService& service = Publish();
    ASSERT_TRUE(service.Registered());
    EXPECT_FALSE(service.Refreshing());
    status = MprisStatus::Playing;
    service.Refresh();
    EXPECT_TRUE(service.Refreshing());
    // The next title of the playlist is announced without being asked.
    QDBusConnection listener = QDBusConnection::connectToBus(address_, "mpris-listener");
    ChangeCatcher catcher;
    ASSERT_TRUE(listener.connect(QString(), "/org/mpris/MediaPlayer2",
                                 "org.freedesktop.DBus.Properties", "PropertiesChanged", &catcher,
                                 SLOT(Changed(QDBusMessage))));
    title = "Second Take.wav";
    ASSERT_TRUE(RunUntil([&] { return !catcher.changes.empty(); }, 10000));
    EXPECT_EQ(catcher.changes[0].keys(), QStringList{"Metadata"});
    for (MprisStatus rest : {MprisStatus::Paused, MprisStatus::Stopped}) {
        status = rest;
        service.Refresh();
        EXPECT_FALSE(service.Refreshing());
    }
}

}  // namespace
}  // namespace qsr::desktop

#include "MprisServiceTest.moc"
