// quorvin-cli loudness, info --loudness and convert --loudness on files
// ffmpeg made, checked with ffmpeg's own EBU R128 meter and with mutagen.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <regex>
#include <sstream>

#include "support/Signal.h"
#include "support/TempDir.h"

namespace {

using qsr::testing::Capture;
using qsr::testing::TempDir;

struct Result {
    int code = -1;
    std::string out, err;
};

class LoudnessCli : public ::testing::Test {
  protected:
    Result Run(const std::string& args) {
        const std::string errFile = dir_.File("stderr.txt");
        const std::string cmd = "QSR_HOME='" + home_.path().string() +
                                "' " QSR_BINARY_DIR "/src/cli/quorvin-cli " + args + " 2>" +
                                errFile;
        Result r;
        FILE* p = popen(cmd.c_str(), "r");
        char buf[512];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
        const int status = pclose(p);
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.err = qsr::testing::ReadAll(errFile);
        return r;
    }
    // A file of ffmpeg's making from a lavfi source.
    std::string Make(const std::string& name, const std::string& source,
                     const std::string& options = "") {
        const std::string path = dir_.File(name);
        Capture("ffmpeg -v error -f lavfi -i '" + source + "' " + options + " -y " + path);
        EXPECT_TRUE(std::filesystem::exists(path)) << name;
        return path;
    }
    // ffmpeg's integrated loudness and true peak of a file.
    struct Reference {
        double lufs = NAN, peak = NAN;
    };
    static Reference Measured(const std::string& path) {
        const std::string log = Capture("ffmpeg -nostats -hide_banner -i " + path +
                                        " -af ebur128=peak=true -f null - 2>&1");
        Reference r;
        std::smatch m;
        const auto summary = log.rfind("Summary:");
        const std::string tail = summary == std::string::npos ? "" : log.substr(summary);
        if (std::regex_search(tail, m, std::regex(R"(I:\s+(-?[0-9.]+) LUFS)")))
            r.lufs = std::stod(m[1]);
        if (std::regex_search(tail, m, std::regex(R"(Peak:\s+(-?[0-9.]+|-inf) dBFS)")))
            r.peak = m[1] == "-inf" ? -HUGE_VAL : std::stod(m[1]);
        return r;
    }
    // The file's tags as mutagen reads them: one "KEY=VALUE" a line, keys in
    // upper case (an MP3's TXXX frames by their description).
    static std::string Tags(const std::string& path) {
        return Capture(
            "/usr/bin/python3 -c '"
            "import sys, mutagen\n"
            "f = mutagen.File(sys.argv[1])\n"
            "for k, v in sorted(f.tags.items()):\n"
            "    k = k[5:] if k.startswith(\"TXXX:\") else k\n"
            "    t = v.text if hasattr(v, \"text\") else v\n"
            "    print(k.upper() + \"=\" + \"|\".join(str(x) for x in (t if isinstance(t, list) "
            "else [t])))\n"
            "if hasattr(f.tags, \"version\"): print(\"ID3=\" + str(f.tags.version[1]))\n"
            "' " +
            path);
    }
    static double Field(const std::string& tags, const std::string& key) {
        std::smatch m;
        if (!std::regex_search(tags, m, std::regex("(^|\n)" + key + "=([-+0-9.]+)"))) return NAN;
        return std::stod(m[2]);
    }
    TempDir home_, dir_;
};

TEST_F(LoudnessCli, TagsASetAndMutagenReadsTheGains) {
    // Four files at four levels, one of each kind that takes the tags; the
    // MP3 carries a 2.3 tag with a title that must stay.
    const std::string flac = Make("a.flac", "sine=f=1000:r=44100:d=8", "-af volume=0.8 -ac 2");
    const std::string ogg = Make("b.ogg", "sine=f=500:r=44100:d=8", "-af volume=0.3 -ac 2");
    const std::string opus = Make("c.opus", "sine=f=700:r=48000:d=8", "-af volume=1.5 -ac 1");
    const std::string mp3 = Make("d.mp3", "sine=f=300:r=44100:d=8",
                                 "-af volume=2 -ac 2 -id3v2_version 3 -metadata title=Kept");
    const Result r = Run("loudness --tag " + flac + " " + ogg + " " + opus + " " + mp3);
    ASSERT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("Album: "), std::string::npos) << r.out;

