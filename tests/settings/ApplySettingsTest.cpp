#include <gtest/gtest.h>

#include "fakes/FakeAudio.h"
#include "settings/ApplySettings.h"
#include "settings/Inifun.h"
#include "support/TempDir.h"

namespace qsr::settings {
namespace {

using qsr::testing::TempDir;
using qsr::testing::WriteAll;

TEST(ApplySettings, StoredFormatsReachTheFileComponentInLoadOrderAndFiltersTheRecorder) {
    TempDir dir;
    const std::string file = dir.File("settings.dat");
    WriteAll(file,
             "[mp3]\nMP3Frequency=32000\nMP3Bitrate=96\n[ogg]\nQualityEnabled=1\nQuality=450\n"
             "[flac]\nflacLevel=8\nflacChannel=1\n[opus]\nopusApplication=1\n"
             "[other]\nnotch=0\nhighpass=1\nhighpasstxt=300\nlowpass=x\nautogain=1\n"
             "lowlevel=-40\n");
    fakes::CallLog log;
    fakes::FakeAudioFile audioFile(&log);
    fakes::FakeRecorder recorder(&log);
    FormatValues values = ShippedFormatValues();
    ApplyStoredSettings(file, values, &audioFile, &recorder);
    EXPECT_EQ(values.MP3Frequency, 32000);
    EXPECT_EQ(values.Freq, 44100);  // absent: kept
    EXPECT_EQ(fakes::Only(log, {"SetMp3", "SetWav", "SetVox", "SetOgg", "SetRaw", "SetG726"}),
              (fakes::CallLog{"SetMp3Format(32000,96,2)", "SetWavFormat(44100,2,16)",
                              "SetVoxFormat(8000)", "SetOggFormat(44100,2,128,0,0,450)",
                              "SetRawFormat(1,8000,1,16)", "SetG726Format(8000,4)"}));
    // FLAC takes its own channels and the WAV rate; Opus the WAV shape.
    EXPECT_EQ(fakes::Only(log, {"SetFlac", "SetOpus"}),
              (fakes::CallLog{"SetFlacFormat(44100,1,16,8)", "SetOpusFormat(44100,2,96,1)"}));
    EXPECT_FALSE(recorder.notchOn);
    EXPECT_TRUE(recorder.highPassOn);
    EXPECT_EQ(recorder.highPassHz, 300);
    EXPECT_TRUE(recorder.lowPassOn);  // not a number counts as on
    EXPECT_EQ(recorder.lowPassHz, 4000);
    EXPECT_EQ(recorder.agcLow, -40);
    EXPECT_EQ(recorder.agcHigh, -10);  // absent: the recorder keeps its own
}

TEST(ApplySettings, DialogSummariesComeInTheDialogsOrderAndLeaveOggSet) {
    fakes::CallLog log;
    fakes::FakeAudioFile audioFile(&log);
    FormatValues values = ShippedFormatValues();
    values.VbrEnabled = 1;  // a bitrate range, quality mode off
    values.MinBitrate = 112;
    values.MaxBitrate = 192;
    const auto summaries = DescribeFormatsForDialog(audioFile, values);
    EXPECT_EQ(log, (fakes::CallLog{"SetMp3Format(44100,128,2)", "SetWavFormat(44100,2,16)",
                                   "SetVoxFormat(8000)", "SetRawFormat(1,8000,1,16)",
                                   "SetG726Format(8000,4)", "SetFlacFormat(44100,2,16,5)",
                                   "SetOpusFormat(44100,2,96,0)",
                                   "SetOggFormat(44100,2,128,112,192,-1)"}));
    using core::Encoder;
    std::vector<Encoder> order;
    for (const auto& [encoder, text] : summaries) {
        order.push_back(encoder);
        EXPECT_EQ(text, "fake format");
    }
    EXPECT_EQ(order,
              (std::vector<Encoder>{Encoder::Mp3, Encoder::Wav, Encoder::Vox, Encoder::Raw,
                                    Encoder::G726, Encoder::Flac, Encoder::Opus, Encoder::Ogg}));
}

}  // namespace
}  // namespace qsr::settings
