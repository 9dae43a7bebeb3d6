// A write or a finish the system refuses is reported with its reason, and what
// reached the file still plays. A file-size limit stands in for a full disk:
// the system refuses the bytes past it as it would on a full device.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>

#include "platform/audio/AudioFileComponent.h"
#include "platform/audio/FileCodecs.h"
#include "support/Signal.h"
#include "support/TempDir.h"

namespace qsr::audio {
namespace {

using qsr::testing::Capture;
using qsr::testing::TempDir;

// Files this process writes may not grow past `bytes` while it lives.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        handler_ = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = saved_;
        small.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, handler_);
    }

  private:
    struct rlimit saved_ {};
    void (*handler_)(int) = nullptr;
};

void Configure(IAudioFile& f) {
    f.SetVoxFormat(8000);
    f.SetRawFormat(1, 8000, 1, 16);
    f.SetG726Format(8000, 4);
    f.SetMp3Format(22050, 64, 1);
    f.SetOggFormat(22050, 1, 64, 0, 0, -1);
}

struct Readback {
    long frames = 0;
    double hz = 0;
};

Readback Decode(const std::string& path) {
    auto f = CreateRealAudioFile();
    Configure(*f);
    Readback r;
    if (f->OpenFile(path) < 0) return r;
    Samples all;
    for (Samples b; !(b = f->ReadBlock(8192)).empty();) all.insert(all.end(), b.begin(), b.end());
    r.frames = static_cast<long>(all.size()) / std::max(1, f->ChannelCount());
    if (r.frames > f->SampleRate() / 2)
        r.hz = qsr::testing::DominantFrequency(qsr::testing::Channel(all, f->ChannelCount()),
                                               f->SampleRate());
    return r;
}

