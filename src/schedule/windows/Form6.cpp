#include "schedule/windows/Form6.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>

#include "core/AppInfo.h"
#include "platform/services/windows/Skin.h"
#include "schedule/ClockCheck.h"

namespace qsr::schedule {
namespace {

// The caption of the program's message boxes.

QDate ToQDate(DateTime at) {
    const std::chrono::year_month_day date(std::chrono::floor<std::chrono::days>(at));
    return QDate(static_cast<int>(date.year()), static_cast<int>(unsigned(date.month())),
                 static_cast<int>(unsigned(date.day())));
}

QTime ToQTime(DateTime at) {
    const auto days = std::chrono::floor<std::chrono::days>(at);
    const std::chrono::hh_mm_ss time(at - days);
    return QTime(static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                 static_cast<int>(time.seconds().count()));
}

std::optional<DateTime> FromPickers(const QDateEdit& date, const QTimeEdit& time) {
    const QDate d = date.date();
    const QTime t = time.time();
    return MakeDateTime(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
}

}  // namespace

Form6::Form6(std::string applicationFolder, services::DesktopServices desktop,
             std::function<DateTime()> now, QWidget* parent)
    : QDialog(parent),
      applicationFolder_(std::move(applicationFolder)),
      desktop_(desktop),
      now_(std::move(now)) {
    setObjectName("Form6");
    setWindowTitle("Scheduler");

    // Built in tab order: the clock, the pickers and comment, the buttons.
    BuildClock();
    QLayout* grid = BuildPickers();
    QLayout* buttons = BuildButtons();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SkinLabel1);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    setMinimumWidth(400);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(1000);

    connect(Command1, &QPushButton::clicked, this, &Form6::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form6::Command2_Click);
    connect(Timer1, &QTimer::timeout, this, &Form6::Timer1_Timer);
}

void Form6::BuildClock() {
    SkinLabel1 = new QLabel(this);
    SkinLabel1->setObjectName("SkinLabel1");
    SkinLabel1->setAlignment(Qt::AlignCenter);
    QFont clockFont = SkinLabel1->font();
    clockFont.setPointSize(clockFont.pointSize() + 4);
    clockFont.setBold(true);
    SkinLabel1->setFont(clockFont);
}

QLayout* Form6::BuildPickers() {
    auto label = [this](const char* name, const char* caption) {
        auto* l = new QLabel(caption, this);
        l->setObjectName(name);
        return l;
    };
    auto dateEdit = [this](const char* name, const char* accessible) {
        auto* e = new QDateEdit(this);
        e->setObjectName(name);
        e->setAccessibleName(accessible);
        e->setDisplayFormat(kDateForm);
        e->setCalendarPopup(true);
        return e;
    };
    auto timeEdit = [this](const char* name, const char* accessible) {
        auto* e = new QTimeEdit(this);
        e->setObjectName(name);
        e->setAccessibleName(accessible);
        e->setDisplayFormat(kTimeForm);
        return e;
    };
    QLabel* startLabel = label("Label1", "Start:");
    QLabel* endLabel = label("Label2", "End:");
    QLabel* commentLabel = label("Label3", "Comment:");
    DTPicker1 = dateEdit("DTPicker1", "Start: date");
    DTPicker2 = timeEdit("DTPicker2", "Start: time");
    DTPicker3 = dateEdit("DTPicker3", "End: date");
    DTPicker4 = timeEdit("DTPicker4", "End: time");
    startLabel->setBuddy(DTPicker1);
    endLabel->setBuddy(DTPicker3);
    Text1 = new QLineEdit(this);
    Text1->setObjectName("Text1");
    Text1->setAccessibleName("Comment:");
    commentLabel->setBuddy(Text1);

    auto* grid = new QGridLayout;
    grid->addWidget(startLabel, 0, 0);
    grid->addWidget(DTPicker1, 0, 1);
    grid->addWidget(DTPicker2, 0, 2);
    grid->addWidget(endLabel, 1, 0);
    grid->addWidget(DTPicker3, 1, 1);
    grid->addWidget(DTPicker4, 1, 2);
    grid->addWidget(commentLabel, 2, 0);
    grid->addWidget(Text1, 2, 1, 1, 2);
    return grid;
}

QLayout* Form6::BuildButtons() {
    Command1 = new QPushButton("OK", this);
    Command1->setObjectName("Command1");
    Command1->setAccessibleName("OK");
    Command1->setDefault(true);
    Command2 = new QPushButton("Cancel", this);
    Command2->setObjectName("Command2");
    Command2->setAccessibleName("Cancel");
    Command2->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    return buttons;
}

Form6::~Form6() = default;

DateTime Form6::Now() const {
    return now_ ? now_() : LocalNow();
}

void Form6::Form_Load() {
    services::ApplySkin(*this, applicationFolder_);
    const DateTime now = Now();
    SkinLabel1->setText(QString::fromStdString(FormatDateTime(now)));
    DTPicker1->setDate(ToQDate(now));
    DTPicker3->setDate(ToQDate(now));
    DTPicker2->setTime(ToQTime(now));
    DTPicker4->setTime(ToQTime(now));
    Timer1->start();
}

void Form6::Timer1_Timer() {
    SkinLabel1->setText(QString::fromStdString(FormatDateTime(Now())));
}

void Form6::Command1_Click() {
    const auto start = FromPickers(*DTPicker1, *DTPicker2);
    const auto end = FromPickers(*DTPicker3, *DTPicker4);
    auto refuse = [this](const char* text) {
        if (desktop_.messageBox)
            desktop_.messageBox->Show(text, services::MsgIcon::Error, services::MsgButtons::Ok,
                                      core::kAppTitle);
    };
    if (!start || !end || *end <= *start) return refuse("Time is error");
    // The clock only looks forward: a start already behind it never comes.
    if (*start < Now()) return refuse("The start time has already passed.");
    ScheduleRow row;
    // The cells in the fixed form, whatever digits the pickers show.
    row.start = FormatDateTime(*start);
    row.stop = FormatDateTime(*end);
    row.status = kWaiting;
    row.comment = Text1->text().toStdString();
    row_ = std::move(row);
    Timer1->stop();
    accept();
}

void Form6::Command2_Click() {
    Timer1->stop();
    reject();
}

std::optional<ScheduleRow> ShowScheduler(const std::string& applicationFolder,
                                         services::DesktopServices desktop,
                                         std::function<DateTime()> now) {
    Form6 dialog(applicationFolder, desktop, std::move(now));
    dialog.Form_Load();
    if (!desktop.modal || desktop.modal->Exec(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.Row();
}

}  // namespace qsr::schedule
