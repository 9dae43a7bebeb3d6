// The format dialogs over the real engine and the private sound server that
// scripts/test starts (PULSE_SERVER): options chosen through the dialogs' OK
// reach the main window's file component, and a recording of the server's
// 1000 Hz tone has them, as ffprobe reads the file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/windows/Form1.h"
#include "fakes/FakeServices.h"
#include "platform/pulse/RealAudioEngine.h"
#include "platform/services/windows/QtServices.h"
#include "settings/Inifun.h"
#include "settings/Mp3OptionRules.h"
#include "settings/windows/Form2.h"
#include "settings/windows/UpDown.h"
#include "settings/windows/frmMP3.h"
#include "support/Controls.h"
#include "support/MainWindow.h"
#include "support/Signal.h"
#include "support/TempDir.h"

using qsr::testing::Control;

using namespace qsr;
namespace fs = std::filesystem;

namespace {

double Seconds(const QString& elapsed) {
    const QStringList parts = elapsed.split(':');
    if (parts.size() != 2) return -1;
    return parts[0].toInt() * 60 + parts[1].toDouble();
}

class FormatDialogsIntegrationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::getenv("PULSE_SERVER"))
            GTEST_SKIP() << "no private sound server (run scripts/test)";
        fs::create_directories(out);
        std::string defaults = qsr::testing::ReadAll(std::string(QSR_SOURCE_DIR) +
                                                     "/resources/appfolder/settings.dat");
        ASSERT_FALSE(defaults.empty());
        qsr::testing::WriteAll(home.File("settings.dat"), defaults);
        settings::WriteIniValue(home.File("settings.dat"), "set", "outputfolder", out.string());
        settings::WriteIniValue(home.File("settings.dat"), "set", "filename", "tone");
        settings::WriteIniValue(home.File("settings.dat"), "set", "datetime", "0");

        engine = audio::CreateRealAudioEngine();
        auto services = desk.Services();
        services.eventPump = &pump;
        qsr::testing::NewMainWindow(core, form, *engine, services, home.path().string());
        form->Form_Load();
        ASSERT_NE(form->Recorder(), nullptr);
        ASSERT_NE(form->FileComponent(), nullptr);
        const int tone =
            Control<QComboBox>(*form, "DeviceCombo")->findText("Monitor of Tone_Output");
        ASSERT_GE(tone, 0);
        Control<QComboBox>(*form, "DeviceCombo")->setCurrentIndex(tone);
        emit Control<QComboBox>(*form, "DeviceCombo")->activated(tone);
    }

    // Records about 3 s in the format of the list entry `format`; the file.
    std::string Record(const char* format) {
        Control<QComboBox>(*form, "cboEncoders")
            ->setCurrentIndex(Control<QComboBox>(*form, "cboEncoders")->findText(format));
        form->StartRecord();
        EXPECT_TRUE(form->flgRecord());
        QElapsedTimer clock;
        clock.start();
        while (Seconds(Control<QLabel>(*form, "Label1")->text()) < 3.0 && clock.elapsed() < 15000)
            QTest::qWait(20);
        form->StopRecord();
        EXPECT_TRUE(desk.messageBox.shown.empty()) << desk.messageBox.shown.front().text;
        const int rows = Control<QTreeWidget>(*form, "ListView1")->topLevelItemCount();
        return rows ? Control<QTreeWidget>(*form, "ListView1")
                          ->topLevelItem(rows - 1)
                          ->text(1)
                          .toStdString()
                    : "";
    }

    qsr::testing::TempDir home;
    fs::path out = home.path() / "recordings";
    std::unique_ptr<audio::IAudioEngine> engine;
    fakes::FakeDesktop desk;
    services::QtEventPump pump;
    std::unique_ptr<app::AppCore> core;
    std::unique_ptr<app::Form1> form;
    // The values the format dialogs share, as main() hands them out.
    settings::FormatValues& Values() { return core->Formats(); }
};

