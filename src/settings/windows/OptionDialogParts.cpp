#include "settings/windows/OptionDialogParts.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>

#include "core/AppInfo.h"
#include "platform/audio-api/AudioFile.h"
#include "platform/services/windows/Skin.h"
#include "settings/FormatOptionRules.h"

namespace qsr::settings {

FormatOptionDialog::FormatOptionDialog(services::DesktopServices desktop, audio::IAudioFile& file,
                                       FormatValues& values, std::string settingsFile,
                                       SetSummary setSummary, QWidget* parent)
    : QDialog(parent),
      desktop_(desktop),
      file_(file),
      values_(values),
      settingsFile_(std::move(settingsFile)),
      setSummary_(std::move(setSummary)),
      found_(values) {}

void FormatOptionDialog::reject() {
    values_ = found_;
    QDialog::reject();
}

void FormatOptionDialog::ApplyApplicationSkin() {
    services::ApplySkin(*this, FolderOfSettingsFile(settingsFile_));
}

void FormatOptionDialog::CopyDescription() {
    if (setSummary_) setSummary_(file_.FormatDescription());
}

void FormatOptionDialog::ShowFormatNotValid() {
    if (desktop_.messageBox)
        desktop_.messageBox->Show(kFormatNotValid, services::MsgIcon::None,
                                  services::MsgButtons::Ok, core::kAppTitle);
}

int FormatOptionDialog::RunModal() {
    return desktop_.modal ? desktop_.modal->Exec(*this) : QDialog::Rejected;
}

QRadioButton* MakeOptionButton(QWidget* parent, const QString& name, const QString& caption) {
    auto* b = new QRadioButton(caption, parent);
    b->setObjectName(name);
    b->setAccessibleName(caption);
    return b;
}

QPushButton* MakeCommandButton(QWidget* parent, const QString& name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAccessibleName(caption);
    b->setAutoDefault(false);
    return b;
}

QHBoxLayout* MakeClosingRow(std::initializer_list<QPushButton*> buttons) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (QPushButton* b : buttons) row->addWidget(b);
    if (buttons.size() > 0) (*buttons.begin())->setDefault(true);
    return row;
}

void OnOptionChosen(QObject* context, const std::vector<QRadioButton*>& group,
                    std::function<void(int)> chosen) {
    for (std::size_t i = 0; i < group.size(); ++i) {
        QObject::connect(group[i], &QRadioButton::toggled, context, [chosen, i](bool on) {
            if (on) chosen(static_cast<int>(i));
        });
    }
}

QGroupBox* MakeRateFrame(QWidget* parent, int count, bool blankAfter11025,
                         std::vector<QRadioButton*>& buttons) {
    auto* frame = new QGroupBox("Frequency (Hz)", parent);
    frame->setObjectName("frmFrequency");
    frame->setAccessibleName("Frequency (Hz)");
    auto* grid = new QGridLayout(frame);
    const int rows = (count + 1) / 2;
    buttons.clear();
    for (int i = 0; i < count; ++i) {
        QString caption = QString::number(kRateButtons[static_cast<std::size_t>(i)]);
        if (blankAfter11025 && kRateButtons[static_cast<std::size_t>(i)] == 11025) caption += ' ';
        auto* b = MakeOptionButton(frame, QString("F%1").arg(i + 1), caption);
        grid->addWidget(b, i % rows, i / rows);
        buttons.push_back(b);
    }
    return frame;
}

std::string FolderOfSettingsFile(const std::string& settingsFile) {
    return std::filesystem::path(settingsFile).parent_path().string();
}

}  // namespace qsr::settings
