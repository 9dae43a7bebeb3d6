#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <filesystem>

#include "fakes/FakeServices.h"
#include "platform/services/windows/Accessibility.h"
#include "settings/Inifun.h"
#include "settings/windows/Form4.h"
#include "settings/windows/SplitFilesBox.h"
#include "support/Controls.h"
#include "support/TempDir.h"

using qsr::testing::Control;

using namespace qsr;
using settings::Form4;
using settings::ReadIniValue;
using settings::WriteIniValue;

namespace {

struct Fixture {
    qsr::testing::TempDir home;
    fakes::FakeDesktop desk;
    std::string App() const { return home.path().string(); }
    std::string Settings() const { return home.File("settings.dat"); }
    void Store(const std::string& key, const std::string& value) {
        WriteIniValue(Settings(), "set", key, value);
    }
    std::string Stored(const std::string& key) const {
        return ReadIniValue(Settings(), "set", key);
    }
};

TEST(Form4, CaptionsNamesAndTheFirstOpening) {
    Fixture fx;
    Form4 f(fx.App(), fx.desk.Services());
    f.Form_Load();
    EXPECT_EQ(f.windowTitle(), "Output Files");
    EXPECT_EQ(Control<QGroupBox>(f, "Frame1")->title(), "Save Recording Sound Files to");
    EXPECT_EQ(Control<QLabel>(f, "SkinLabel1")->text(), "Output Folder");
    EXPECT_EQ(Control<QPushButton>(f, "Command4")->text(), "Browse...");
    EXPECT_EQ(Control<QLabel>(f, "SkinLabel2")->text(), "File Name");
    EXPECT_EQ(Control<QLabel>(f, "SkinLabel3")->text(), "+");
    EXPECT_EQ(Control<QCheckBox>(f, "Check1")->text(), "Date + Time");
    EXPECT_EQ(Control<QGroupBox>(f, "Frame2")->title(), "If same as an existed file");
    EXPECT_EQ(Control<QRadioButton>(f, "Option1")->text(), "Add number after filename");
    EXPECT_EQ(Control<QRadioButton>(f, "Option2")->text(), "Overwrite the existed file");
    EXPECT_EQ(Control<QPushButton>(f, "Command1")->text(), "OK");
    EXPECT_EQ(Control<QPushButton>(f, "Command2")->text(), "Cancel");
    EXPECT_EQ(Control<QPushButton>(f, "Command3")->text(), "Reload");
    EXPECT_EQ(services::UnnamedControls(&f), std::vector<std::string>{});
    EXPECT_EQ(services::TabOrderProblems(&f), std::vector<std::string>{});
    EXPECT_EQ(Control<QLineEdit>(f, "Text2")->accessibleName(), "Output Folder");
    EXPECT_EQ(Control<QLineEdit>(f, "Text1")->accessibleName(), "File Name");
    // Nothing stored: the application folder, the offered name, date and time, numbering.
    EXPECT_EQ(Control<QLineEdit>(f, "Text2")->text().toStdString(), fx.App());
    EXPECT_EQ(Control<QLineEdit>(f, "Text1")->text(), "Recorded");
    EXPECT_TRUE(Control<QCheckBox>(f, "Check1")->isChecked());
    EXPECT_TRUE(Control<QRadioButton>(f, "Option1")->isChecked());
}

TEST(Form4, ShowsTheStoredValues) {
    Fixture fx;
    fx.Store("outputfolder", "/srv/recordings");
    fx.Store("filename", "lecture");
    fx.Store("datetime", "0");
    fx.Store("existedfile", "1");
    Form4 f(fx.App(), fx.desk.Services());
    f.Form_Load();
    EXPECT_EQ(Control<QLineEdit>(f, "Text2")->text(), "/srv/recordings");
    EXPECT_EQ(Control<QLineEdit>(f, "Text1")->text(), "lecture");
    EXPECT_FALSE(Control<QCheckBox>(f, "Check1")->isChecked());
    EXPECT_TRUE(Control<QRadioButton>(f, "Option2")->isChecked());
    EXPECT_FALSE(Control<QRadioButton>(f, "Option1")->isChecked());
}

TEST(Form4, BlankNameIsRefusedAndNothingIsWritten) {
    Fixture fx;
    Form4 f(fx.App(), fx.desk.Services());
    f.Form_Load();
    f.show();
    Control<QLineEdit>(f, "Text1")->setText("   ");
    QTest::mouseClick(Control<QPushButton>(f, "Command1"), Qt::LeftButton);
    ASSERT_EQ(fx.desk.messageBox.shown.size(), 1u);
    EXPECT_EQ(fx.desk.messageBox.shown[0].text, "Please enter audio file name.");
    EXPECT_EQ(fx.desk.messageBox.shown[0].icon, services::MsgIcon::Error);
    EXPECT_EQ(fx.desk.messageBox.shown[0].title, "Quorvin Sound Recorder");
    EXPECT_TRUE(f.isVisible()) << "the dialog stays open";
    EXPECT_FALSE(std::filesystem::exists(fx.Settings())) << "nothing written";
}

TEST(Form4, OkStoresTrimmedValuesAndCancelStoresNothing) {
    Fixture fx;
    {
        Form4 f(fx.App(), fx.desk.Services());
        f.Form_Load();
        f.show();
        Control<QLineEdit>(f, "Text2")->setText("  /data/rec  ");
        Control<QLineEdit>(f, "Text1")->setText(" show ");
        QTest::mouseClick(Control<QCheckBox>(f, "Check1"), Qt::LeftButton);  // off
        Control<QRadioButton>(f, "Option2")->click();
        QTest::mouseClick(Control<QPushButton>(f, "Command1"), Qt::LeftButton);
        EXPECT_EQ(f.result(), QDialog::Accepted);
        EXPECT_FALSE(f.isVisible());
    }
    EXPECT_EQ(fx.Stored("outputfolder"), "/data/rec");
    EXPECT_EQ(fx.Stored("filename"), "show");
    EXPECT_EQ(fx.Stored("datetime"), "0");
    EXPECT_EQ(fx.Stored("existedfile"), "1");
    const std::string before = qsr::testing::ReadAll(fx.Settings());

    Form4 g(fx.App(), fx.desk.Services());
    g.Form_Load();
    g.show();
    Control<QLineEdit>(g, "Text1")->setText("other");
    Control<QRadioButton>(g, "Option1")->click();
    QTest::mouseClick(Control<QPushButton>(g, "Command2"), Qt::LeftButton);
    EXPECT_EQ(g.result(), QDialog::Rejected);
    EXPECT_EQ(qsr::testing::ReadAll(fx.Settings()), before);
}

// "0" (the application folder, wherever it moves) survives an OK that changed
// only the name; a save that fails names the file and leaves the stored
// values showing.
TEST(Form4, OkKeepsTheApplicationFolderAsZeroAndReportsAFailedSave) {
    Fixture fx;
    fx.Store("outputfolder", "0");
    fx.Store("filename", "talk");
    {
        Form4 f(fx.App(), fx.desk.Services());
        f.Form_Load();
        f.show();
        EXPECT_EQ(Control<QLineEdit>(f, "Text2")->text().toStdString(), fx.App());
        Control<QLineEdit>(f, "Text1")->setText("news");
        QTest::mouseClick(Control<QPushButton>(f, "Command1"), Qt::LeftButton);
        EXPECT_EQ(f.result(), QDialog::Accepted);
    }
    EXPECT_EQ(fx.Stored("outputfolder"), "0");
    EXPECT_EQ(fx.Stored("filename"), "news");

    // A second hard link: the file cannot be replaced, also not by root.
    std::filesystem::create_hard_link(fx.Settings(), fx.home.File("settings.link"));
    const std::string before = qsr::testing::ReadAll(fx.Settings());
    Form4 g(fx.App(), fx.desk.Services());
    g.Form_Load();
    g.show();
    Control<QLineEdit>(g, "Text1")->setText("other");
    QTest::mouseClick(Control<QPushButton>(g, "Command1"), Qt::LeftButton);
    ASSERT_EQ(fx.desk.messageBox.shown.size(), 1u);
    const std::string& text = fx.desk.messageBox.shown[0].text;
    EXPECT_EQ(text.rfind(fx.Settings() + " could not be saved: ", 0), 0u) << text;
    EXPECT_GT(text.size(), (fx.Settings() + " could not be saved: ").size()) << "with the reason";
    EXPECT_TRUE(g.isVisible()) << "the dialog stays open";
    EXPECT_EQ(Control<QLineEdit>(g, "Text1")->text(), "news") << "showing what is stored";
    EXPECT_EQ(qsr::testing::ReadAll(fx.Settings()), before);
}

TEST(Form4, SplitIsOffAsInstalledOkStoresTheTickedMeasureCancelNothing) {
    Fixture fx;
    fx.Store("splitmb", "junk");
    {
        Form4 f(fx.App(), fx.desk.Services());
        f.Form_Load();
        f.show();
        EXPECT_FALSE(Control<QCheckBox>(f, "chMinutes")->isChecked());
        EXPECT_FALSE(Control<QCheckBox>(f, "chMegabytes")->isChecked());
        EXPECT_FALSE(Control<QSpinBox>(f, "udMinutes")->isEnabled());
        QTest::mouseClick(Control<QCheckBox>(f, "chMinutes"), Qt::LeftButton);
        Control<QSpinBox>(f, "udMinutes")->setValue(10);
        Control<QSpinBox>(f, "udMegabytes")->setValue(5);  // not ticked: stays off
        QTest::mouseClick(Control<QPushButton>(f, "Command1"), Qt::LeftButton);
    }
    EXPECT_EQ(fx.Stored("splitminutes"), "10");
    EXPECT_EQ(fx.Stored("splitmb"), "0");
    Form4 g(fx.App(), fx.desk.Services());
    g.Form_Load();
    g.show();
    EXPECT_TRUE(Control<QCheckBox>(g, "chMinutes")->isChecked());
    EXPECT_EQ(Control<QSpinBox>(g, "udMinutes")->value(), 10);
    QTest::mouseClick(Control<QCheckBox>(g, "chMinutes"), Qt::LeftButton);
    QTest::mouseClick(Control<QPushButton>(g, "Command2"), Qt::LeftButton);
    EXPECT_EQ(fx.Stored("splitminutes"), "10");
}

TEST(Form4, BrowseFillsTheFolderAndCancelLeavesIt) {
    Fixture fx;
    fx.Store("outputfolder", "/old");
    Form4 f(fx.App(), fx.desk.Services());
    f.Form_Load();
    f.show();
    QTest::mouseClick(Control<QPushButton>(f, "Command4"),
                      Qt::LeftButton);  // cancelled (no answer)
    EXPECT_EQ(Control<QLineEdit>(f, "Text2")->text(), "/old");
    fx.desk.folderPicker.answers.push_back(std::string("/media/stick/rec\0junk", 21));
    QTest::mouseClick(Control<QPushButton>(f, "Command4"), Qt::LeftButton);
    EXPECT_EQ(Control<QLineEdit>(f, "Text2")->text(), "/media/stick/rec");
    EXPECT_EQ(f.ChosenFolder(), "/media/stick/rec");
    EXPECT_EQ(fx.desk.folderPicker.titles,
              (std::vector<std::string>{"Quorvin Sound Recorder", "Quorvin Sound Recorder"}));
    EXPECT_EQ(fx.desk.folderPicker.startDirs.front(), "/old");
    EXPECT_EQ(fx.Stored("outputfolder"), "/old") << "stored only by OK";
}

TEST(Form4, ReloadBringsBackTheStoredValues) {
    Fixture fx;
    fx.Store("filename", "kept");
    fx.Store("existedfile", "1");
    Form4 f(fx.App(), fx.desk.Services());
    f.Form_Load();
    f.show();
    Control<QLineEdit>(f, "Text1")->setText("typed");
    Control<QLineEdit>(f, "Text2")->setText("/typed");
    Control<QRadioButton>(f, "Option1")->setChecked(true);
    // Another writer changed a key meanwhile: Reload shows what is stored now.
    fx.Store("datetime", "0");
    QTest::mouseClick(Control<QPushButton>(f, "Command3"), Qt::LeftButton);
    EXPECT_EQ(Control<QLineEdit>(f, "Text1")->text(), "kept");
    EXPECT_EQ(Control<QLineEdit>(f, "Text2")->text().toStdString(), fx.App());
    EXPECT_TRUE(Control<QRadioButton>(f, "Option2")->isChecked());
    EXPECT_FALSE(Control<QCheckBox>(f, "Check1")->isChecked());
    EXPECT_TRUE(f.isVisible());
}

TEST(Form4, ShownModalFromTheMainWindowsOpener) {
    Fixture fx;
    fx.desk.modal.scripts.push_back([](QDialog& d) {
        auto& f = dynamic_cast<Form4&>(d);
        Control<QLineEdit>(f, "Text1")->setText("via opener");
        QTest::mouseClick(Control<QPushButton>(f, "Command1"), Qt::LeftButton);
        return d.result();
    });
    fx.desk.modal.scripts.push_back([](QDialog& d) {
        QTest::mouseClick(Control<QPushButton>(dynamic_cast<Form4&>(d), "Command2"),
                          Qt::LeftButton);
        return d.result();
    });
    EXPECT_TRUE(settings::ShowOutputFiles(fx.App(), fx.desk.Services()));
    EXPECT_EQ(fx.Stored("filename"), "via opener");
    EXPECT_FALSE(settings::ShowOutputFiles(fx.App(), fx.desk.Services()));
    EXPECT_EQ(fx.desk.modal.shownObjectNames, (std::vector<std::string>{"Form4", "Form4"}));
}

}  // namespace

