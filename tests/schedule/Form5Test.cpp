#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QHeaderView>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>

#include "fakes/FakeServices.h"
#include "schedule/windows/Form5.h"
#include "support/Controls.h"
#include "support/TempDir.h"

using qsr::testing::Control;

using namespace qsr;
using schedule::DateTime;
using schedule::Form5;
using schedule::ScheduleRow;
using std::chrono::seconds;

namespace {

const DateTime kTen = schedule::MakeDateTime(2026, 12, 8, 10, 0, 0).value();

// The window over a temporary application folder, a settable clock and a log
// of what it calls.
struct Fixture {
    qsr::testing::TempDir home;
    fakes::FakeDesktop desk;
    DateTime now = kTen - seconds(10);
    std::vector<std::string> log;
    std::vector<std::pair<DateTime, bool>> pending;  // when slotPending was called
    std::deque<std::optional<ScheduleRow>> answers;  // what "Add" gets
    std::unique_ptr<Form5> form;

    std::string File() const { return home.File("schedule.dat"); }

    Form5& Load() {
        schedule::ScheduleTargets t;
        t.startRecord = [this] { log.push_back("StartRecord"); };
        t.stopRecord = [this] { log.push_back("StopRecord"); };
        t.addSlot = [this]() -> std::optional<ScheduleRow> {
            log.push_back("Form6");
            if (answers.empty()) return std::nullopt;
            auto s = answers.front();
            answers.pop_front();
            return s;
        };
        t.now = [this] { return now; };
        t.slotPending = [this](bool on) { pending.emplace_back(now, on); };
        form = std::make_unique<Form5>(home.path().string(), desk.Services(), t);
        form->Form_Load();
        return *form;
    }
    // Clock ticks from the current time up to and including `to`.
    void TickUntil(DateTime to) {
        while (now < to) {
            now += seconds(1);
            form->Timer1_Timer();
        }
    }
    std::string Cell(int row, int column) const {
        return Control<QTreeWidget>(*form, "ListView1")
            ->topLevelItem(row)
            ->text(column)
            .toStdString();
    }
};

ScheduleRow Slot(DateTime start, DateTime stop, std::string comment = {}) {
    return {schedule::FormatDateTime(start), schedule::FormatDateTime(stop), "", "Waiting",
            std::move(comment)};
}

TEST(Form5, ANamedPipeAsScheduleIsNamedAndNothingWaitsForIt) {
    Fixture fx;
    ASSERT_EQ(::mkfifo(fx.File().c_str(), 0600), 0);
    Form5& f = fx.Load();  // returns: no open waits for the other end
    ASSERT_EQ(fx.desk.messageBox.shown.size(), 1u);
    EXPECT_EQ(fx.desk.messageBox.shown[0].text, fx.File() + " is a named pipe, not a file.");
    EXPECT_EQ(fx.desk.messageBox.shown[0].title, "Quorvin Sound Recorder");
    EXPECT_EQ(Control<QTreeWidget>(f, "ListView1")->topLevelItemCount(), 0);
}

TEST(Form5, LoadsHiddenWithItsControlsAndItsClockRunning) {
    Fixture fx;
    Form5& f = fx.Load();
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.windowTitle(), "Schedule");
    EXPECT_EQ(f.objectName(), "Form5");
    QStringList headers;
    for (int i = 0; i < Control<QTreeWidget>(f, "ListView1")->columnCount(); ++i)
        headers << Control<QTreeWidget>(f, "ListView1")->headerItem()->text(i);
    EXPECT_EQ(headers, (QStringList{"Start time", "Stop time", "File", "Status", "Comment"}));
    const std::vector<std::pair<QPushButton*, std::string>> buttons = {
        {Control<QPushButton>(f, "Command1"), "Add"},
        {Control<QPushButton>(f, "Command2"), "Remove"},
        {Control<QPushButton>(f, "Command3"), "Clear"},
        {Control<QPushButton>(f, "Command4"), "OK"}};
    for (const auto& [b, caption] : buttons) {
        EXPECT_EQ(b->text().toStdString(), caption);
        EXPECT_EQ(b->accessibleName().toStdString(), caption);
    }
    EXPECT_EQ(Control<QTreeWidget>(f, "ListView1")->objectName(), "ListView1");
    EXPECT_TRUE(Control<QTimer>(f, "Timer1")->isActive());
    EXPECT_EQ(Control<QTimer>(f, "Timer1")->interval(), 1000);
    // A missing schedule.dat is created empty.
    EXPECT_TRUE(std::filesystem::exists(fx.File()));
    EXPECT_EQ(std::filesystem::file_size(fx.File()), 0u);
    EXPECT_EQ(Control<QTreeWidget>(f, "ListView1")->topLevelItemCount(), 0);
}

