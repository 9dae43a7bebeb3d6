#include "settings/windows/Form4.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/AppInfo.h"
#include "platform/services/windows/Accessibility.h"
#include "platform/services/windows/Skin.h"
#include "settings/FormatValues.h"
#include "settings/windows/NormaliseBox.h"
#include "settings/windows/OptionDialogParts.h"
#include "settings/windows/SplitFilesBox.h"

namespace qsr::settings {

Form4::Form4(std::string applicationFolder, services::DesktopServices desktop, QWidget* parent)
    : QDialog(parent), applicationFolder_(std::move(applicationFolder)), desktop_(desktop) {
    setObjectName("Form4");
    setWindowTitle("Output Files");

    Frame1 = new QGroupBox("Save Recording Sound Files to", this);
    Frame1->setObjectName("Frame1");
    SkinLabel1 = new QLabel("Output Folder", Frame1);
    SkinLabel1->setObjectName("SkinLabel1");
    Text2 = new QLineEdit(Frame1);
    Text2->setObjectName("Text2");
    SkinLabel1->setBuddy(Text2);
    Command4 = new QPushButton("Browse...", Frame1);
    Command4->setObjectName("Command4");
    Command4->setAutoDefault(false);
    SkinLabel2 = new QLabel("File Name", Frame1);
    SkinLabel2->setObjectName("SkinLabel2");
    Text1 = new QLineEdit(kOfferedFileName, Frame1);
    Text1->setObjectName("Text1");
    SkinLabel2->setBuddy(Text1);
    SkinLabel3 = new QLabel("+", Frame1);
    SkinLabel3->setObjectName("SkinLabel3");
    Check1 = new QCheckBox("Date + Time", Frame1);
    Check1->setObjectName("Check1");

    Frame2 = new QGroupBox("If same as an existed file", Frame1);
    Frame2->setObjectName("Frame2");
    Option1 = new QRadioButton("Add number after filename", Frame2);
    Option1->setObjectName("Option1");
    Option1->setChecked(true);
    Option2 = new QRadioButton("Overwrite the existed file", Frame2);
    Option2->setObjectName("Option2");
    auto* options = new QVBoxLayout(Frame2);
    options->addWidget(Option1);
    options->addWidget(Option2);

    auto* fields = new QGridLayout(Frame1);
    fields->addWidget(SkinLabel1, 0, 0);
    fields->addWidget(Text2, 0, 1, 1, 3);
    fields->addWidget(Command4, 0, 4);
    fields->addWidget(SkinLabel2, 1, 0);
    fields->addWidget(Text1, 1, 1);
    fields->addWidget(SkinLabel3, 1, 2);
    fields->addWidget(Check1, 1, 3, 1, 2);
    fields->addWidget(Frame2, 2, 0, 1, 5);
    fields->setColumnStretch(1, 1);

    splitBox = new SplitFilesBox(this);
    normaliseBox = new NormaliseBox(this);

    // Made in the order they stand, left to right, which is Tab's order.
    Command3 = new QPushButton("Reload", this);
    Command3->setObjectName("Command3");
    Command3->setAutoDefault(false);
    QHBoxLayout* buttons = MakeOkCancelRow(this, Command1, Command2);
    buttons->insertWidget(0, Command3);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addWidget(splitBox);
    layout->addWidget(normaliseBox);
    layout->addLayout(buttons);
    setMinimumWidth(460);

    connect(Command1, &QPushButton::clicked, this, &Form4::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form4::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form4::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form4::Command4_Click);
    services::NameControlsForAccessibility(this);
}

Form4::~Form4() = default;

std::string Form4::SettingsFile() const {
    return applicationFolder_ + "/" + kSettingsFileName;
}

void Form4::ShowChoice(const OutputFilesChoice& choice) {
    Text2->setText(QString::fromStdString(choice.folder));
    Text1->setText(QString::fromStdString(choice.fileName));
    Check1->setChecked(choice.dateTime);
    (choice.overwriteExisting ? Option2 : Option1)->setChecked(true);
}

void Form4::Form_Load() {
    services::ApplySkin(*this, applicationFolder_);
    Command3_Click();
}

void Form4::Command3_Click() {
    loaded_ = ReadOutputFilesChoice(ReadOutputNamingSettings(SettingsFile()), applicationFolder_);
    ShowChoice(loaded_);
    splitBox->Show(ReadSplitSettings(SettingsFile()));
    loudness_ = ReadLoudnessSettings(SettingsFile());
    normaliseBox->Show(loudness_);
}

void Form4::Command4_Click() {
    if (!desktop_.folderPicker) return;
    const auto picked =
        desktop_.folderPicker->PickFolder(core::kAppTitle, Text2->text().toStdString());
    if (!picked) return;  // cancelled: the box keeps its text
    // A path ends at its first NUL, as a C string would.
    chosenFolder_ = picked->substr(0, picked->find('\0'));
    Text2->setText(QString::fromStdString(chosenFolder_));
}

void Form4::Command1_Click() {
    OutputFilesChoice choice = loaded_;
    choice.folder = Text2->text().toStdString();
    choice.folderPicked = !chosenFolder_.empty() && choice.folder == chosenFolder_;
    choice.fileName = Text1->text().toStdString();
    choice.dateTime = Check1->isChecked();
    choice.overwriteExisting = !Option1->isChecked();
    const auto store = OutputFilesToStore(choice);
    if (!store) {
        if (desktop_.messageBox)
            desktop_.messageBox->Show("Please enter audio file name.", services::MsgIcon::Error,
                                      services::MsgButtons::Ok, core::kAppTitle);
        return;
    }
    SettingsSave save = WriteOutputNamingSettings(SettingsFile(), *store);
    save.Add(WriteSplitSettings(SettingsFile(), splitBox->Value()));
    // Written only when changed: left alone, settings.dat stays as it was.
    const LoudnessSettings loudness = normaliseBox->Value();
    if (loudness.normalise != loudness_.normalise || loudness.target != loudness_.target ||
        loudness.ceiling != loudness_.ceiling)
        save.Add(WriteLoudnessSettings(SettingsFile(), loudness));
    if (!save.Ok()) {
        // The choice is not stored: say so, and show what is.
        if (desktop_.messageBox)
            desktop_.messageBox->Show(save.Message(), services::MsgIcon::Error,
                                      services::MsgButtons::Ok, core::kAppTitle);
        Command3_Click();
        return;
    }
    accept();
}

void Form4::Command2_Click() {
    reject();
}

bool ShowOutputFiles(const std::string& applicationFolder, services::DesktopServices desktop,
                     QWidget* owner) {
    Form4 dialog(applicationFolder, desktop, owner);
    dialog.Form_Load();
    return desktop.modal && desktop.modal->Exec(dialog) == QDialog::Accepted;
}

}  // namespace qsr::settings
