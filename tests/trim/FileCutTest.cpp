// The real cutter on files another program made; ffmpeg and ffprobe read the
// results back.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <filesystem>

#include "platform/audio/FileCutter.h"
#include "platform/audio/MarkerStore.h"
#include "support/Signal.h"
#include "support/TempDir.h"

namespace qsr::audio {
namespace {

using qsr::testing::Capture;
using qsr::testing::ReadAll;
using qsr::testing::TempDir;
using Spans = std::vector<SampleSpan>;

// What ffmpeg decodes, as raw samples in `format` (s16le, s32le).
std::string Decoded(const std::string& path, const std::string& format = "s16le") {
    return Capture("ffmpeg -v error -i '" + path + "' -f " + format + " -");
}

std::string Tag(const std::string& path, const std::string& key) {
    std::string v = Capture("ffprobe -v error -show_entries format_tags=" + key +
                            " -of default=nw=1:nk=1 '" + path + "'");
    while (!v.empty() && v.back() == '\n') v.pop_back();
    return v;
}

// A chirp with noise: every sample differs from its neighbours.
std::string Make(const TempDir& dir, const std::string& name, const std::string& codec) {
    const std::string path = dir.File(name);
    Capture(
        "ffmpeg -v error -f lavfi -i 'aevalsrc=0.4*sin(300*t*t)+0.05*random(0)|0.3*sin(2000*t)"
        ":s=44100:d=8' -metadata title='Kept title' " +
        codec + " -y '" + path + "'");
    EXPECT_TRUE(std::filesystem::exists(path)) << path;
    return path;
}

std::string Spanned(const std::string& pcm, const Spans& kept, int frameBytes) {
    std::string out;
    for (const SampleSpan& s : kept)
        out += pcm.substr(static_cast<std::size_t>(s.begin * frameBytes),
                          static_cast<std::size_t>(s.Length() * frameBytes));
    return out;
}

// PCM WAV (RIFF and RF64) and FLAC: the decoded result is the decoded
// original's kept spans bit for bit, the tags stay.
TEST(FileCut, WavAndFlacKeepExactlyTheKeptSamplesAndTheirTags) {
    TempDir dir;
    auto cutter = file::CreateFileCutter();
    const Spans kept{{12345, 100001}, {150000, 333333}};
    struct Case {
        const char* name;
        const char* codec;
        const char* pcm;
        int frameBytes;
    };
    for (const Case& c :
         {Case{"a.wav", "-c:a pcm_s16le", "s16le", 4},
          Case{"b.wav", "-c:a pcm_s24le -rf64 always", "s32le", 8},
          Case{"c.flac", "-c:a flac -sample_fmt s32 -bits_per_raw_sample 24", "s32le", 8},
          Case{"d.flac", "-c:a flac", "s16le", 4}}) {
        const std::string in = Make(dir, c.name, c.codec);
        const std::string out = dir.File(std::string("cut-") + c.name);
        ASSERT_TRUE(cutter->Ability(in, kept).possible) << c.name;
        const CutResult r = cutter->Cut(in, kept, out);
        ASSERT_TRUE(r.ok) << c.name << ": " << r.error;
        EXPECT_EQ(r.samples, 87656 + 183333);
        const std::string want = Spanned(Decoded(in, c.pcm), kept, c.frameBytes);
        ASSERT_EQ(want.size(), static_cast<std::size_t>(r.samples * c.frameBytes));
        EXPECT_TRUE(Decoded(out, c.pcm) == want) << c.name;
        EXPECT_EQ(Tag(out, "title"), "Kept title") << c.name;
    }
    // RAW: no header, the frame size the settings give.
    const std::string raw = Make(dir, "e.raw", "-f s16le");
    cutter->SetRawFrameBytes(4);
    const CutResult r = cutter->Cut(raw, kept, dir.File("cut.raw"));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(ReadAll(dir.File("cut.raw")) == Spanned(ReadAll(raw), kept, 4));
}

// The packets' hashes, in order, as ffprobe reads them.
std::string PacketHashes(const std::string& path) {
    const std::string text = Capture(
        "ffprobe -v error -show_data_hash MD5 -show_entries packet=data_hash -of csv=p=0 '" + path +
        "'");
    std::string hashes;
    for (std::size_t at = text.find("MD5:"); at != std::string::npos;
         at = text.find("MD5:", at + 4))
        hashes += text.substr(at, 36) + "\n";
    return hashes;
}

// MP3: one span; the frames are the original's, a gapless decoder gives
// exactly the span, and the samples are the original decode's. Also from a
// file without the LAME header, and MPEG-2 (one granule a frame), mono.
TEST(FileCut, Mp3CopiesFramesAndMakesTheEdgesExactThroughTheGaplessHeader) {
    TempDir dir;
    auto cutter = file::CreateFileCutter();
    struct Case {
        const char* name;
        const char* codec;
        int frameBytes;
        std::vector<SampleSpan> spans;
    };
    for (const Case& c : {Case{"a.mp3",
                               "-c:a libmp3lame -b:a 128k -id3v2_version 3",
                               4,
                               {{66150, 264599}, {0, 1000}, {1, 352800}, {300001, 352800}}},
                          Case{"b.mp3",
                               "-ac 1 -ar 22050 -c:a libmp3lame -b:a 32k -write_xing 0",
                               2,
                               {{33075, 132299}, {529, 2000}, {150001, 176400}}}}) {
        const std::string in = Make(dir, c.name, c.codec);
        const std::string original = Decoded(in);
        const std::string packets = PacketHashes(in);
        for (const SampleSpan& span : c.spans) {
            const std::string out = dir.File("cut.mp3");
            const CutResult r = cutter->Cut(in, {span}, out);
            ASSERT_TRUE(r.ok) << c.name << ": " << r.error;
            const std::string got = Decoded(out);
            const std::string want =
                original.substr(static_cast<std::size_t>(span.begin * c.frameBytes),
                                static_cast<std::size_t>(span.Length() * c.frameBytes));
            ASSERT_EQ(got.size(), want.size()) << c.name << " " << span.begin << ".." << span.end;
            int worst = 0, differing = 0;
            for (std::size_t i = 0; i + 1 < got.size(); i += 2) {
                std::int16_t x, y;
                std::memcpy(&x, got.data() + i, 2);
                std::memcpy(&y, want.data() + i, 2);
                worst = std::max(worst, std::abs(x - y));
                differing += x != y;
            }
            std::printf("%s span %lld..%lld: %d values differ, at most by %d\n", c.name,
                        static_cast<long long>(span.begin), static_cast<long long>(span.end),
                        differing, worst);
            EXPECT_EQ(differing, 0) << c.name;
            // Every frame of the cut is one of the original's, in its order.
            const std::string cutPackets = PacketHashes(out);
            ASSERT_FALSE(cutPackets.empty());
            EXPECT_NE(packets.find(cutPackets), std::string::npos) << c.name;
            EXPECT_EQ(Tag(out, "title"), "Kept title") << c.name;
        }
    }
    // A cut inside an MP3 would join frames whose reservoirs do not meet.
    const CutAbility two = cutter->Ability(dir.File("a.mp3"), {{0, 1000}, {5000, 9000}});
    EXPECT_FALSE(two.possible);
    EXPECT_EQ(two.note, "An MP3 file keeps one span: a cut inside it would code it again");
}

// Opus: the packets are the original's, the pre-skip and the last granule
// make the length exact; the first samples come out of a decoder that starts
// half a second before them, so they match the original decode all but
// exactly (the decoder's state is not the whole stream's).
TEST(FileCut, OpusCopiesPacketsAndTrimsThroughPreSkipAndGranule) {
    TempDir dir;
    auto cutter = file::CreateFileCutter();
    const std::string in = Make(dir, "a.opus", "-ar 48000 -c:a libopus -b:a 96k");
    const std::string original = Decoded(in);
    const std::string packets = PacketHashes(in);
    for (const SampleSpan span : {SampleSpan{72000, 300001}, SampleSpan{0, 4800}}) {
        const std::string out = dir.File("cut.opus");
        const CutResult r = cutter->Cut(in, {span}, out);
        ASSERT_TRUE(r.ok) << r.error;
        const std::string got = Decoded(out);
        const std::string want = original.substr(static_cast<std::size_t>(span.begin * 4),
                                                 static_cast<std::size_t>(span.Length() * 4));
        ASSERT_EQ(got.size(), want.size()) << span.begin << ".." << span.end;
        int worst = 0, differing = 0;
        std::size_t lastDiffering = 0;
        for (std::size_t i = 0; i + 1 < got.size(); i += 2) {
            std::int16_t x, y;
            std::memcpy(&x, got.data() + i, 2);
            std::memcpy(&y, want.data() + i, 2);
            worst = std::max(worst, std::abs(x - y));
            differing += x != y;
            if (x != y) lastDiffering = i / 4;
        }
        std::printf(
            "opus span %lld..%lld: %d values differ, at most by %d, the last at frame %zu\n",
            static_cast<long long>(span.begin), static_cast<long long>(span.end), differing, worst,
            lastDiffering);
        // Measured: a few values by one step, in the first 20 ms.
        EXPECT_LE(worst, 2);
        EXPECT_LT(lastDiffering, std::size_t{4800});
        const std::string cutPackets = PacketHashes(out);
        ASSERT_FALSE(cutPackets.empty());
        EXPECT_NE(packets.find(cutPackets), std::string::npos);
        EXPECT_EQ(
            Capture("ffprobe -v error -show_entries stream_tags=title -of default=nw=1:nk=1 '" +
                    out + "'"),
            "Kept title\n");
    }
}

// A format without an exact way is refused with the reason, and a copy the
// system stops (a full disk; a file-size limit stands in) replaces nothing.
TEST(FileCut, RefusedAndFailedCutsLeaveTheFileAsItWas) {
    TempDir dir;
    auto cutter = file::CreateFileCutter();
    const std::string ogg = Make(dir, "a.ogg", "-c:a libvorbis");
    const CutAbility a = cutter->Ability(ogg, {{0, 1000}});
    EXPECT_FALSE(a.possible);
    EXPECT_EQ(a.note, "Ogg Vorbis files cannot be cut without coding them again yet");
    EXPECT_FALSE(cutter->Cut(ogg, {{0, 1000}}, ogg).ok);

    const std::string wav = Make(dir, "a.wav", "-c:a pcm_s16le");
    const std::string before = ReadAll(wav);
    CutResult r;
    {
        struct rlimit saved {};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        auto* handler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = saved;
        small.rlim_cur = 100000;
        ::setrlimit(RLIMIT_FSIZE, &small);
        r = cutter->Cut(wav, {{1000, 300000}}, wav);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, handler);
    }
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, std::strerror(EFBIG));
    EXPECT_TRUE(ReadAll(wav) == before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              2);  // no copy left beside it
}

// A marker moves back by the sound cut before it; one in cut sound goes, as
// does one on the first sample of a cut; the very end of what is kept stays.
TEST(FileCut, MarkersMoveByWhatWasCutBeforeThem) {
    const auto m = [](std::int64_t frame, const char* label) {
        return core::Marker{frame, label, 0};
    };
    const std::vector<core::Marker> before{m(50, "before"), m(100, "first"), m(150, "in"),
                                           m(200, "cut"),   m(299, "last"),  m(300, "gap"),
                                           m(400, "next"),  m(500, "end"),   m(600, "after")};
    EXPECT_EQ(MarkersAfterCut(before, {{100, 200}, {300, 500}}),
              (std::vector<core::Marker>{m(0, "first"), m(50, "in"), m(100, "gap"), m(200, "next"),
                                         m(300, "end")}));
    EXPECT_EQ(MarkersAfterCut(before, {{0, 1000}}), before);
}

}  // namespace
}  // namespace qsr::audio