TEST(Form5, ReadsTheFileAtLoadAndDamagedLinesNeverStartAnything) {
    Fixture fx;
    qsr::testing::WriteAll(fx.File(),
                           "2026-12-08 09:59:55\t2026-12-08 10:00:00\tkept.mp3\tDone\tnews\r\n"
                           "8.12.2026 09:59:55\t2026-12-08 10:10:00\r\n"
                           "\x01\x02\xff\xfe binary\r\n");
    Form5& f = fx.Load();
    ASSERT_EQ(Control<QTreeWidget>(f, "ListView1")->topLevelItemCount(), 3);
    EXPECT_EQ(f.Rows()[0], (ScheduleRow{"2026-12-08 09:59:55", "2026-12-08 10:00:00", "kept.mp3",
                                        "Done", "news"}));
    EXPECT_EQ(fx.Cell(1, 1), "2026-12-08 10:10:00");
    EXPECT_EQ(fx.Cell(1, 3), "");
    fx.TickUntil(kTen + seconds(5));
    EXPECT_EQ(fx.log, (std::vector<std::string>{"StartRecord", "StopRecord"}));
    EXPECT_EQ(fx.Cell(0, 3), "Done");
}

TEST(Form5, AddRemoveClearAndOkSaveTheList) {
    Fixture fx;
    Form5& f = fx.Load();
    fx.answers = {Slot(kTen, kTen + seconds(30), "first"), std::nullopt,
                  Slot(kTen + seconds(60), kTen + seconds(90), "second"),
                  Slot(kTen + seconds(120), kTen + seconds(150), "third")};
    for (int i = 0; i < 4; ++i)
        QTest::mouseClick(Control<QPushButton>(f, "Command1"), Qt::LeftButton);
    EXPECT_EQ(fx.log, std::vector<std::string>(4, "Form6"));
    ASSERT_EQ(Control<QTreeWidget>(f, "ListView1")->topLevelItemCount(), 3)
        << "a cancelled dialog adds nothing";

    QTest::mouseClick(Control<QPushButton>(f, "Command2"), Qt::LeftButton);  // nothing selected
    EXPECT_EQ(Control<QTreeWidget>(f, "ListView1")->topLevelItemCount(), 3);
    Control<QTreeWidget>(f, "ListView1")
        ->setCurrentItem(Control<QTreeWidget>(f, "ListView1")->topLevelItem(1));
    QTest::mouseClick(Control<QPushButton>(f, "Command2"), Qt::LeftButton);
    ASSERT_EQ(Control<QTreeWidget>(f, "ListView1")->topLevelItemCount(), 2);
    EXPECT_EQ(fx.Cell(1, 4), "third");

    f.show();
    QTest::mouseClick(Control<QPushButton>(f, "Command4"), Qt::LeftButton);
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(Control<QTimer>(f, "Timer1")->isActive());
    EXPECT_EQ(qsr::testing::ReadAll(fx.File()),
              "2026-12-08 10:00:00\t2026-12-08 10:00:30\t\tWaiting\tfirst\r\n"
              "2026-12-08 10:02:00\t2026-12-08 10:02:30\t\tWaiting\tthird\r\n");

    QTest::mouseClick(Control<QPushButton>(f, "Command3"), Qt::LeftButton);
    EXPECT_EQ(Control<QTreeWidget>(f, "ListView1")->topLevelItemCount(), 0);
    QTest::mouseClick(Control<QPushButton>(f, "Command4"), Qt::LeftButton);
    EXPECT_EQ(qsr::testing::ReadAll(fx.File()), "");
}