// The loudness box: off as installed, and left alone OK stores nothing of
// it; ticked, OK stores it and the dialog shows it again.
TEST(Form4, NormaliseIsOffAsInstalledAndStoredOnlyWhenChanged) {
    Fixture fx;
    {
        Form4 f(fx.App(), fx.desk.Services());
        f.Form_Load();
        EXPECT_EQ(Control<QCheckBox>(f, "chNormalise")->text(), "Normalise to");
        EXPECT_EQ(Control<QLabel>(f, "lblNormaliseLufs")->text(), "LUFS, true peak \u2264");
        EXPECT_EQ(Control<QLabel>(f, "lblNormaliseDbtp")->text(), "dBTP");
        EXPECT_FALSE(Control<QCheckBox>(f, "chNormalise")->isChecked());
        EXPECT_EQ(Control<QDoubleSpinBox>(f, "udNormaliseTarget")->value(), -16.0);
        EXPECT_EQ(Control<QDoubleSpinBox>(f, "udNormaliseCeiling")->value(), -1.0);
        EXPECT_FALSE(Control<QDoubleSpinBox>(f, "udNormaliseTarget")->isEnabled());
        QTest::mouseClick(Control<QPushButton>(f, "Command1"), Qt::LeftButton);
    }
    EXPECT_EQ(qsr::testing::ReadAll(fx.Settings()).find("[loudness]"), std::string::npos);
    {
        Form4 f(fx.App(), fx.desk.Services());
        f.Form_Load();
        QTest::mouseClick(Control<QCheckBox>(f, "chNormalise"), Qt::LeftButton);
        Control<QDoubleSpinBox>(f, "udNormaliseTarget")->setValue(-23.0);
        QTest::mouseClick(Control<QPushButton>(f, "Command1"), Qt::LeftButton);
    }
    EXPECT_EQ(ReadIniValue(fx.Settings(), "loudness", "normalise"), "1");
    EXPECT_EQ(ReadIniValue(fx.Settings(), "loudness", "target"), "-23");
    Form4 g(fx.App(), fx.desk.Services());
    g.Form_Load();
    EXPECT_TRUE(Control<QCheckBox>(g, "chNormalise")->isChecked());
    EXPECT_EQ(Control<QDoubleSpinBox>(g, "udNormaliseTarget")->value(), -23.0);
}
