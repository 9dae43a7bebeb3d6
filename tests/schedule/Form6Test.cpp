#include <gtest/gtest.h>

#include <QApplication>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>

#include "fakes/FakeServices.h"
#include "schedule/windows/Form6.h"
#include "support/Controls.h"
#include "support/TempDir.h"

using qsr::testing::Control;

using namespace qsr;
using schedule::DateTime;
using schedule::Form6;
using std::chrono::seconds;

namespace {

const DateTime kNow = schedule::MakeDateTime(2026, 12, 8, 9, 41, 7).value();

struct Fixture {
    qsr::testing::TempDir home;
    fakes::FakeDesktop desk;
    DateTime now = kNow;
    std::function<DateTime()> Clock() {
        return [this] { return now; };
    }
};

TEST(Form6, LoadsWithTodayAndNowInEveryPicker) {
    Fixture fx;
    Form6 f(fx.home.path().string(), fx.desk.Services(), fx.Clock());
    f.Form_Load();
    EXPECT_EQ(f.windowTitle(), "Scheduler");
    EXPECT_EQ(Control<QLabel>(f, "SkinLabel1")->text(), "2026-12-08 09:41:07");
    // The instant, whatever digits the locale shows it in.
    for (QDateEdit* d : {Control<QDateEdit>(f, "DTPicker1"), Control<QDateEdit>(f, "DTPicker3")})
        EXPECT_EQ(d->date(), QDate(2026, 12, 8));
    for (QTimeEdit* t : {Control<QTimeEdit>(f, "DTPicker2"), Control<QTimeEdit>(f, "DTPicker4")})
        EXPECT_EQ(t->time(), QTime(9, 41, 7));
    EXPECT_EQ(Control<QPushButton>(f, "Command1")->text(), "OK");
    EXPECT_EQ(Control<QPushButton>(f, "Command2")->text(), "Cancel");
    EXPECT_EQ(Control<QLineEdit>(f, "Text1")->accessibleName(), "Comment:");
    EXPECT_EQ(Control<QTimeEdit>(f, "DTPicker2")->accessibleName(), "Start: time");
    // The label follows the clock.
    EXPECT_TRUE(Control<QTimer>(f, "Timer1")->isActive());
    EXPECT_EQ(Control<QTimer>(f, "Timer1")->interval(), 1000);
    fx.now += seconds(1);
    f.Timer1_Timer();
    EXPECT_EQ(Control<QLabel>(f, "SkinLabel1")->text(), "2026-12-08 09:41:08");
}

TEST(Form6, EndNotAfterStartIsRefused) {
    Fixture fx;
    Form6 f(fx.home.path().string(), fx.desk.Services(), fx.Clock());
    f.Form_Load();
    f.show();
    QTest::mouseClick(Control<QPushButton>(f, "Command1"), Qt::LeftButton);  // end equal to start
    Control<QDateEdit>(f, "DTPicker3")->setDate(QDate(2026, 12, 7));
    Control<QTimeEdit>(f, "DTPicker4")->setTime(QTime(23, 59, 59));
    QTest::mouseClick(Control<QPushButton>(f, "Command1"), Qt::LeftButton);  // end a day earlier
    ASSERT_EQ(fx.desk.messageBox.shown.size(), 2u);
    for (const auto& shown : fx.desk.messageBox.shown) {
        EXPECT_EQ(shown.text, "Time is error");
        EXPECT_EQ(shown.icon, services::MsgIcon::Error);
        EXPECT_EQ(shown.title, "Quorvin Sound Recorder");
    }
    EXPECT_TRUE(f.isVisible()) << "the dialog stays open";
    EXPECT_FALSE(f.Row());
}

// The dialog opens with start = now; a user who only sets the end and presses
// OK a few seconds later would get a row that never records.
TEST(Form6, AStartThatHasAlreadyPassedIsRefused) {
    Fixture fx;
    Form6 f(fx.home.path().string(), fx.desk.Services(), fx.Clock());
    f.Form_Load();
    f.show();
    Control<QTimeEdit>(f, "DTPicker4")->setTime(QTime(10, 0, 0));
    fx.now += seconds(5);
    QTest::mouseClick(Control<QPushButton>(f, "Command1"), Qt::LeftButton);
    ASSERT_EQ(fx.desk.messageBox.shown.size(), 1u);
    EXPECT_EQ(fx.desk.messageBox.shown[0].text, "The start time has already passed.");
    EXPECT_EQ(fx.desk.messageBox.shown[0].icon, services::MsgIcon::Error);
    EXPECT_EQ(fx.desk.messageBox.shown[0].title, "Quorvin Sound Recorder");
    EXPECT_TRUE(f.isVisible());
    EXPECT_FALSE(f.Row());
    // A start still ahead of the clock is taken.
    Control<QTimeEdit>(f, "DTPicker2")->setTime(QTime(9, 41, 12));
    QTest::mouseClick(Control<QPushButton>(f, "Command1"), Qt::LeftButton);
    ASSERT_TRUE(f.Row());
    EXPECT_EQ(f.Row()->start, "2026-12-08 09:41:12");
}

// Pickers of a locale with its own digits show them; the cells are still
// written in ASCII digits, so the clock can read them.
TEST(Form6, LocalesWithOtherDigitsStillMakeCellsTheClockReads) {
    for (const char* name : {"ar_EG", "fa_IR"}) {
        SCOPED_TRACE(name);
        const QLocale before;
        QLocale::setDefault(QLocale(name));
        Fixture fx;
        Form6 f(fx.home.path().string(), fx.desk.Services(), fx.Clock());
        f.Form_Load();
        f.show();
        Control<QTimeEdit>(f, "DTPicker2")->setTime(QTime(9, 45, 0));
        Control<QTimeEdit>(f, "DTPicker4")->setTime(QTime(9, 50, 30));
        EXPECT_NE(Control<QTimeEdit>(f, "DTPicker2")->text(), "09:45:00")
            << "the locale's own digits are shown";
        QTest::mouseClick(Control<QPushButton>(f, "Command1"), Qt::LeftButton);
        QLocale::setDefault(before);
        EXPECT_TRUE(fx.desk.messageBox.shown.empty());
        ASSERT_TRUE(f.Row());
        EXPECT_EQ(f.Row()->start, "2026-12-08 09:45:00");
        EXPECT_EQ(f.Row()->stop, "2026-12-08 09:50:30");
        EXPECT_EQ(schedule::ParseDateTime(f.Row()->start),
                  schedule::MakeDateTime(2026, 12, 8, 9, 45, 0));
    }
}

// The default locale for a scope.
struct DefaultLocale {
    const QLocale before;
    explicit DefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~DefaultLocale() { QLocale::setDefault(before); }
};

// Types digits into the focused control as a keyboard does, in the locale's
// own script or in Latin digits.
void TypeDigits(const QString& digits, const QLocale* script) {
    for (const QChar c : digits) {
        const int d = c.digitValue();
        const QString text = script ? script->toString(d) : QString(c);
        QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(),
                            static_cast<Qt::Key>(Qt::Key_0 + d), text, Qt::NoModifier);
    }
}

