// The FLAC and Opus option dialogs over fakes: OK stores and sets, Cancel
// stores and sets nothing.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include "fakes/FakeAudio.h"
#include "fakes/FakeServices.h"
#include "platform/services/Accessibility.h"
#include "settings/FormatValues.h"
#include "settings/frmFLAC.h"
#include "settings/frmOPUS.h"
#include "support/TempDir.h"

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

TEST(frmFLAC, ShowsTheStoredChoiceOkStoresAndSetsItCancelDoesNothing) {
    Fixture fx;
    // A level no encoder offers falls back to 5; 24 bit is shown as stored.
    const std::string stored = "[wav]\nFreq=48000\nChannel=1\n[flac]\nflacBits=24\nflacLevel=11\n";
    WriteAll(fx.file, stored);
    fx.values.Freq = 48000;
    fx.values.Channel = 1;
    EXPECT_EQ(fx.Run(&settings::ShowFlacOptions,
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

    EXPECT_EQ(fx.Run(&settings::ShowFlacOptions,
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
    EXPECT_EQ(fx.Run(&settings::ShowOpusOptions,
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

    EXPECT_EQ(fx.Run(&settings::ShowOpusOptions,
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