// Every type: writing into a file that cannot grow past 60 000 bytes fails
// with the system's reason; the file is still finished and plays what it
// holds (WAV sizes, the MP3 and Ogg stream up to the cut).
TEST(WriteFailure, AFullFileFailsWithTheSystemsReasonAndStillPlays) {
    TempDir dir;
    struct Case {
        const char* name;
        void (*format)(IAudioFile&);
    };
    const Case cases[] = {
        {"pcm.wav", [](IAudioFile& f) { f.SetWavFormat(8000, 1, 16); }},
        {"pcm24.wav", [](IAudioFile& f) { f.SetWavFormat(8000, 1, 24); }},
        {"adpcm.wav", [](IAudioFile& f) { f.SetWavAdpcmFormat(8000, 1); }},
        {"t.mp3", [](IAudioFile&) {}},
        {"t.ogg", [](IAudioFile&) {}},
        {"t.vox", [](IAudioFile&) {}},
        {"t.raw", [](IAudioFile&) {}},
        {"t.g726", [](IAudioFile&) {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File(c.name);
        auto f = CreateRealAudioFile();
        Configure(*f);
        c.format(*f);
        int written = 0;
        {
            FileSizeLimit limit(60000);
            ASSERT_GE(f->CreateFile(path), 0) << f->LastError();
            const Samples second = qsr::testing::Tone(f->EncoderRate(), f->EncoderChannels(), 1.0);
            // Even at 4 bits a sample the limit is reached within a minute.
            while (written < 60 && f->WriteBlock(second) >= 0) ++written;
            EXPECT_LT(f->Status(), 0);
            EXPECT_EQ(f->LastError(), "File too large");
            f->Close();
        }
        EXPECT_LE(std::filesystem::file_size(path), 60000u);
        const Readback r = Decode(path);
        // What was accepted plays, and it is the tone that was recorded.
        EXPECT_GE(r.frames, static_cast<long>(written - 1) * f->EncoderRate());
        EXPECT_EQ(r.hz, 1000.0);
        // An independent reader takes the files that have a container.
        const std::string ext = file::LowerExtension(path);
        if (ext == "wav" || ext == "mp3" || ext == "ogg") {
            const std::string duration =
                Capture("ffprobe -v error -show_entries format=duration -of csv=p=0 " + path);
            EXPECT_GT(std::atof(duration.c_str()), written - 1.0) << duration;
            // No MP3 length header claims frames that never reached the file.
            if (ext == "mp3") {
                EXPECT_LE(std::atof(duration.c_str()),
                          static_cast<double>(r.frames) / f->EncoderRate() + 0.1)
                    << duration;
            }
        }
    }
}

// The tail of the MP3 and Ogg encoders (and the WMA trailer) is written at
// Close: when it cannot be, Close says so; the blocks before it still play.
// A WAV header is rewritten in place and needs no room.
TEST(WriteFailure, AFinishThatCannotBeWrittenIsReportedByClose) {
    TempDir dir;
    for (const char* name : {"tail.mp3", "tail.ogg", "tail.wma", "tail.wav"}) {
        SCOPED_TRACE(name);
        const std::string path = dir.File(name);
        auto f = CreateRealAudioFile();
        Configure(*f);
        f->SetWavFormat(8000, 1, 16);
        f->SetWmaFormat(24);
        ASSERT_GE(f->CreateFile(path), 0) << f->LastError();
        const Samples second = qsr::testing::Tone(f->EncoderRate(), f->EncoderChannels(), 1.0);
        ASSERT_GE(f->WriteBlock(second), 0) << f->LastError();
        ASSERT_GE(f->WriteBlock(second), 0) << f->LastError();
        {
            FileSizeLimit limit(std::filesystem::file_size(path));
            f->Close();
        }
        if (std::string(name) == "tail.wav") {
            EXPECT_GE(f->Status(), 0) << f->LastError();
            EXPECT_EQ(Decode(path).frames, 2 * 8000);
            continue;
        }
        EXPECT_LT(f->Status(), 0);
        EXPECT_EQ(f->LastError(), "File too large");
        const Readback r = Decode(path);
        EXPECT_GE(r.frames, f->EncoderRate());
        EXPECT_EQ(r.hz, 1000.0);
        if (std::string(name) == "tail.mp3") {
            // The LAME header would count the lost tail: it is left out.
            const std::string duration =
                Capture("ffprobe -v error -show_entries format=duration -of csv=p=0 " + path);
            EXPECT_LE(std::atof(duration.c_str()),
                      static_cast<double>(r.frames) / f->EncoderRate() + 0.1)
                << duration;
        }
        // A good Close of the next file starts clean again.
        ASSERT_GE(f->CreateFile(dir.File(std::string("next-") + name)), 0);
        ASSERT_GE(f->WriteBlock(second), 0);
        f->Close();
        EXPECT_GE(f->Status(), 0) << f->LastError();
    }
}

// WAV codings that RF64 takes go on past the 32-bit limit; the others end at
// it with a reason, leaving a file that holds every frame accepted.
TEST(WriteFailure, WavCodingsPastTheSizeLimitContinueAsRf64OrEndCleanly) {
    TempDir dir;
    const Samples second = qsr::testing::Tone(8000, 1, 1.0);
    constexpr std::uint64_t kLimit = 20000;  // stands in for 4 GiB
    for (file::WavCoding coding :
         {file::WavCoding::Pcm8, file::WavCoding::Pcm24, file::WavCoding::Float32,
          file::WavCoding::Alaw, file::WavCoding::Ulaw}) {
        const std::string name = file::WavCodingName(coding);
        SCOPED_TRACE(name);
        const std::string path = dir.File("grow.wav");
        std::string error;
        auto e =
            file::OpenSndfileEncoder(path, file::SndfileWavFormat(coding), 8000, 1, error, kLimit);
        ASSERT_NE(e, nullptr) << error;
        for (int i = 0; i < 4; ++i) ASSERT_TRUE(e->Write(second.data(), 8000)) << e->Error();
        ASSERT_TRUE(e->Finish()) << e->Error();
        EXPECT_GT(std::filesystem::file_size(path), kLimit);
        EXPECT_EQ(Decode(path).frames, 4 * 8000);
        // Small, it stays a plain WAV file that every reader takes.
        EXPECT_EQ(qsr::testing::ReadAll(path).substr(0, 4), "RIFF");
    }
    for (file::WavCoding coding :
         {file::WavCoding::ImaAdpcm, file::WavCoding::MsAdpcm, file::WavCoding::Gsm610}) {
        const std::string name = file::WavCodingName(coding);
        SCOPED_TRACE(name);
        const std::string path = dir.File("end.wav");
        std::string error;
        auto e =
            file::OpenSndfileEncoder(path, file::SndfileWavFormat(coding), 8000, 1, error, kLimit);
        ASSERT_NE(e, nullptr) << error;
        int accepted = 0;
        while (accepted < 20 && e->Write(second.data(), 8000)) ++accepted;
        ASSERT_LT(accepted, 20) << "the limit was never reached";
        EXPECT_EQ(e->Error(), "the WAV file reached its 4 GiB size limit (" + name +
                                  " cannot continue as RF64)");
        EXPECT_FALSE(e->Write(second.data(), 8000));  // nothing more goes in
        ASSERT_TRUE(e->Finish()) << e->Error();
        // The block that hit the limit was written as far as it fitted.
        EXPECT_LE(std::filesystem::file_size(path), kLimit + 1024);
        const Readback r = Decode(path);
        EXPECT_GT(r.frames, accepted * 8000);
        EXPECT_LT(r.frames, (accepted + 1) * 8000);
        EXPECT_EQ(r.hz, 1000.0);
    }
}

}  // namespace
}  // namespace qsr::audio
