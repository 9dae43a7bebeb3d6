// The option dialogs over the real file component: a format chosen through a
// dialog's OK is what the next recording of the private sound server's
// 1000 Hz tone (PULSE_SERVER) writes, as ffprobe reads the file.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QEventLoop>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "fakes/FakeServices.h"
#include "platform/pulse/RealAudioEngine.h"
#include "platform/services/windows/QtServices.h"
#include "recording/RecordingSession.h"
#include "settings/FormatValues.h"
#include "settings/Inifun.h"
#include "settings/windows/frmG726.h"
#include "settings/windows/frmOgg.h"
#include "settings/windows/frmWAV.h"
#include "support/Controls.h"
#include "support/Signal.h"
#include "support/TempDir.h"
#include "support/ToneMonitor.h"

using qsr::testing::Control;

using namespace qsr;

namespace {

// ffprobe's value of each entry, one per line, e.g. "stream=codec_name".
std::string Probe(const std::string& path, const std::string& entries,
                  const std::string& input = "") {
    const std::string cmd = "ffprobe -v error " + input + " -show_entries " + entries +
                            " -of default=nw=1 '" + path + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(cmd.c_str(), "r"), pclose);
    std::string text;
    std::array<char, 256> buf{};
    while (pipe && fgets(buf.data(), buf.size(), pipe.get())) text += buf.data();
    return text;
}

double Duration(const std::string& probed) {
    const auto at = probed.find("duration=");
    return at == std::string::npos ? -1 : std::atof(probed.c_str() + at + 9);
}

class OptionDialogsRecording : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::getenv("PULSE_SERVER"))
            GTEST_SKIP() << "no private sound server (scripts/sound-server)";
        engine = audio::CreateRealAudioEngine(&desk.inputBox);
        file = engine->CreateFile();
        values = settings::ShippedFormatValues();
    }

    // Runs the dialog through `script`, as the desktop would show it modal.
    void Script(std::function<void(QDialog&)> script) {
        desk.modal.scripts.push_back([script](QDialog& d) {
            script(d);
            return d.result();
        });
    }
    settings::SetSummary Summary() {
        return [this](const std::string& s) { summaries.push_back(s); };
    }

    // Three seconds of the tone through the recording session.
    void Record(const std::string& path) {
        auto recorder = engine->CreateRecorder();
        ASSERT_TRUE(qsr::testing::SelectToneMonitor(*recorder));
        services::QtEventPump pump;
        recording::RecordingSession session(&pump);
        session.Attach(recorder.get(), file.get());
        ASSERT_TRUE(session.Start(path)) << session.LastError();
        session.SetFrameLimit(3LL * recorder->Rate());
        QEventLoop loop;
        QObject::connect(&session, &recording::RecordingSession::Finished, &loop,
                         &QEventLoop::quit);
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        loop.exec();
        session.Stop();
        EXPECT_EQ(session.WriteError(), "");
        EXPECT_EQ(session.FramesWritten(), 3LL * recorder->Rate());
    }

    // The file read back by the component: about 3 s of the 1000 Hz tone.
    void ExpectTone(const std::string& path) {
        ASSERT_GE(file->OpenFile(path), 0) << file->LastError();
        const int rate = file->SampleRate(), channels = file->ChannelCount();
        audio::Samples all;
        for (audio::Samples b = file->ReadBlock(8192); !b.empty(); b = file->ReadBlock(8192))
            all.insert(all.end(), b.begin(), b.end());
        file->Close();
        const auto mono = qsr::testing::Channel(all, channels);
        ASSERT_GT(mono.size(), static_cast<std::size_t>(rate));
        const std::vector<double> middle(mono.begin() + rate, mono.begin() + 2 * rate);
        EXPECT_GT(qsr::testing::LiveToneShare(middle, rate, 1000.0), 0.8);
    }

    qsr::testing::TempDir home;
    std::string settingsFile = home.File("settings.dat");
    fakes::FakeDesktop desk;
    std::unique_ptr<audio::IAudioEngine> engine;
    std::unique_ptr<audio::IAudioFile> file;
    settings::FormatValues values;
    std::vector<std::string> summaries;
};