// Tab until the control has the focus, as the user moves through the dialog.
bool TabTo(QWidget* control) {
    for (int i = 0; i < 20 && !control->hasFocus(); ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    return control->hasFocus();
}

// Keyboard only: a slot an hour ahead, over midnight, typed into the
// pickers in Latin digits and in the locale's own, is taken as typed.
TEST(Form6, ASlotTypedAnHourAheadIsTakenInEveryLocale) {
    for (const char* name : {"C", "ar_EG", "fa_IR"}) {
        for (const bool localeDigits : {false, true}) {
            SCOPED_TRACE(std::string(name) + (localeDigits ? " locale digits" : " Latin digits"));
            const QLocale locale(name);
            const DefaultLocale chosen(locale);
            Fixture fx;
            fx.now = schedule::MakeDateTime(2026, 12, 8, 23, 40, 0).value();
            Form6 f(fx.home.path().string(), fx.desk.Services(), fx.Clock());
            f.Form_Load();
            f.show();
            QApplication::setActiveWindow(&f);
            ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
            const QLocale* script = localeDigits ? &locale : nullptr;
            const std::pair<const char*, const char*> typed[] = {{"DTPicker1", "20261209"},
                                                                 {"DTPicker2", "004000"},
                                                                 {"DTPicker3", "20261209"},
                                                                 {"DTPicker4", "013000"}};
            for (const auto& [picker, digits] : typed) {
                ASSERT_TRUE(TabTo(Control<QWidget>(f, picker))) << picker;
                TypeDigits(digits, script);
            }
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // OK is the default
            EXPECT_EQ(fx.desk.messageBox.Texts(), std::vector<std::string>{});
            ASSERT_TRUE(f.Row());
            EXPECT_EQ(f.Row()->start, "2026-12-09 00:40:00");
            EXPECT_EQ(f.Row()->stop, "2026-12-09 01:30:00");
        }
    }
}

TEST(Form6, OkMakesAWaitingRowInTheFixedForm) {
    Fixture fx;
    Form6 f(fx.home.path().string(), fx.desk.Services(), fx.Clock());
    f.Form_Load();
    f.show();
    // End one second after start, on the next day: only the whole date-time counts.
    Control<QDateEdit>(f, "DTPicker1")->setDate(QDate(2026, 12, 31));
    Control<QTimeEdit>(f, "DTPicker2")->setTime(QTime(23, 59, 59));
    Control<QDateEdit>(f, "DTPicker3")->setDate(QDate(2027, 1, 1));
    Control<QTimeEdit>(f, "DTPicker4")->setTime(QTime(0, 0, 0));
    QTest::keyClicks(Control<QLineEdit>(f, "Text1"), "New year");
    QTest::mouseClick(Control<QPushButton>(f, "Command1"), Qt::LeftButton);
    EXPECT_TRUE(fx.desk.messageBox.shown.empty());
    EXPECT_EQ(f.result(), QDialog::Accepted);
    EXPECT_FALSE(f.isVisible());
    ASSERT_TRUE(f.Row());
    EXPECT_EQ(*f.Row(), (schedule::ScheduleRow{"2026-12-31 23:59:59", "2027-01-01 00:00:00", "",
                                               "Waiting", "New year"}));
}

TEST(Form6, ShownModalItGivesTheRowOrNothingOnCancel) {
    Fixture fx;
    fx.desk.modal.scripts.push_back([](QDialog& d) {
        auto& f = dynamic_cast<Form6&>(d);
        Control<QTimeEdit>(f, "DTPicker4")
            ->setTime(Control<QTimeEdit>(f, "DTPicker4")->time().addSecs(30));
        QTest::mouseClick(Control<QPushButton>(f, "Command1"), Qt::LeftButton);
        return d.result();
    });
    fx.desk.modal.scripts.push_back([](QDialog& d) {
        auto& f = dynamic_cast<Form6&>(d);
        Control<QTimeEdit>(f, "DTPicker4")
            ->setTime(Control<QTimeEdit>(f, "DTPicker4")->time().addSecs(30));
        QTest::mouseClick(Control<QPushButton>(f, "Command2"), Qt::LeftButton);
        return d.result();
    });
    const auto row =
        schedule::ShowScheduler(fx.home.path().string(), fx.desk.Services(), fx.Clock());
    ASSERT_TRUE(row);
    EXPECT_EQ(row->start, "2026-12-08 09:41:07");
    EXPECT_EQ(row->stop, "2026-12-08 09:41:37");
    EXPECT_FALSE(schedule::ShowScheduler(fx.home.path().string(), fx.desk.Services(), fx.Clock()));
    EXPECT_EQ(fx.desk.modal.shownObjectNames, (std::vector<std::string>{"Form6", "Form6"}));
}

}  // namespace
