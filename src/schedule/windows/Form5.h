#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/services/Services.h"
#include "schedule/ClockCheck.h"
#include "schedule/ScheduleFile.h"

class QPushButton;
class QTimer;
class QTreeWidgetItem;
class QTreeWidget;

namespace qsr::schedule {

// What the schedule window calls in the rest of the program.
struct ScheduleTargets {
    // The scheduled start: must not wait for the user (a failure shows its
    // message later), so the clock goes on at once.
    std::function<void()> startRecord;
    // StopRecord: nothing happens when no recording runs.
    std::function<void()> stopRecord;
    // Shows the Scheduler dialog modal; the row it made, or nothing when cancelled.
    std::function<std::optional<ScheduleRow>()> addSlot;
    // Called when a slot comes within a minute of its start (true) and when
    // none is that close any more (false), so the machine can be kept awake.
    std::function<void(bool)> slotPending;
    // The clock; the system's local time when not set.
    std::function<DateTime()> now;
};

// The schedule list. Loaded hidden at start-up and kept for the program's
// whole run: its clock checks the list once a second whether it is shown or
// not. "OK" and the close box both save the list and hide the window.
class Form5 : public QDialog {
    Q_OBJECT
  public:
    Form5(std::string applicationFolder, services::DesktopServices desktop, ScheduleTargets targets,
          QWidget* parent = nullptr);
    ~Form5() override;

    // Skin, then schedule.dat (created empty when missing) into the list, then
    // the clock starts.
    void Form_Load();
    // Shut-down: saves the list and stops the clock.
    void Form_Unload();
    // The start of shut-down: no slot starts or stops a recording from now on.
    void StopClock();
    // Writes every row to schedule.dat; false when the file could not be
    // written (said once, with the reason) or was not read at load: a file
    // that could not be read is never saved over.
    bool SaveList();
    // Why schedule.dat could not be read at load; empty when it was.
    const std::string& ReadError() const { return readError_; }

    // One check of the clock (Timer1's tick).
    void Timer1_Timer();

    // The recording the clock started last ended because its device was
    // lost: its row says so.
    void NoteDeviceLost();

    std::vector<ScheduleRow> Rows() const;
    const CheckerState& State() const { return state_; }
    std::string ScheduleFile() const;

  public slots:
    // The close box and Escape: save and hide, the clock goes on.
    void reject() override;

  private:
    // Controls, named as the window's parts.
    QTreeWidget* ListView1 = nullptr;
    QPushButton* Command1 = nullptr;  // "Add"
    QPushButton* Command2 = nullptr;  // "Remove"
    QPushButton* Command3 = nullptr;  // "Clear"
    QPushButton* Command4 = nullptr;  // "OK"
    QTimer* Timer1 = nullptr;

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void AddRow(const ScheduleRow& row);
    DateTime Now() const;

    std::string applicationFolder_;
    services::DesktopServices desktop_;
    ScheduleTargets targets_;
    CheckerState state_;
    std::optional<DateTime> lastCheck_;
    bool checking_ = false;
    bool slotPending_ = false;
    std::string readError_;
    bool saveFailureShown_ = false;
    QTreeWidgetItem* startedRow_ = nullptr;  // the row the clock started last
};

}  // namespace qsr::schedule
