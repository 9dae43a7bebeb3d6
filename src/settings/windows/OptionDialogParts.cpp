#include "settings/windows/OptionDialogParts.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <filesystem>

#include "core/AppInfo.h"
#include "platform/audio-api/AudioFile.h"
#include "platform/services/windows/Accessibility.h"
#include "platform/services/windows/Skin.h"
#include "settings/FormatOptionRules.h"

namespace qsr::settings {

FormatValuesDialog::FormatValuesDialog(FormatValues& values, QWidget* parent)
    : QDialog(parent), values_(values), found_(values) {}

void FormatValuesDialog::reject() {
    values_ = found_;
    QDialog::reject();
}

FormatOptionDialog::FormatOptionDialog(FormatOptionInputs inputs, const char* name,
                                       const char* title, QWidget* parent)
    : FormatValuesDialog(inputs.values, parent),
      desktop_(inputs.desktop),
      file_(inputs.file),
      settingsFile_(std::move(inputs.settingsFile)),
      setSummary_(std::move(inputs.setSummary)) {
    setObjectName(name);
    setWindowTitle(title);
}

void FormatOptionDialog::Form_Load() {
    services::ApplySkin(*this, FolderOfSettingsFile(settingsFile_));
    LoadSection();
}

void FormatOptionDialog::cmdOK_Click() {
    const SettingsSave save = StoreSection();
    if (!save.Ok()) {
        if (desktop_.messageBox)
            desktop_.messageBox->Show(save.Message(), services::MsgIcon::Error,
                                      services::MsgButtons::Ok, core::kAppTitle);
        RestoreFoundValues();
        LoadSection();
        ApplySection();
        CopyDescription();
        done(QDialog::Rejected);
        return;
    }
    ApplySection();
    AcceptWithDescription();
}

void FormatOptionDialog::cmdCancel_Click() {
    reject();
}

void FormatOptionDialog::FinishLayout(QVBoxLayout* layout, ClosingButtonNames names) {
    QPushButton* ok = MakeCommandButton(this, names.ok, names.okCaption);
    QPushButton* cancel = MakeCommandButton(this, names.cancel, "Cancel");
    layout->addLayout(MakeClosingRow({ok, cancel}));
    connect(ok, &QPushButton::clicked, this, &FormatOptionDialog::cmdOK_Click);
    connect(cancel, &QPushButton::clicked, this, &FormatOptionDialog::cmdCancel_Click);
    services::NameControlsForAccessibility(this);
}

void FormatOptionDialog::AcceptWithDescription() {
    CopyDescription();
    accept();
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

QHBoxLayout* MakeOkCancelRow(QDialog* dialog, QPushButton*& ok, QPushButton*& cancel) {
    // OK keeps Qt's auto-default, unlike the option dialogs' buttons.
    ok = new QPushButton("OK", dialog);
    ok->setObjectName("Command1");
    cancel = new QPushButton("Cancel", dialog);
    cancel->setObjectName("Command2");
    cancel->setAutoDefault(false);
    return MakeClosingRow({ok, cancel});
}

void HideAndClose(QDialog& dialog, bool ok) {
    dialog.hide();
    if (ok)
        dialog.accept();
    else
        dialog.reject();
}

void OnOptionChosen(QObject* context, const std::vector<QRadioButton*>& group,
                    const std::function<void(int)>& chosen) {
    for (std::size_t i = 0; i < group.size(); ++i) {
        QObject::connect(group[i], &QRadioButton::toggled, context, [chosen, i](bool on) {
            if (on) chosen(static_cast<int>(i));
        });
    }
}

void CheckOption(const std::vector<QRadioButton*>& group, int index) {
    group[static_cast<std::size_t>(index)]->setChecked(true);
}

QGroupBox* MakeOptionFrame(QWidget* parent, const char* name, const char* title,
                           Qt::Orientation orientation,
                           std::initializer_list<OptionCaption> options,
                           std::vector<QRadioButton*>& buttons) {
    auto* frame = new QGroupBox(title, parent);
    frame->setObjectName(name);
    buttons.clear();
    for (const OptionCaption& o : options)
        buttons.push_back(MakeOptionButton(frame, o.name, o.caption));
    auto* box = new QBoxLayout(
        orientation == Qt::Vertical ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight, frame);
    for (QRadioButton* b : buttons) box->addWidget(b);
    if (orientation == Qt::Vertical) box->addStretch(1);
    return frame;
}

QGroupBox* MakeSpinFrame(QWidget* parent, const SpinFrameText& text, int minimum, int maximum,
                         QSpinBox*& spin) {
    auto* frame = new QGroupBox(text.title, parent);
    frame->setObjectName(text.name);
    auto* label = new QLabel(text.label, frame);
    spin = new QSpinBox(frame);
    spin->setObjectName(text.spinName);
    spin->setRange(minimum, maximum);
    spin->setAccessibleName(text.accessibleName);
    label->setBuddy(spin);
    auto* row = new QHBoxLayout(frame);
    row->addWidget(label);
    row->addWidget(spin);
    return frame;
}

QGroupBox* MakeChannelsFrame(QWidget* parent, Qt::Orientation orientation,
                             std::vector<QRadioButton*>& buttons) {
    return MakeOptionFrame(parent, "frmChannels", "nChannels", orientation,
                           {{"P1", "Mono"}, {"P2", "Stereo"}}, buttons);
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
        QString caption = QString::number(RateOfButton(i));
        if (blankAfter11025 && RateOfButton(i) == 11025) caption += ' ';
        auto* b = MakeOptionButton(frame, QString("F%1").arg(i + 1), caption);
        grid->addWidget(b, i % rows, i / rows);
        buttons.push_back(b);
    }
    return frame;
}

int RateOfButton(int index) {
    return kRateButtons[static_cast<std::size_t>(index)];
}

std::string FolderOfSettingsFile(const std::string& settingsFile) {
    return std::filesystem::path(settingsFile).parent_path().string();
}

}  // namespace qsr::settings