TEST(Form5, TheCloseBoxSavesAndHidesAndTheClockGoesOn) {
    Fixture fx;
    Form5& f = fx.Load();
    fx.answers = {Slot(kTen, kTen + seconds(3))};
    f.show();
    QTest::mouseClick(Control<QPushButton>(f, "Command1"), Qt::LeftButton);
    f.close();
    EXPECT_FALSE(f.isVisible());
    EXPECT_NE(qsr::testing::ReadAll(fx.File()).find("\tWaiting\t"), std::string::npos);
    EXPECT_TRUE(Control<QTimer>(f, "Timer1")->isActive());

    // The real timer, not just the handler, still drives the checks.
    fx.now = kTen - seconds(1);
    Control<QTimer>(f, "Timer1")->setInterval(10);
    fx.log.clear();
    QTest::qWait(60);
    EXPECT_TRUE(fx.log.empty());
    fx.now = kTen;
    QTest::qWait(60);
    EXPECT_EQ(fx.log, (std::vector<std::string>{"StartRecord"}));
    EXPECT_EQ(fx.Cell(0, 3), "Done");

    // Escape does the same as the close box.
    f.show();
    QTest::keyClick(&f, Qt::Key_Escape);
    EXPECT_FALSE(f.isVisible());
    EXPECT_NE(qsr::testing::ReadAll(fx.File()).find("\tDone\t"), std::string::npos);
}

TEST(Form5, ScheduledRecordingStartsAndStopsWithTheSlot) {
    Fixture fx;
    qsr::testing::WriteAll(fx.File(),
                           schedule::ScheduleText({Slot(kTen, kTen + seconds(30), "same start"),
                                                   Slot(kTen, kTen + seconds(60), "second")}));
    Form5& f = fx.Load();
    fx.TickUntil(kTen - seconds(1));
    EXPECT_TRUE(fx.log.empty());
    fx.TickUntil(kTen);
    EXPECT_EQ(fx.log, (std::vector<std::string>{"StartRecord"}));
    EXPECT_EQ(fx.Cell(0, 3), "Done");
    EXPECT_EQ(fx.Cell(1, 3), "Waiting");
    EXPECT_TRUE(f.State().active);
    // The user stops it and starts a recording of their own: that one is
    // stopped at the slot's stop time, as the checker cannot tell them apart.
    fx.TickUntil(kTen + seconds(40));
    EXPECT_EQ(fx.log, (std::vector<std::string>{"StartRecord", "StopRecord"}));
    EXPECT_FALSE(f.State().active);
    EXPECT_EQ(fx.Cell(1, 3), "Waiting") << "the second row with the same start never starts";
    // The machine was kept awake from a minute before the start until it.
    EXPECT_EQ(fx.pending,
              (std::vector<std::pair<DateTime, bool>>{{kTen - seconds(9), true}, {kTen, false}}));
}

// A scheduled recording whose device went away: its own row says so, even
// after a row above it was removed.
TEST(Form5, ALostDeviceIsNotedInTheRowThatStarted) {
    Fixture fx;
    qsr::testing::WriteAll(
        fx.File(), schedule::ScheduleText({Slot(kTen - seconds(90), kTen - seconds(80), "gone"),
                                           Slot(kTen, kTen + seconds(60), "news")}));
    Form5& f = fx.Load();
    fx.TickUntil(kTen);
    ASSERT_EQ(fx.log, (std::vector<std::string>{"StartRecord"}));
    delete Control<QTreeWidget>(f, "ListView1")->topLevelItem(0);
    f.NoteDeviceLost();
    EXPECT_EQ(fx.Cell(0, 3), "Stopped: device lost");
    Control<QTreeWidget>(f, "ListView1")->clear();
    f.NoteDeviceLost();  // the row is gone: nothing to mark, no crash
    EXPECT_EQ(Control<QTreeWidget>(f, "ListView1")->topLevelItemCount(), 0);
}

TEST(Form5, SlotsWhoseStartPassedBeforeTheLoadDoNotStart) {
    Fixture fx;
    fx.now = kTen + seconds(5);
    qsr::testing::WriteAll(fx.File(), schedule::ScheduleText({Slot(kTen, kTen + seconds(30)),
                                                              Slot(fx.now, kTen + seconds(30))}));
    Form5& f = fx.Load();
    f.Timer1_Timer();  // a first check in the very second of the load
    fx.TickUntil(kTen + seconds(40));
    EXPECT_EQ(fx.log, (std::vector<std::string>{"StartRecord", "StopRecord"}));
    EXPECT_EQ(fx.Cell(0, 3), "Waiting");
    EXPECT_EQ(fx.Cell(1, 3), "Done");
}