TEST_F(OptionDialogsRecording, OggQualityModeFromTheDialogIsRecorded) {
    Script([](QDialog& d) {
        auto& f = dynamic_cast<settings::frmOgg&>(d);
        QTest::mouseClick(Control<QCheckBox>(f, "chQuality"), Qt::LeftButton);
        Control<QSlider>(f, "sldrQuality")->setFocus();
        for (int i = 0; i < 2; ++i)
            QTest::keyClick(Control<QSlider>(f, "sldrQuality"), Qt::Key_PageUp);  // 300 -> 500
        QTest::mouseClick(Control<QPushButton>(f, "cmdOk"), Qt::LeftButton);
    });
    ASSERT_EQ(settings::ShowOptionDialog<settings::frmOgg>(desk.Services(), *file, values,
                                                           settingsFile, Summary()),
              QDialog::Accepted);
    EXPECT_EQ(summaries, std::vector<std::string>{"OGG Vorbis quality 5.00, 44100 Hz, Stereo"});
    const std::string path = home.File("tone.ogg");
    Record(path);
    const std::string probed =
        Probe(path, "stream=codec_name,sample_rate,channels:format=duration");
    EXPECT_NE(probed.find("codec_name=vorbis"), std::string::npos) << probed;
    EXPECT_NE(probed.find("sample_rate=44100"), std::string::npos) << probed;
    EXPECT_NE(probed.find("channels=2"), std::string::npos) << probed;
    EXPECT_NEAR(Duration(probed), 3.0, 0.05) << probed;
    // Quality mode: the identification header gives no bitrate bounds (a
    // bitrate range would give them).
    const std::string bytes = qsr::testing::ReadAll(path);
    const auto id = bytes.find("\x01vorbis");
    ASSERT_NE(id, std::string::npos);
    auto le32 = [&bytes](std::size_t at) {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
        return static_cast<std::int32_t>(v);
    };
    const std::size_t fields = id + 7 + 4 + 1 + 4;  // after version, channels, rate
    EXPECT_LE(le32(fields), 0) << "maximum";
    EXPECT_GT(le32(fields + 4), 128000) << "nominal of quality 5";
    EXPECT_LE(le32(fields + 8), 0) << "minimum";
    ExpectTone(path);
}

TEST_F(OptionDialogsRecording, WavAdpcmFromTheDialogIsRecorded) {
    Script([](QDialog& d) {
        auto& f = dynamic_cast<settings::frmWAV&>(d);
        QTest::mouseClick(Control<QRadioButton>(f, "F6"), Qt::LeftButton);  // 22050
        QTest::mouseClick(Control<QRadioButton>(f, "P1"), Qt::LeftButton);  // mono
        QTest::mouseClick(Control<QPushButton>(f, "cmdADPCM"), Qt::LeftButton);
    });
    ASSERT_EQ(settings::ShowOptionDialog<settings::frmWAV>(desk.Services(), *file, values,
                                                           settingsFile, Summary()),
              QDialog::Accepted);
    EXPECT_EQ(summaries, std::vector<std::string>{"WAV IMA ADPCM, 22050 Hz, Mono"});
    EXPECT_TRUE(desk.messageBox.shown.empty());
    const std::string path = home.File("tone.wav");
    Record(path);
    const std::string probed =
        Probe(path, "stream=codec_name,sample_rate,channels:format=duration");
    EXPECT_NE(probed.find("codec_name=adpcm_ima_wav"), std::string::npos) << probed;
    EXPECT_NE(probed.find("sample_rate=22050"), std::string::npos) << probed;
    EXPECT_NE(probed.find("channels=1"), std::string::npos) << probed;
    EXPECT_NEAR(Duration(probed), 3.0, 0.1) << probed;
    ExpectTone(path);
}

TEST_F(OptionDialogsRecording, G726ThreeBitsFromTheDialogIsRecorded) {
    Script([](QDialog& d) {
        auto& f = dynamic_cast<settings::frmG726&>(d);
        QTest::mouseClick(Control<QRadioButton>(f, "F1"), Qt::LeftButton);         // 8000
        QTest::mouseClick(Control<QRadioButton>(f, "Option1_1"), Qt::LeftButton);  // "3 bit"
        QTest::mouseClick(Control<QPushButton>(f, "cmdOK"), Qt::LeftButton);
    });
    ASSERT_EQ(settings::ShowOptionDialog<settings::frmG726>(desk.Services(), *file, values,
                                                            settingsFile, Summary()),
              QDialog::Accepted);
    EXPECT_EQ(summaries, std::vector<std::string>{"G.726 ADPCM 24 kbit/s (3 bit), 8000 Hz, Mono"});
    EXPECT_EQ(settings::ReadIniValue(settingsFile, "g726", "gbit"), "3");
    const std::string path = home.File("tone.g726");
    Record(path);
    // Headerless: ffprobe is told the coding; the size gives the bits per sample.
    const std::string probed = Probe(path, "stream=codec_name,sample_rate,bit_rate:format=duration",
                                     "-f g726 -code_size 3 -sample_rate 8000");
    EXPECT_NE(probed.find("codec_name=adpcm_g726"), std::string::npos) << probed;
    EXPECT_NE(probed.find("bit_rate=24000"), std::string::npos) << probed;
    EXPECT_NEAR(Duration(probed), 3.0, 0.01) << probed;
    EXPECT_EQ(qsr::testing::ReadAll(path).size(), 3u * 8000 * 3 / 8);
    ExpectTone(path);
}

}  // namespace
