#include "schedule/windows/Form5.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/AppInfo.h"
#include "core/AtomicFile.h"
#include "core/FileKind.h"
#include "platform/services/AppFolder.h"
#include "platform/services/windows/Skin.h"

namespace qsr::schedule {
namespace {

enum Column { kStart, kStop, kFile, kStatus, kComment };

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// Each cell keeps the bytes it was read with, so text that is not UTF-8 is
// written back as it was unless the cell is changed.
constexpr int kReadBytes = Qt::UserRole;

void SetCell(QTreeWidgetItem& item, int column, const std::string& bytes) {
    item.setText(column, Q(bytes));
    item.setData(column, kReadBytes, QByteArray::fromStdString(bytes));
}

std::string CellBytes(const QTreeWidgetItem& item, int column) {
    const QByteArray read = item.data(column, kReadBytes).toByteArray();
    const QString text = item.text(column);
    if (!read.isNull() && QString::fromUtf8(read) == text) return read.toStdString();
    return text.toStdString();
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
    std::vector<ScheduleRow> rows;
    ListView1->clear();
    readError_.clear();
    // A named pipe or a device in its place holds no schedule: say so once,
    // and never write over it.
    if (const std::string kind = core::SpecialFileKind(file); !kind.empty()) {
        readError_ = core::SpecialFileMessage(file, kind);
        for (QPushButton* b : {Command1, Command2, Command3}) b->setEnabled(false);
        if (desktop_.messageBox)
            desktop_.messageBox->Show(readError_, services::MsgIcon::Error,
                                      services::MsgButtons::Ok, core::kAppTitle);
    } else {
        EnsureScheduleFile(file);
        if (ReadScheduleFile(file, rows, &readError_)) {
            for (const ScheduleRow& row : rows) AddRow(row);
        } else {
            // Saving the empty list would wipe slots we merely failed to read.
            if (readError_.empty()) readError_ = "unknown error";
            for (QPushButton* b : {Command1, Command2, Command3}) b->setEnabled(false);
            if (desktop_.messageBox)
                desktop_.messageBox->Show(
                    std::string(kScheduleFileName) + " could not be read: " + readError_ +
                        "; it is left as it is",
                    services::MsgIcon::Error, services::MsgButtons::Ok, core::kAppTitle);
        }
    }
    // The program runs from this second on: a slot starting now still starts,
    // one whose start has already passed does not.
    lastCheck_ = Now() - std::chrono::seconds(1);
    Timer1->start();
}

void Form5::Form_Unload() {
    StopClock();
    SaveList();
    hide();
}

void Form5::StopClock() {
    Timer1->stop();
}

bool Form5::SaveList() {
    if (!readError_.empty()) return false;
    std::string why;
    if (WriteScheduleFile(ScheduleFile(), Rows(), &why)) {
        saveFailureShown_ = false;
        return true;
    }
    if (!saveFailureShown_ && desktop_.messageBox) {
        saveFailureShown_ = true;
        desktop_.messageBox->Show(core::CouldNotSaveMessage(ScheduleFile(), why),
                                  services::MsgIcon::Error, services::MsgButtons::Ok,
                                  core::kAppTitle);
    }
    return false;
}

std::vector<ScheduleRow> Form5::Rows() const {
    std::vector<ScheduleRow> rows;
    rows.reserve(static_cast<std::size_t>(ListView1->topLevelItemCount()));
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = ListView1->topLevelItem(i);
        rows.push_back({CellBytes(*item, kStart), CellBytes(*item, kStop), CellBytes(*item, kFile),
                        CellBytes(*item, kStatus), CellBytes(*item, kComment)});
    }
    return rows;
}

void Form5::AddRow(const ScheduleRow& row) {
    auto* item = new QTreeWidgetItem(ListView1);
    SetCell(*item, kStart, row.start);
    SetCell(*item, kStop, row.stop);
    SetCell(*item, kFile, row.file);
    SetCell(*item, kStatus, row.status);
    SetCell(*item, kComment, row.comment);
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
    bool statusChanged = false;
    if (actions.startRow) {
        // Marked before the start, whose events could change the list.
        const int row = static_cast<int>(*actions.startRow);
        startedRow_ = ListView1->topLevelItem(row);
        if (startedRow_) {
            statusChanged = startedRow_->text(kStatus) != kDone;
            startedRow_->setText(kStatus, kDone);
        }
        if (targets_.startRecord) targets_.startRecord();
    }
    checking_ = false;
    // Saved at once, so a crash after the slot ran never starts it again.
    if (statusChanged) SaveList();
}

void Form5::NoteDeviceLost() {
    // The row may have been removed since.
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
        if (ListView1->topLevelItem(i) == startedRow_) {
            startedRow_->setText(kStatus, kDeviceLost);
            SaveList();
            return;
        }
    }
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
