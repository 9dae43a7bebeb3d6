// The schedule over the real main window, the real engine and the private
// sound server (PULSE_SERVER) whose "Tone_Output" monitor carries a 1000 Hz
// tone: a slot made in the Scheduler dialog from now+2 s to now+6 s records
// about 4 s of the tone, marks its row "Done", and the recording is listed.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <QTreeWidget>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "app/windows/Form1.h"
#include "fakes/FakeServices.h"
#include "platform/pulse/RealAudioEngine.h"
#include "platform/services/windows/QtServices.h"
#include "schedule/windows/Form5.h"
#include "schedule/windows/Form6.h"
#include "support/Controls.h"
#include "support/RealMainWindow.h"
#include "support/Signal.h"
#include "support/TempDir.h"

using qsr::testing::Control;

using namespace qsr;
namespace fs = std::filesystem;
using std::chrono::seconds;

namespace {

struct Decoded {
    double seconds = 0;
    double toneShare = 0;
};

// The whole file back through the window's own file component; the share of
// the middle second's power that lies at 1000 Hz.
Decoded Decode(audio::IAudioFile& file, const std::string& path) {
    Decoded d;
    if (file.OpenFile(path) < 0) return d;
    const int rate = file.SampleRate();
    const auto channels = static_cast<std::size_t>(std::max(1, file.ChannelCount()));
    std::vector<double> mono;
    for (;;) {
        const audio::Samples block = file.ReadBlock(8192);
        if (block.empty()) break;
        for (std::size_t i = 0; i + channels <= block.size(); i += channels)
            mono.push_back(block[i] / 32768.0);
    }
    file.Close();
    if (rate <= 0 || mono.size() < static_cast<std::size_t>(rate)) return d;
    d.seconds = static_cast<double>(mono.size()) / rate;
    const auto from = static_cast<std::ptrdiff_t>(mono.size() / 2) - rate / 2;
    d.toneShare = qsr::testing::LiveToneShare(
        std::vector<double>(mono.begin() + from, mono.begin() + from + rate), rate, 1000.0);
    return d;
}

void SetPickers(QDateEdit& date, QTimeEdit& time, schedule::DateTime at) {
    const std::string cell = schedule::FormatDateTime(at);
    date.setDate(QDate::fromString(QString::fromStdString(cell.substr(0, 10)), "yyyy-MM-dd"));
    time.setTime(QTime::fromString(QString::fromStdString(cell.substr(11)), "HH:mm:ss"));
}

TEST(ScheduledRecording, ASlotRecordsTheToneAndIsListed) {
    if (!std::getenv("PULSE_SERVER")) GTEST_SKIP() << "no private sound server (run scripts/test)";
    qsr::testing::TempDir home;
    const fs::path out = home.path() / "recordings";
    fs::create_directories(out);
    std::string settings =
        qsr::testing::ReadAll(std::string(QSR_SOURCE_DIR) + "/resources/appfolder/settings.dat");
    ASSERT_NE(settings.find("outputfolder=0"), std::string::npos);
    settings.replace(settings.find("outputfolder=0"), 14, "outputfolder=" + out.string());
    qsr::testing::WriteAll(home.File("settings.dat"), settings);

    // Wired as main() wires them.
    qsr::testing::RealMainWindow real(home.path().string());
    app::Form1& form = *real.form;
    auto& desk = real.desk;
    const auto services = real.services;
    form.Form_Load();
    ASSERT_TRUE(real.SelectDevice("Monitor of Tone_Output"));

    schedule::ScheduleTargets targets;
    targets.startRecord = [&form] { form.StartScheduledRecord(); };
    targets.stopRecord = [&form] { form.StopRecord(); };
    targets.addSlot = [&home, services] {
        return schedule::ShowScheduler(home.path().string(), services);
    };
    schedule::Form5 list(home.path().string(), services, targets);
    list.Form_Load();
    app::WindowOpeners openers;
    openers.schedule = [&desk, &list] { desk.modal.Exec(list); };
    form.SetWindowOpeners(openers);
    QObject::connect(&form, &app::Form1::Unloaded, &list, &schedule::Form5::Form_Unload);

    // "Schedule" opens the list; "Add" opens the Scheduler; OK there and OK here.
    schedule::DateTime start{};
    desk.modal.scripts.push_back([](QDialog& d) {
        auto& f5 = dynamic_cast<schedule::Form5&>(d);
        QTest::mouseClick(Control<QPushButton>(f5, "Command1"), Qt::LeftButton);
        QTest::mouseClick(Control<QPushButton>(f5, "Command4"), Qt::LeftButton);
        return d.result();
    });
    desk.modal.scripts.push_back([&start](QDialog& d) {
        auto& f6 = dynamic_cast<schedule::Form6&>(d);
        start = schedule::LocalNow() + seconds(2);
        SetPickers(*Control<QDateEdit>(f6, "DTPicker1"), *Control<QTimeEdit>(f6, "DTPicker2"),
                   start);
        SetPickers(*Control<QDateEdit>(f6, "DTPicker3"), *Control<QTimeEdit>(f6, "DTPicker4"),
                   start + seconds(4));
        QTest::keyClicks(Control<QLineEdit>(f6, "Text1"), "tone");
        QTest::mouseClick(Control<QPushButton>(f6, "Command1"), Qt::LeftButton);
        return d.result();
    });
    QTest::mouseClick(Control<QPushButton>(form, "Command2"), Qt::LeftButton);
    EXPECT_EQ(desk.modal.shownObjectNames, (std::vector<std::string>{"Form5", "Form6"}));
    ASSERT_EQ(Control<QTreeWidget>(list, "ListView1")->topLevelItemCount(), 1);
    QTreeWidgetItem* row = Control<QTreeWidget>(list, "ListView1")->topLevelItem(0);
    EXPECT_EQ(row->text(3), "Waiting");
    EXPECT_NE(qsr::testing::ReadAll(home.File("schedule.dat")).find("\tWaiting\ttone\r\n"),
              std::string::npos);

    // The window is hidden; its clock starts and stops the recording.
    QElapsedTimer clock;
    clock.start();
    while (!form.flgRecord() && clock.elapsed() < 6000) QTest::qWait(20);
    ASSERT_TRUE(form.flgRecord()) << "the slot did not start";
    EXPECT_GE(schedule::LocalNow(), start);
    EXPECT_EQ(row->text(3), "Done");
    while (form.flgRecord() && clock.elapsed() < 15000) QTest::qWait(20);
    EXPECT_FALSE(form.flgRecord()) << "the slot did not stop";
    EXPECT_GE(schedule::LocalNow(), start + seconds(4));
    EXPECT_TRUE(desk.messageBox.shown.empty());

    ASSERT_EQ(Control<QTreeWidget>(form, "ListView1")->topLevelItemCount(), 1);
    const std::string path =
        Control<QTreeWidget>(form, "ListView1")->topLevelItem(0)->text(1).toStdString();
    EXPECT_EQ(fs::path(path).parent_path(), out);
    const Decoded d = Decode(*form.FileComponent(), path);
    EXPECT_GT(d.seconds, 3.0) << path;
    EXPECT_LT(d.seconds, 5.2) << path;
    EXPECT_GT(d.toneShare, 0.8) << "not the 1000 Hz tone";

    // Shut-down saves the list with the row done.
    desk.messageBox.answers.push_back(services::MsgAnswer::Cancel);  // no project
    form.exitsystem();
    EXPECT_FALSE(Control<QTimer>(list, "Timer1")->isActive());
    EXPECT_NE(qsr::testing::ReadAll(home.File("schedule.dat")).find("\tDone\ttone\r\n"),
              std::string::npos);
}

}  // namespace