    for (const std::string& path : {flac, ogg, mp3}) {
        const std::string tags = Tags(path);
        const double lufs = Measured(path).lufs;
        EXPECT_NEAR(Field(tags, "REPLAYGAIN_TRACK_GAIN"), -18.0 - lufs, 0.15) << path << tags;
        EXPECT_GT(Field(tags, "REPLAYGAIN_TRACK_PEAK"), 0.0) << tags;
        EXPECT_FALSE(std::isnan(Field(tags, "REPLAYGAIN_ALBUM_GAIN"))) << tags;
        EXPECT_FALSE(std::isnan(Field(tags, "REPLAYGAIN_ALBUM_PEAK"))) << tags;
    }
    // The peak is the true peak, as a ratio.
    const double peak = Field(Tags(flac), "REPLAYGAIN_TRACK_PEAK");
    EXPECT_NEAR(20 * std::log10(peak), Measured(flac).peak, 0.2);
    // The MP3 keeps its tag's version and its title.
    const std::string id3 = Tags(mp3);
    EXPECT_NE(id3.find("TIT2=Kept"), std::string::npos) << id3;
    EXPECT_NE(id3.find("ID3=3"), std::string::npos) << id3;
    // Opus: its R128 gain in Q7.8 relative to -23 LUFS, and no ReplayGain field.
    const std::string opusTags = Tags(opus);
    EXPECT_NEAR(Field(opusTags, "R128_TRACK_GAIN") / 256.0, -23.0 - Measured(opus).lufs, 0.15)
        << opusTags;
    EXPECT_FALSE(std::isnan(Field(opusTags, "R128_ALBUM_GAIN"))) << opusTags;
    EXPECT_EQ(opusTags.find("REPLAYGAIN"), std::string::npos) << opusTags;
    // Tagged again, each field is there once, with the same value.
    const std::string before = Tags(flac);
    ASSERT_EQ(Run("loudness --tag " + flac + " " + ogg + " " + opus + " " + mp3).code, 0);
    EXPECT_EQ(Tags(flac), before);
    EXPECT_EQ(Tags(mp3), id3);
    // Nothing left beside the files.
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir_.path()))
        entries += e.path().filename().string()[0] == '.';
    EXPECT_EQ(entries, 0);
}

TEST_F(LoudnessCli, FiguresMatchFfmpegAndFaultsAreReportedNeverMeasured) {
    const std::string tone =
        Make("tone.wav", "sine=f=1000:r=48000:d=10", "-af volume=0.8 -ac 1");  // -20 dBFS
    const Result info = Run("info " + tone + " --loudness");
    ASSERT_EQ(info.code, 0) << info.err;
    EXPECT_NE(info.out.find("Integrated loudness: -23.0 LUFS"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("True peak: -20.0 dBTP"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("Duration: "), std::string::npos) << info.out;
    const std::string silence = Make("silence.flac", "anullsrc=r=44100:cl=stereo", "-t 5");
    const Result quiet = Run("info --loudness " + silence);
    ASSERT_EQ(quiet.code, 0) << quiet.err;
    EXPECT_NE(quiet.out.find("Integrated loudness: silence"), std::string::npos) << quiet.out;

    // A damaged MP3 and a file that is no sound beside a good one: both
    // reported and skipped, the good one measured, no album figures.
    const std::string mp3 = Make("full.mp3", "sine=f=440:r=44100:d=5", "-ac 2");
    std::string bytes = qsr::testing::ReadAll(mp3);
    for (size_t i = bytes.size() / 3; i < bytes.size() / 3 + 1600; ++i) bytes[i] ^= 0x5A;
    qsr::testing::WriteAll(dir_.File("hole.mp3"), bytes);
    qsr::testing::WriteAll(dir_.File("junk.flac"), std::string(5000, 'j'));
    const std::string junkBefore = qsr::testing::ReadAll(dir_.File("junk.flac"));
    const Result r = Run("loudness --tag " + tone + " " + dir_.File("hole.mp3") + " " +
                         dir_.File("junk.flac") + " " + mp3);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find(tone + ": only FLAC, Ogg Vorbis, Opus and MP3"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("hole.mp3: the file is damaged"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("junk.flac: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("no album figures"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("hole.mp3"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Album"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(mp3 + ": "), std::string::npos) << r.out;
    EXPECT_EQ(qsr::testing::ReadAll(dir_.File("hole.mp3")), bytes);
    EXPECT_EQ(qsr::testing::ReadAll(dir_.File("junk.flac")), junkBefore);
    EXPECT_NE(Tags(mp3).find("REPLAYGAIN_TRACK_GAIN"), std::string::npos);

    EXPECT_EQ(Run("loudness").code, 2);
    EXPECT_EQ(Run("loudness --album " + tone).code, 2);
    EXPECT_EQ(Run("convert --loudness loud " + tone + " " + dir_.File("o.mp3")).code, 2);
    EXPECT_EQ(Run("convert --loudness -16:3 " + tone + " " + dir_.File("o.mp3")).code, 2);
}

TEST_F(LoudnessCli, ConvertNormalisesAnMp3ToTheTargetUnderTheCeiling) {
    // A quiet tone with sharp clicks: the gain to -16 LUFS would lift the
    // clicks past full scale, so the limiter has to act.
    const std::string clicks =
        Make("clicks.mp3", "aevalsrc=0.04*sin(2*PI*440*t)+0.7*lt(mod(n\\,4410)\\,3):s=44100:d=12",
             "-ac 2");
    const std::string out = dir_.File("loud.mp3");
    const Result r = Run("convert --loudness -16:-1 " + clicks + " " + out);
    ASSERT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("normalised to -16.0 LUFS: gain +"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("peaks limited to -1.0 dBTP"), std::string::npos) << r.out;
    const Reference loud = Measured(out);
    EXPECT_NEAR(loud.lufs, -16.0, 0.5);
    EXPECT_LE(loud.peak, -1.0);

    // A quiet speech-like tone needs no limiter: only the gain.
    const std::string quiet = Make("quiet.mp3", "sine=f=300:r=44100:d=10", "-af volume=0.1 -ac 1");
    const std::string podcast = dir_.File("podcast.flac");
    const Result plain = Run("convert --loudness -16 " + quiet + " " + podcast);
    ASSERT_EQ(plain.code, 0) << plain.err;
    EXPECT_EQ(plain.out.find("limited"), std::string::npos) << plain.out;
    EXPECT_NEAR(Measured(podcast).lufs, -16.0, 0.2);
}

}  // namespace
