// Every module missing, as on an install that lost its module folder: each
// path that needs one fails with a reason naming what is missing, and nothing
// crashes or writes a wrong file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/audio/AudioFileComponent.h"
#include "platform/mediaplayer/MediaModules.h"
#include "platform/pulse/RealAudioEngine.h"
#include "support/MidiFile.h"
#include "support/NoModules.h"
#include "support/Signal.h"
#include "support/TempDir.h"
#include "tags/clsID3v23.h"

namespace qsr::audio {
namespace {

using qsr::testing::ReadAll;
using qsr::testing::TempDir;

const qsr::testing::EmptyModuleFolder kNoModules;

TEST(ModuleMissing, G726RecordingSaysItsModuleIsMissingAndLeavesNoFile) {
    TempDir dir;
    auto f = CreateRealAudioFile();
    f->SetG726Format(8000, 4);
    const std::string path = dir.File("out.g726");
    EXPECT_LT(f->CreateFile(path), 0);
    EXPECT_NE(f->LastError().find("the G.726 module cannot be loaded"), std::string::npos)
        << f->LastError();
    EXPECT_FALSE(std::filesystem::exists(path));
}

// The encoders and the libsndfile writer are one module: every type they
// write fails with the reason, and the MP3 and Ogg formats they check are
// refused rather than taken unchecked.
TEST(ModuleMissing, EncodingSaysTheCodecModuleIsMissingAndLeavesNoFile) {
    TempDir dir;
    auto f = CreateRealAudioFile();
    f->SetMp3Format(44100, 128, 2);
    EXPECT_EQ(f->FormatDescription(), "");
    f->SetOggFormat(44100, 2, 128, 0, 0, -1);
    EXPECT_EQ(f->FormatDescription(), "");
    f->SetWavAdpcmFormat(8000, 1);
    for (const char* name :
         {"out.mp3", "out.ogg", "out.flac", "out.opus", "out.vox", "out.raw", "out.wav"}) {
        const std::string path = dir.File(name);
        EXPECT_LT(f->CreateFile(path), 0) << name;
        EXPECT_EQ(f->LastError(), "cannot create " + path + ": the codec module cannot be loaded");
        EXPECT_FALSE(std::filesystem::exists(path)) << name;
    }
}

TEST(ModuleMissing, FfmpegDecodingSaysItsModuleIsMissing) {
    auto f = CreateRealAudioFile();
    const std::string mp3 = std::string(QSR_TEST_DATA) + "/tone_notag.mp3";
    EXPECT_LT(f->OpenFile(mp3), 0);
    EXPECT_EQ(f->LastError(), "cannot read " + mp3 + ": the FFmpeg module cannot be loaded");
}

// Without the resampler a block at another rate would be written at the
// wrong speed: the write fails instead.
TEST(ModuleMissing, ResamplingRefusesTheWriteRatherThanChangeTheSpeed) {
    TempDir dir;
    auto f = CreateRealAudioFile();
    f->SetWavFormat(8000, 1, 16);
    ASSERT_GE(f->CreateFile(dir.File("out.wav")), 0) << f->LastError();
    f->SetInputFormat(44100, 2);
    EXPECT_LT(f->WriteBlock(qsr::testing::Tone(44100, 2, 0.1)), 0);
    EXPECT_EQ(f->LastError(), "the sample rate cannot be converted (the reason on standard error)");
    // A block already at the file's rate still goes in.
    f->SetInputFormat(8000, 1);
    EXPECT_EQ(f->WriteBlock(qsr::testing::Tone(8000, 1, 0.1)), 0);
    f->Close();
}

TEST(ModuleMissing, TagSavingSaysItsModuleIsMissingAndLeavesTheFile) {
    TempDir dir;
    const std::string path = dir.File("tone.mp3");
    std::filesystem::copy_file(std::string(QSR_TEST_DATA) + "/tone_notag.mp3", path);
    const std::string before = ReadAll(path);
    auto engine = CreateRealAudioEngine();
    tags::clsID3v23 tag(*engine);
    tag.filename(path);
    EXPECT_FALSE(tag.SaveTag());
    EXPECT_EQ(tag.sLastError(), "the ID3v2 tag module cannot be loaded");
    EXPECT_EQ(ReadAll(path), before);
}

// A null reader, as for a file that cannot be played: the loader's reason is
// on standard error, and whether the module loads tells the player which.
TEST(ModuleMissing, MidiOpeningNamesTheMissingModule) {
    TempDir dir;
    const std::string midi = dir.File("note.mid");
    qsr::testing::WriteMidiNote(midi, 1.0);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(mediaplayer::OpenMidi(midi, 44100), nullptr);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("qsr-midi-module.so: module not found"), std::string::npos) << said;
    EXPECT_FALSE(mediaplayer::MidiModuleLoads());
}

TEST(ModuleMissing, CdOpeningNamesTheMissingModule) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(mediaplayer::OpenCd("/dev/null", 1), nullptr);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("qsr-cd-module.so: module not found"), std::string::npos) << said;
    EXPECT_FALSE(mediaplayer::CdModuleLoads());
}

}  // namespace
}  // namespace qsr::audio