TEST(Form5, ShutDownSavesTheListAndStopsTheClock) {
    Fixture fx;
    Form5& f = fx.Load();
    fx.answers = {Slot(kTen, kTen + seconds(3), "saved at exit")};
    QTest::mouseClick(Control<QPushButton>(f, "Command1"), Qt::LeftButton);
    f.show();
    f.Form_Unload();
    EXPECT_FALSE(f.isVisible());
    EXPECT_FALSE(Control<QTimer>(f, "Timer1")->isActive());
    std::vector<ScheduleRow> rows;
    ASSERT_TRUE(schedule::ReadScheduleFile(fx.File(), rows));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].comment, "saved at exit");
}

// A file the program could not read holds slots it does not know: it is
// said once and never saved over, by OK, the close box or the shut-down.
TEST(Form5, AScheduleFileThatCouldNotBeReadIsLeftAsItIs) {
    Fixture fx;
    const std::string line = schedule::JoinScheduleLine(Slot(kTen, kTen + seconds(30))) + "\r\n";
    std::string big;
    while (big.size() <= schedule::kMaxScheduleFileSize) big += line;
    qsr::testing::WriteAll(fx.File(), big);
    Form5& f = fx.Load();
    EXPECT_EQ(fx.desk.messageBox.Texts(),
              (std::vector<std::string>{
                  "schedule.dat could not be read: larger than 16 MB; it is left as it is"}));
    EXPECT_EQ(fx.desk.messageBox.shown[0].icon, services::MsgIcon::Error);
    EXPECT_FALSE(Control<QPushButton>(f, "Command1")->isEnabled())
        << "the list is read-only for this run";
    f.show();
    QTest::mouseClick(Control<QPushButton>(f, "Command4"), Qt::LeftButton);
    f.show();
    f.close();
    f.Form_Unload();
    EXPECT_TRUE(qsr::testing::ReadAll(fx.File()) == big);
    EXPECT_EQ(fx.desk.messageBox.shown.size(), 1u);
}

// A slot that ran is saved at once: a crash afterwards never starts it again.
// Cells that are not UTF-8 keep their bytes.
TEST(Form5, AStatusChangeIsSavedAtOnceAndUntouchedBytesStayAsRead) {
    Fixture fx;
    const std::string other = "\x01\x02\xff\xfe binary\t\t\t\tcaf\xe9\r\n";
    qsr::testing::WriteAll(
        fx.File(), schedule::JoinScheduleLine(Slot(kTen, kTen + seconds(30))) + "\r\n" + other);
    fx.Load();
    fx.TickUntil(kTen);
    EXPECT_EQ(fx.log, (std::vector<std::string>{"StartRecord"}));
    EXPECT_EQ(
        qsr::testing::ReadAll(fx.File()),
        schedule::JoinScheduleLine({schedule::FormatDateTime(kTen),
                                    schedule::FormatDateTime(kTen + seconds(30)), "", "Done", ""}) +
            "\r\n" + other);
}

// A save that fails says so once, naming the file and the reason.
TEST(Form5, AFailedSaveIsReportedOnce) {
    Fixture fx;
    Form5& f = fx.Load();
    std::filesystem::remove(fx.File());
    std::filesystem::create_directory(fx.File());  // nothing can replace a folder
    EXPECT_FALSE(f.SaveList());
    EXPECT_FALSE(f.SaveList());
    ASSERT_EQ(fx.desk.messageBox.shown.size(), 1u);
    const std::string text = fx.desk.messageBox.shown[0].text;
    EXPECT_EQ(text.rfind(fx.File() + " could not be saved: ", 0), 0u) << text;
    EXPECT_GT(text.size(), (fx.File() + " could not be saved: ").size()) << "with the reason";
    EXPECT_EQ(fx.desk.messageBox.shown[0].icon, services::MsgIcon::Error);
}

}  // namespace
