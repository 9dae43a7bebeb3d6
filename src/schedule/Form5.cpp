#include "schedule/Form5.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/FileKind.h"
#include "platform/services/AppFolder.h"
#include "platform/services/Skin.h"

namespace qsr::schedule {
namespace {

enum Column { kStart, kStop, kFile, kStatus, kComment };

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

Form5::Form5(std::string applicationFolder, services::DesktopServices desktop,
             ScheduleTargets targets, QWidget* parent)
    : QDialog(parent),
      applicationFolder_(std::move(applicationFolder)),
      desktop_(desktop),
      targets_(std::move(targets)) {
    setObjectName("Form5");
    setWindowTitle("Schedule");

    ListView1 = new QTreeWidget(this);
    ListView1->setObjectName("ListView1");
    ListView1->setAccessibleName("Schedule");
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setHeaderLabels({"Start time", "Stop time", "File", "Status", "Comment"});
    ListView1->setColumnWidth(kStart, 150);
    ListView1->setColumnWidth(kStop, 150);
    ListView1->setColumnWidth(kFile, 110);
    ListView1->setColumnWidth(kStatus, 70);
    ListView1->header()->setStretchLastSection(true);

    auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setAccessibleName(caption);
        b->setAutoDefault(false);
        return b;
    };
    Command1 = button("Command1", "Add");
    Command2 = button("Command2", "Remove");
    Command3 = button("Command3", "Clear");
    Command4 = button("Command4", "OK");

    auto* buttons = new QHBoxLayout;
    for (auto* b : {Command1, Command2, Command3}) buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(Command4);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ListView1, 1);
    layout->addLayout(buttons);
    resize(680, 320);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(1000);

    connect(Command1, &QPushButton::clicked, this, &Form5::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form5::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form5::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form5::Command4_Click);
    connect(Timer1, &QTimer::timeout, this, &Form5::Timer1_Timer);
}

Form5::~Form5() = default;

std::string Form5::ScheduleFile() const {
    return services::AppPath(applicationFolder_, kScheduleFileName);
}

DateTime Form5::Now() const {
    return targets_.now ? targets_.now() : LocalNow();
}

void Form5::Form_Load() {
    services::ApplySkin(*this, applicationFolder_);
    const std::string file = ScheduleFile();
    // A named pipe or a device in its place holds no schedule; say so once.
    if (const std::string kind = core::SpecialFileKind(file); !kind.empty() && desktop_.messageBox)
        desktop_.messageBox->Show(core::SpecialFileMessage(file, kind), services::MsgIcon::Error,
                                  services::MsgButtons::Ok, windowTitle().toStdString());
    EnsureScheduleFile(file);
    std::vector<ScheduleRow> rows;
    ListView1->clear();
    if (ReadScheduleFile(file, rows))
        for (const ScheduleRow& row : rows) AddRow(row);
    // The program runs from this second on: a slot starting now still starts,
    // one whose start has already passed does not.
    lastCheck_ = Now() - std::chrono::seconds(1);
    Timer1->start();
}

void Form5::Form_Unload() {
    Timer1->stop();
    SaveList();
    hide();
}

bool Form5::SaveList() {
    return WriteScheduleFile(ScheduleFile(), Rows());
}

std::vector<ScheduleRow> Form5::Rows() const {
    std::vector<ScheduleRow> rows;
    rows.reserve(static_cast<std::size_t>(ListView1->topLevelItemCount()));
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = ListView1->topLevelItem(i);
        rows.push_back({item->text(kStart).toStdString(), item->text(kStop).toStdString(),
                        item->text(kFile).toStdString(), item->text(kStatus).toStdString(),
                        item->text(kComment).toStdString()});
    }
    return rows;
}

void Form5::AddRow(const ScheduleRow& row) {
    auto* item = new QTreeWidgetItem(ListView1);
    item->setText(kStart, Q(row.start));
    item->setText(kStop, Q(row.stop));
    item->setText(kFile, Q(row.file));
    item->setText(kStatus, Q(row.status));
    item->setText(kComment, Q(row.comment));
}

void Form5::Timer1_Timer() {
    // A stop or start may let pending events run, and with them this timer.
    if (checking_) return;
    checking_ = true;
    const DateTime now = Now();
    const ClockActions actions = ClockCheck(Rows(), state_, lastCheck_, now);
    lastCheck_ = now;
    state_ = actions.next;
    const bool pending = SlotStartsWithin(Rows(), now, std::chrono::minutes(1));
    if (pending != slotPending_) {
        slotPending_ = pending;
        if (targets_.slotPending) targets_.slotPending(pending);
    }
    if (actions.stopRecord && targets_.stopRecord) targets_.stopRecord();
    if (actions.startRow) {
        // Marked before the start, whose events could change the list.
        const int row = static_cast<int>(*actions.startRow);
        if (QTreeWidgetItem* item = ListView1->topLevelItem(row)) item->setText(kStatus, kDone);
        if (targets_.startRecord) targets_.startRecord();
    }
    checking_ = false;
}

void Form5::Command1_Click() {
    if (!targets_.addSlot) return;
    if (const auto row = targets_.addSlot()) AddRow(*row);
}

void Form5::Command2_Click() {
    const auto selected = ListView1->selectedItems();
    if (!selected.isEmpty()) delete selected.front();
}

void Form5::Command3_Click() {
    ListView1->clear();
}

void Form5::Command4_Click() {
    SaveList();
    accept();
}

void Form5::reject() {
    SaveList();
    QDialog::reject();
}

}  // namespace qsr::schedule