TEST_F(FormatDialogsIntegrationTest, Mp3VbrNewQuality2ChosenInTheDialogsIsWhatGetsRecorded) {
    std::unique_ptr<settings::Form2> formats;
    settings::FormatOptionOpeners openers;
    openers.mp3 = [&] {
        settings::ShowMp3Options(
            *engine, form->FileComponent(), Values(), home.path().string(),
            [&](const std::string& text) { formats->SetSummary(core::Encoder::Mp3, text); },
            [](QDialog& d) {
                auto& mp3 = dynamic_cast<settings::frmMP3&>(d);
                Control<QComboBox>(mp3, "Combo1")
                    ->setCurrentIndex(Control<QComboBox>(mp3, "Combo1")->findText("New"));
                Control<QLineEdit>(mp3, "tVbrQ")->setText("2");
                QTest::mouseClick(Control<QPushButton>(mp3, "Command1"), Qt::LeftButton);
                return mp3.result();
            },
            formats.get());
    };
    formats = std::make_unique<settings::Form2>(form->Recorder(), form->FileComponent(), Values(),
                                                home.path().string(), openers);
    formats->Form_Load();
    EXPECT_EQ(formats->Summary(core::Encoder::Mp3), "MP3 128 kbit/s, 44100 Hz, Joint Stereo");
    Control<QPushButton>(*formats, "cmdMP3")->click();
    EXPECT_EQ(formats->Summary(core::Encoder::Mp3),
              "MP3 VBR quality 2 (128-320 kbit/s), 44100 Hz, Joint Stereo");
    QTest::mouseClick(Control<QPushButton>(*formats, "Command1"), Qt::LeftButton);

    const std::string path = Record("MP3");
    ASSERT_TRUE(fs::exists(path)) << path;
    const std::string stream = qsr::testing::Capture(
        "ffprobe -v error -select_streams a:0 -show_entries stream=codec_name,sample_rate,channels "
        "-show_entries format=duration -of default=noprint_wrappers=1 '" +
        path + "'");
    EXPECT_NE(stream.find("codec_name=mp3"), std::string::npos) << stream;
    EXPECT_NE(stream.find("sample_rate=44100"), std::string::npos) << stream;
    EXPECT_NE(stream.find("channels=2"), std::string::npos) << stream;
    const auto durationAt = stream.find("duration=");
    ASSERT_NE(durationAt, std::string::npos) << stream;
    const double seconds = std::stod(stream.substr(durationAt + 9));
    EXPECT_GT(seconds, 2.9);
    EXPECT_LT(seconds, 4.0);

    // The encoder's VBR header (Xing, not the constant-bitrate Info): its
    // quality indicator is 100 - 10 x VBR quality - encoder quality, and the
    // LAME extension's method nibble is 5 for the "new" VBR method.
    const std::string head = qsr::testing::ReadAll(path).substr(0, 2000);
    const auto xing = head.find("Xing");
    ASSERT_NE(xing, std::string::npos) << "no VBR header";
    auto be32 = [&](std::size_t from) {
        std::uint32_t v = 0;
        for (std::size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(head[from + i]);
        return v;
    };
    const std::uint32_t flags = be32(xing + 4);
    ASSERT_TRUE(flags & 8) << "no quality indicator";
    std::size_t at =
        xing + 8 + ((flags & 1) ? 4 : 0) + ((flags & 2) ? 4 : 0) + ((flags & 4) ? 100 : 0);
    EXPECT_EQ((100 - be32(at)) / 10, 2u);
    at += 4;
    ASSERT_EQ(head.substr(at, 4), "LAME");
    EXPECT_EQ(static_cast<unsigned char>(head[at + 9]) & 0x0F, 5);
    // Only the three own values are stored.
    EXPECT_EQ(settings::ReadIniValue(home.File("settings.dat"), "mp3", "MP3Bitrate"), "128");
}

// A settings file that cannot be replaced: MP3 options, 320 kbit/s, OK. The
// user is told which file and why, the file keeps 128 and the summary shows
// what is stored. Made immutable when chattr works (which binds root too),
// else a read-only folder, else (root without chattr) a second hard link.
TEST_F(FormatDialogsIntegrationTest, AnUnwritableSettingsFileIsReportedAndTheStoredMp3Shown) {
    const std::string file = home.File("settings.dat");
    const std::string quoted = "'" + file + "'";
    struct Unlock {
        std::function<void()> undo;
        ~Unlock() {
            if (undo) undo();
        }
    } unlock;
    if (std::system(("chattr +i " + quoted + " 2>/dev/null").c_str()) == 0) {
        unlock.undo = [quoted] { (void)std::system(("chattr -i " + quoted).c_str()); };
    } else if (::geteuid() != 0) {
        fs::permissions(home.path(), fs::perms::owner_read | fs::perms::owner_exec);
        unlock.undo = [this] { fs::permissions(home.path(), fs::perms::owner_all); };
    } else {
        fs::create_hard_link(file, home.File("settings.link"));
    }

    std::unique_ptr<settings::Form2> formats;
    settings::FormatOptionOpeners openers;
    openers.mp3 = [&] {
        settings::ShowMp3Options(
            *engine, form->FileComponent(), Values(), home.path().string(),
            [&](const std::string& text) { formats->SetSummary(core::Encoder::Mp3, text); },
            [](QDialog& d) {
                auto& mp3 = dynamic_cast<settings::frmMP3&>(d);
                Control<QSlider>(mp3, "Slider1")->setValue(*settings::Mp3BitratePosition(320));
                EXPECT_EQ(Control<QSlider>(mp3, "Slider1")->toolTip(), "320");
                QTest::mouseClick(Control<QPushButton>(mp3, "Command1"), Qt::LeftButton);
                return mp3.result();
            },
            formats.get(), &desk.messageBox);
    };
    formats = std::make_unique<settings::Form2>(form->Recorder(), form->FileComponent(), Values(),
                                                home.path().string(), openers);
    formats->Form_Load();
    EXPECT_EQ(formats->Summary(core::Encoder::Mp3), "MP3 128 kbit/s, 44100 Hz, Joint Stereo");
    Control<QPushButton>(*formats, "cmdMP3")->click();

    ASSERT_EQ(desk.messageBox.shown.size(), 1u);
    const std::string& text = desk.messageBox.shown[0].text;
    EXPECT_EQ(text.rfind(file + " could not be saved: ", 0), 0u) << text;
    EXPECT_GT(text.size(), (file + " could not be saved: ").size()) << "with the reason";
    EXPECT_EQ(settings::ReadIniValue(file, "mp3", "MP3Bitrate"), "128");
    EXPECT_EQ(Values().MP3Bitrate, 128);
    EXPECT_EQ(formats->Summary(core::Encoder::Mp3), "MP3 128 kbit/s, 44100 Hz, Joint Stereo");
}

}  // namespace
