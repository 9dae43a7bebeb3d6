// The WAV, VOX, RAW, G.726, FLAC and Opus option dialogs over fakes.
#include <gtest/gtest.h>

#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <filesystem>
#include <functional>

#include "fakes/FakeAudio.h"
#include "fakes/FakeServices.h"
#include "platform/services/windows/Accessibility.h"
#include "settings/FormatValues.h"
#include "settings/windows/frmFLAC.h"
#include "settings/windows/frmG726.h"
#include "settings/windows/frmOPUS.h"
#include "settings/windows/frmRAW.h"
#include "settings/windows/frmVOX.h"
#include "settings/windows/frmWAV.h"
#include "support/Controls.h"
#include "support/TempDir.h"

using qsr::testing::Control;

using namespace qsr;
using qsr::testing::ReadAll;
using qsr::testing::WriteAll;

namespace {

struct Fixture {
    qsr::testing::TempDir home;
    std::string file = home.File("settings.dat");
    fakes::FakeDesktop desk;
    fakes::CallLog log;
    fakes::FakeAudioFile audio{&log};
    settings::FormatValues values = settings::ShippedFormatValues();
    std::vector<std::string> summaries;
    settings::SetSummary Summary() {
        return [this](const std::string& s) { summaries.push_back(s); };
    }
    template <class Dialog>
    std::unique_ptr<Dialog> Open() {
        auto d = std::make_unique<Dialog>(
            settings::FormatOptionInputs{desk.Services(), audio, values, file, Summary()});
        d->Form_Load();
        d->show();
        return d;
    }
    // Shows the dialog through `show`; `act` works it before it closes.
    template <class Show>
    int Run(Show show, std::function<void(QDialog&)> act) {
        desk.modal.scripts.push_back([act](QDialog& d) {
            EXPECT_EQ(services::UnnamedControls(&d), std::vector<std::string>{});
            EXPECT_EQ(services::TabOrderProblems(&d), std::vector<std::string>{});
            act(d);
            return d.result();
        });
        return show(desk.Services(), audio, values, file, Summary(), nullptr);
    }
};

// A dialog's numbered option buttons prefix<first>, prefix<first + 1>, ... in order.
std::vector<QRadioButton*> Numbered(const QWidget& dialog, const char* prefix, int first) {
    std::vector<QRadioButton*> buttons;
    for (int i = first; dialog.findChild<QRadioButton*>(prefix + QString::number(i)); ++i)
        buttons.push_back(Control<QRadioButton>(dialog, prefix + QString::number(i)));
    return buttons;
}

// The rate buttons F1, F2, ...
std::vector<QRadioButton*> RateButtons(const QWidget& dialog) {
    return Numbered(dialog, "F", 1);
}

std::vector<std::string> Captions(const std::vector<QRadioButton*>& buttons) {
    std::vector<std::string> out;
    for (const QRadioButton* b : buttons) out.push_back(b->text().toStdString());
    return out;
}

// The checked button among buttons, by its name; empty when none is.
std::string Checked(const std::vector<QRadioButton*>& buttons) {
    for (const QRadioButton* b : buttons)
        if (b->isChecked()) return b->objectName().toStdString();
    return {};
}

TEST(frmWAV, LoadsTheStoredRateAndOkStoresItAndSetsPcm) {
    Fixture fx;
    WriteAll(fx.file, "[wav]\nFreq=48000\nChannel=1\n");
    fx.audio.wavChannels = 1;  // as the stored settings left the component
    auto f = fx.Open<settings::frmWAV>();
    EXPECT_EQ(f->windowTitle(), "Set WAV Format");
    EXPECT_EQ(services::UnnamedControls(f.get()), std::vector<std::string>{});
    EXPECT_EQ(services::TabOrderProblems(f.get()), std::vector<std::string>{});
    EXPECT_EQ(Captions(RateButtons(*f)),
              (std::vector<std::string>{"8000", "16000", "24000", "32000", "11025", "22050",
                                        "44100", "48000"}));
    EXPECT_EQ(Checked(RateButtons(*f)), "F8");
    EXPECT_TRUE(Control<QRadioButton>(*f, "P1")->isChecked());
    for (const auto& [button, caption] : std::vector<std::pair<QPushButton*, const char*>>{
             {Control<QPushButton>(*f, "cmdPCM"), "PCM"},
             {Control<QPushButton>(*f, "cmdADPCM"), "ADPCM"},
             {Control<QPushButton>(*f, "cmdGSM"), "GSM"},
             {Control<QPushButton>(*f, "cmdDSP"), "DSP"},
             {Control<QPushButton>(*f, "cmdMenu"), "From Menu"},
             {Control<QPushButton>(*f, "cmdSample"), "Like Sample"},
             {Control<QPushButton>(*f, "Command1"), "OK"},
             {Control<QPushButton>(*f, "Command2"), "Cancel"}})
        EXPECT_EQ(button->text(), caption);
    QTest::mouseClick(Control<QPushButton>(*f, "Command1"), Qt::LeftButton);
    EXPECT_EQ(f->result(), QDialog::Accepted);
    EXPECT_EQ(ReadAll(fx.file), "[wav]\nFreq=48000\nChannel=1\n");
    EXPECT_EQ(fx.log, (fakes::CallLog{"SetWavFormat(48000,1,16)"}));
    EXPECT_EQ(fx.summaries, std::vector<std::string>{"fake format"});
}

TEST(frmWAV, OptionButtonsChangeTheSharedValuesAndCancelWritesNothing) {
    Fixture fx;
    const std::string stored = "[wav]\nFreq=44100\nChannel=2\n";
    WriteAll(fx.file, stored);
    auto f = fx.Open<settings::frmWAV>();
    QTest::mouseClick(Control<QRadioButton>(*f, "F1"), Qt::LeftButton);
    QTest::mouseClick(Control<QRadioButton>(*f, "P1"), Qt::LeftButton);
    EXPECT_EQ(fx.values.Freq, 8000);
    EXPECT_EQ(fx.values.Channel, 1);
    QTest::mouseClick(Control<QPushButton>(*f, "Command2"), Qt::LeftButton);
    EXPECT_EQ(f->result(), QDialog::Rejected);
    EXPECT_EQ(fx.values.Freq, settings::ShippedFormatValues().Freq);
    EXPECT_EQ(fx.values.Channel, settings::ShippedFormatValues().Channel);
    EXPECT_EQ(ReadAll(fx.file), stored);
    EXPECT_TRUE(fx.log.empty());
    EXPECT_TRUE(fx.summaries.empty());
}

// After GSM the recording is mono: the dialog opened again says so, not the
// stored Stereo, and OK keeps what it shows.
TEST(frmWAV, AMonoOnlyCodingInForceShowsMono) {
    Fixture fx;
    WriteAll(fx.file, "[wav]\nFreq=8000\nChannel=2\n");
    auto f = fx.Open<settings::frmWAV>();
    EXPECT_TRUE(Control<QRadioButton>(*f, "P2")->isChecked());
    QTest::mouseClick(Control<QPushButton>(*f, "cmdGSM"), Qt::LeftButton);
    auto again = fx.Open<settings::frmWAV>();
    EXPECT_TRUE(Control<QRadioButton>(*again, "P1")->isChecked());
    QTest::mouseClick(Control<QPushButton>(*again, "Command1"), Qt::LeftButton);
    EXPECT_EQ(ReadAll(fx.file), "[wav]\nFreq=8000\nChannel=1\n");
}

TEST(frmWAV, CodecButtonsSetTheCodingOnlyAndARefusalKeepsTheDialogOpen) {
    Fixture fx;
    WriteAll(fx.file, "[wav]\nFreq=32000\nChannel=2\n");
    const std::string stored = ReadAll(fx.file);
    {
        auto f = fx.Open<settings::frmWAV>();
        fx.audio.description = "";  // the codec refuses 32000 Hz
        QTest::mouseClick(Control<QPushButton>(*f, "cmdGSM"), Qt::LeftButton);
        EXPECT_EQ(fx.desk.messageBox.Texts(),
                  std::vector<std::string>{"Format Parametr not valid"});
        EXPECT_EQ(fx.desk.messageBox.shown[0].title, "Quorvin Sound Recorder");
        EXPECT_EQ(fx.desk.messageBox.shown[0].buttons, services::MsgButtons::Ok);
        EXPECT_TRUE(f->isVisible());
        EXPECT_TRUE(fx.summaries.empty()) << "the WAV summary stays as it was";
        QTest::mouseClick(Control<QPushButton>(*f, "cmdMenu"),
                          Qt::LeftButton);  // a listed coding refused as well
        EXPECT_EQ(fx.desk.messageBox.shown.size(), 2u);
        EXPECT_TRUE(f->isVisible());
        fx.audio.description = "WAV IMA";
        QTest::mouseClick(Control<QPushButton>(*f, "cmdADPCM"), Qt::LeftButton);
        EXPECT_FALSE(f->isVisible());
        EXPECT_EQ(f->result(), QDialog::Accepted);
    }
    for (const char* button : {"cmdPCM", "cmdDSP", "cmdMenu"}) {
        auto f = fx.Open<settings::frmWAV>();
        QTest::mouseClick(Control<QPushButton>(*f, button), Qt::LeftButton);
        EXPECT_FALSE(f->isVisible());
    }
    EXPECT_EQ(fx.log, (fakes::CallLog{"SetWavGsmFormat(32000)", "ChooseWavFormatFromMenu()",
                                      "SetWavAdpcmFormat(32000,2)", "SetWavFormat(32000,2,16)",
                                      "SetWavDspFormat()", "ChooseWavFormatFromMenu()"}));
    EXPECT_EQ(fx.summaries.size(), 4u);
    EXPECT_EQ(ReadAll(fx.file), stored) << "codec buttons store nothing";
}

TEST(frmWAV, LikeSampleAsksInTheHomeFolderAndStaysOpen) {
    Fixture fx;
    auto f = fx.Open<settings::frmWAV>();
    QTest::mouseClick(Control<QPushButton>(*f, "cmdSample"),
                      Qt::LeftButton);  // cancelled: nothing changes
    EXPECT_TRUE(fx.log.empty());
    EXPECT_TRUE(fx.summaries.empty());
    fx.desk.fileDialog.openAnswers = {"/music/sample.wav", "/music/song.mp3"};
    QTest::mouseClick(Control<QPushButton>(*f, "cmdSample"), Qt::LeftButton);
    EXPECT_EQ(fx.log, (fakes::CallLog{"SetWavFormatLikeSample(/music/sample.wav)"}));
    EXPECT_EQ(fx.summaries, std::vector<std::string>{"fake format"});
    EXPECT_TRUE(f->isVisible());
    // A file whose coding the component cannot write.
    fx.audio.description = "";
    QTest::mouseClick(Control<QPushButton>(*f, "cmdSample"), Qt::LeftButton);
    EXPECT_EQ(fx.desk.messageBox.Texts(), std::vector<std::string>{"Format Parametr not valid"});
    EXPECT_EQ(fx.summaries.size(), 1u);
    EXPECT_EQ(fx.desk.fileDialog.filters, std::vector<std::string>(3, "Wav files (*.wav)"));
    EXPECT_EQ(fx.desk.fileDialog.startDirs,
              std::vector<std::string>(3, QDir::homePath().toStdString()));
}

TEST(frmVOX, RateNotOfferedSelects44100AndOkStoresIt) {
    Fixture fx;
    WriteAll(fx.file, "[vox]\nvoxFreq=6000\n");
    auto f = fx.Open<settings::frmVOX>();
    EXPECT_EQ(f->windowTitle(), "Set VOX Format");
    EXPECT_EQ(services::UnnamedControls(f.get()), std::vector<std::string>{});
    EXPECT_EQ(services::TabOrderProblems(f.get()), std::vector<std::string>{});
    EXPECT_EQ(RateButtons(*f).size(), 8u);
    EXPECT_EQ(Control<QRadioButton>(*f, "F5")->text(), "11025 ");
    EXPECT_EQ(Checked(RateButtons(*f)), "F7");
    EXPECT_EQ(Control<QPushButton>(*f, "cmdOK")->text(), "Ok");
    QTest::mouseClick(Control<QPushButton>(*f, "cmdOK"), Qt::LeftButton);
    EXPECT_EQ(ReadAll(fx.file), "[vox]\nvoxFreq=44100\n");
    EXPECT_EQ(fx.log, (fakes::CallLog{"SetVoxFormat(44100)"}));
    EXPECT_EQ(fx.summaries.size(), 1u);
}

// OK on a settings file that cannot be replaced (a second hard link refuses
// the replacing copy, also for root): one message naming the file and why,
// and the shared values, the component and the summary keep what is stored.
TEST(FormatOptionDialogs, AFailedSaveIsReportedAndTheStoredChoiceShown) {
    Fixture fx;
    WriteAll(fx.file, "[vox]\nvoxFreq=8000\n");
    std::filesystem::create_hard_link(fx.file, fx.home.File("settings.link"));
    auto f = fx.Open<settings::frmVOX>();
    QTest::mouseClick(Control<QRadioButton>(*f, "F7"), Qt::LeftButton);  // 44100
    EXPECT_EQ(fx.values.voxFreq, 44100);
    QTest::mouseClick(Control<QPushButton>(*f, "cmdOK"), Qt::LeftButton);
    ASSERT_EQ(fx.desk.messageBox.shown.size(), 1u);
    const std::string& text = fx.desk.messageBox.shown[0].text;
    EXPECT_EQ(text.rfind(fx.file + " could not be saved: ", 0), 0u) << text;
    EXPECT_GT(text.size(), (fx.file + " could not be saved: ").size()) << "with the reason";
    EXPECT_EQ(fx.desk.messageBox.shown[0].icon, services::MsgIcon::Error);
    EXPECT_EQ(ReadAll(fx.file), "[vox]\nvoxFreq=8000\n");
    EXPECT_EQ(fx.values.voxFreq, 8000);
    EXPECT_EQ(fx.log, (fakes::CallLog{"SetVoxFormat(8000)"}));
    EXPECT_EQ(fx.summaries.size(), 1u);  // the stored format's description
    EXPECT_EQ(f->result(), QDialog::Rejected);
}

TEST(frmRAW, BadCompressionFallsBackAndOkStoresAllThree) {
    Fixture fx;
    WriteAll(fx.file, "[raw]\nrawFreq=12000\nrawChannel=1\nrawCompr=7\n");
    auto f = fx.Open<settings::frmRAW>();
    EXPECT_EQ(f->windowTitle(), "Set RAW Format");
    EXPECT_EQ(services::UnnamedControls(f.get()), std::vector<std::string>{});
    EXPECT_EQ(services::TabOrderProblems(f.get()), std::vector<std::string>{});
    EXPECT_EQ(Captions(RateButtons(*f)),
              (std::vector<std::string>{"8000", "16000", "24000", "32000", "11025 ", "22050",
                                        "44100", "48000", "6000", "12000"}));
    EXPECT_EQ(Checked(RateButtons(*f)), "F10");
    EXPECT_TRUE(Control<QRadioButton>(*f, "P1")->isChecked());
    EXPECT_TRUE(Control<QRadioButton>(*f, "C1")->isChecked());
    EXPECT_EQ(Control<QRadioButton>(*f, "C2")->text(), "8-bit A-Law ");
    QTest::mouseClick(Control<QRadioButton>(*f, "C3"), Qt::LeftButton);
    QTest::mouseClick(Control<QRadioButton>(*f, "P2"), Qt::LeftButton);
    QTest::mouseClick(Control<QPushButton>(*f, "cmdOK"), Qt::LeftButton);
    EXPECT_EQ(ReadAll(fx.file), "[raw]\nrawFreq=12000\nrawChannel=2\nrawCompr=3\n");
    EXPECT_EQ(fx.log, (fakes::CallLog{"SetRawFormat(3,12000,2,16)"}));
    EXPECT_EQ(fx.summaries.size(), 1u);
}

TEST(frmG726, BadBitsSelectFourAndTheChosenBitsAreStoredAndSet) {
    Fixture fx;
    WriteAll(fx.file, "[g726]\ngFreq=8000\ngbit=6\n");
    auto f = fx.Open<settings::frmG726>();
    EXPECT_EQ(f->windowTitle(), "Set CCUIT G.726 Format");
    EXPECT_EQ(services::UnnamedControls(f.get()), std::vector<std::string>{});
    EXPECT_EQ(services::TabOrderProblems(f.get()), std::vector<std::string>{});
    EXPECT_EQ(Captions(Numbered(*f, "Option1_", 0)),
              (std::vector<std::string>{"2 bit ", "3 bit", "4 bit ", "5 bit"}));
    EXPECT_EQ(Checked(Numbered(*f, "Option1_", 0)), "Option1_2");
    EXPECT_EQ(fx.values.gbit, 4);
    QTest::mouseClick(Control<QRadioButton>(*f, "Option1_1"), Qt::LeftButton);
    QTest::mouseClick(Control<QPushButton>(*f, "cmdOK"), Qt::LeftButton);
    EXPECT_EQ(ReadAll(fx.file), "[g726]\ngFreq=8000\ngbit=3\n");
    EXPECT_EQ(fx.log, (fakes::CallLog{"SetG726Format(8000,3)"}));
    EXPECT_EQ(fx.summaries.size(), 1u);
}

TEST(FormatOptionDialogs, EachOpensModalAndCancelLeavesFileAndComponentAlone) {
    Fixture fx;
    const std::string stored =
        "[wav]\nFreq=8000\n[vox]\nvoxFreq=8000\n[raw]\nrawFreq=8000\n"
        "[g726]\ngFreq=8000\n";
    WriteAll(fx.file, stored);
    for (int i = 0; i < 4; ++i) {
        fx.desk.modal.scripts.push_back([](QDialog& d) {
            d.findChild<QRadioButton*>("F2")->click();  // 16000 in every one
            QTest::mouseClick(
                d.findChild<QPushButton*>(d.objectName() == "frmWAV" ? "Command2" : "cmdCancel"),
                Qt::LeftButton);
            return d.result();
        });
    }
    auto desk = fx.desk.Services();
    EXPECT_EQ(settings::ShowOptionDialog<settings::frmWAV>(desk, fx.audio, fx.values, fx.file,
                                                           fx.Summary()),
              QDialog::Rejected);
    EXPECT_EQ(settings::ShowOptionDialog<settings::frmVOX>(desk, fx.audio, fx.values, fx.file,
                                                           fx.Summary()),
              QDialog::Rejected);
    EXPECT_EQ(settings::ShowOptionDialog<settings::frmRAW>(desk, fx.audio, fx.values, fx.file,
                                                           fx.Summary()),
              QDialog::Rejected);
    EXPECT_EQ(settings::ShowOptionDialog<settings::frmG726>(desk, fx.audio, fx.values, fx.file,
                                                            fx.Summary()),
              QDialog::Rejected);
    EXPECT_EQ(fx.desk.modal.shownObjectNames,
              (std::vector<std::string>{"frmWAV", "frmVOX", "frmRAW", "frmG726"}));
    EXPECT_EQ(ReadAll(fx.file), stored);
    EXPECT_TRUE(fx.log.empty());
    EXPECT_TRUE(fx.summaries.empty());
    // The option buttons changed the shared values at once; Cancel put back
    // what each dialog found, so the next recording uses what is stored.
    const settings::FormatValues shipped = settings::ShippedFormatValues();
    EXPECT_EQ(fx.values.Freq, shipped.Freq);
    EXPECT_EQ(fx.values.voxFreq, shipped.voxFreq);
    EXPECT_EQ(fx.values.rawFreq, shipped.rawFreq);
    EXPECT_EQ(fx.values.gFreq, shipped.gFreq);
}

// FLAC and Opus: OK stores and sets, Cancel stores and sets nothing.
TEST(frmFLAC, ShowsTheStoredChoiceOkStoresAndSetsItCancelDoesNothing) {
    Fixture fx;
    // A level no encoder offers falls back to 5; 24 bit is shown as stored.
    const std::string stored = "[wav]\nFreq=48000\nChannel=1\n[flac]\nflacBits=24\nflacLevel=11\n";
    WriteAll(fx.file, stored);
    fx.values.Freq = 48000;
    fx.values.Channel = 1;
    EXPECT_EQ(fx.Run(&settings::ShowOptionDialog<settings::frmFLAC>,
                     [](QDialog& d) {
                         EXPECT_EQ(d.windowTitle(), "Set FLAC Format");
                         EXPECT_TRUE(d.findChild<QRadioButton*>("B24")->isChecked());
                         EXPECT_EQ(d.findChild<QSpinBox*>("udLevel")->value(), 5);
                         d.findChild<QRadioButton*>("B16")->click();
                         d.findChild<QSpinBox*>("udLevel")->setValue(8);
                         QTest::mouseClick(d.findChild<QPushButton*>("cmdCancel"), Qt::LeftButton);
                     }),
              QDialog::Rejected);
    EXPECT_EQ(ReadAll(fx.file), stored);
    EXPECT_TRUE(fx.log.empty());
    EXPECT_TRUE(fx.summaries.empty());

    EXPECT_EQ(fx.Run(&settings::ShowOptionDialog<settings::frmFLAC>,
                     [](QDialog& d) {
                         d.findChild<QRadioButton*>("B16")->click();
                         d.findChild<QSpinBox*>("udLevel")->setValue(8);
                         QTest::mouseClick(d.findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
                     }),
              QDialog::Accepted);
    EXPECT_EQ(ReadAll(fx.file), "[wav]\nFreq=48000\nChannel=1\n[flac]\nflacBits=16\nflacLevel=8\n");
    // FLAC records at the WAV rate and channels.
    EXPECT_EQ(fx.log, (fakes::CallLog{"SetFlacFormat(48000,1,16,8)"}));
    EXPECT_EQ(fx.summaries, std::vector<std::string>{"fake format"});
}

TEST(frmOPUS, ShowsTheStoredChoiceOkStoresAndSetsItCancelDoesNothing) {
    Fixture fx;
    const std::string stored = "[opus]\nopusBitrate=300\nopusApplication=1\n";
    WriteAll(fx.file, stored);
    EXPECT_EQ(fx.Run(&settings::ShowOptionDialog<settings::frmOPUS>,
                     [](QDialog& d) {
                         EXPECT_EQ(d.windowTitle(), "Set OPUS Format");
                         // Beyond 256 kbit/s: the default 96.
                         EXPECT_EQ(d.findChild<QSpinBox*>("udBitrate")->value(), 96);
                         EXPECT_TRUE(d.findChild<QRadioButton*>("AppVoip")->isChecked());
                         d.findChild<QSpinBox*>("udBitrate")->setValue(64);
                         QTest::mouseClick(d.findChild<QPushButton*>("cmdCancel"), Qt::LeftButton);
                     }),
              QDialog::Rejected);
    EXPECT_EQ(ReadAll(fx.file), stored);
    EXPECT_TRUE(fx.log.empty());

    EXPECT_EQ(fx.Run(&settings::ShowOptionDialog<settings::frmOPUS>,
                     [](QDialog& d) {
                         d.findChild<QSpinBox*>("udBitrate")->setValue(64);
                         d.findChild<QRadioButton*>("AppAudio")->click();
                         QTest::mouseClick(d.findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
                     }),
              QDialog::Accepted);
    EXPECT_EQ(ReadAll(fx.file), "[opus]\nopusBitrate=64\nopusApplication=0\n");
    EXPECT_EQ(fx.log, (fakes::CallLog{"SetOpusFormat(44100,2,64,0)"}));
    EXPECT_EQ(fx.summaries, std::vector<std::string>{"fake format"});
}

}  // namespace
