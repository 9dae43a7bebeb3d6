#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

#include "platform/services/Services.h"
#include "schedule/ScheduleFile.h"

class QDateEdit;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QTimeEdit;
class QTimer;

namespace qsr::schedule {

// The Scheduler dialog: one new slot, from a start to an end date-time with a
// comment. OK makes the row (end must be after start), Cancel makes nothing.
class Form6 : public QDialog {
    Q_OBJECT
  public:
    // now: the clock; the system's local time when not set.
    Form6(std::string applicationFolder, services::DesktopServices desktop,
          std::function<DateTime()> now = {}, QWidget* parent = nullptr);
    ~Form6() override;

    // Skin, the current date-time in the label, both dates today and both
    // times now; the label's clock starts.
    void Form_Load();

    // The row OK made; nothing before OK succeeded.
    const std::optional<ScheduleRow>& Row() const { return row_; }

    void Timer1_Timer();
    void Command1_Click();
    void Command2_Click();

  private:
    // Controls, named as the window's parts.
    QLabel* SkinLabel1 = nullptr;
    QDateEdit* DTPicker1 = nullptr;   // start date
    QTimeEdit* DTPicker2 = nullptr;   // start time
    QDateEdit* DTPicker3 = nullptr;   // end date
    QTimeEdit* DTPicker4 = nullptr;   // end time
    QLineEdit* Text1 = nullptr;       // "Comment:"
    QPushButton* Command1 = nullptr;  // "OK"
    QPushButton* Command2 = nullptr;  // "Cancel"
    QTimer* Timer1 = nullptr;

    void BuildClock();
    QLayout* BuildPickers();
    QLayout* BuildButtons();
    DateTime Now() const;

    std::string applicationFolder_;
    services::DesktopServices desktop_;
    std::function<DateTime()> now_;
    std::optional<ScheduleRow> row_;
};

// Loads the Scheduler dialog and shows it modal through the desktop's modal
// runner; the row made by OK, or nothing when cancelled.
std::optional<ScheduleRow> ShowScheduler(const std::string& applicationFolder,
                                         services::DesktopServices desktop,
                                         std::function<DateTime()> now = {});

}  // namespace qsr::schedule
