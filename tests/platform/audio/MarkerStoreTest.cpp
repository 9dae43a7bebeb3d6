// Markers kept in files other tools made (ffmpeg), read back by other tools:
// ffprobe's chapters for MP3, Ogg Vorbis, Opus and FLAC, mutagen's CHAP and
// CTOC frames, and a RIFF walk of our own here for the WAV cue and labels.
// Limits: none, 300, labels in other scripts, the first and the last frame.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/audio/MarkerStore.h"
#include "platform/taglib/TagLibId3v2Tag.h"
#include "support/TempDir.h"

namespace qsr::audio {
namespace {

using qsr::testing::ReadAll;
using qsr::testing::TempDir;

std::string Shell(const std::string& command) {
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    char buf[4096];
    while (pipe && std::fgets(buf, sizeof buf, pipe.get())) out += buf;
    return out;
}

// Five seconds of 48 kHz sine in the type the name gives, made by ffmpeg.
std::string Make(const TempDir& dir, const std::string& name, const std::string& extra = "") {
    const std::string path = dir.File(name);
    EXPECT_EQ(std::system(("ffmpeg -v error -f lavfi -i sine=f=440:d=5 -ar 48000 " + extra + " '" +
                           path + "'")
                              .c_str()),
              0);
    return path;
}

struct Chapter {
    double start;
    std::string title;
};

std::vector<Chapter> Ffprobe(const std::string& path) {
    const QJsonObject o =
        QJsonDocument::fromJson(QByteArray::fromStdString(Shell(
                                    "ffprobe -v error -show_chapters -of json '" + path + "'")))
            .object();
    std::vector<Chapter> out;
    for (const auto& c : o["chapters"].toArray())
        out.push_back({c.toObject()["start_time"].toString().toDouble(),
                       c.toObject()["tags"].toObject()["title"].toString().toStdString()});
    return out;
}

// What mutagen sees: the top table's flags and the chapters it leads to (through
// nested tables), then "start label" per CHAP, then the title.
std::string Mutagen(const std::string& path) {
    return Shell(
        "/usr/bin/python3 -c \"import sys; from mutagen.id3 import ID3; t = ID3(sys.argv[1]); "
        "tocs = {c.element_id: c for c in t.getall('CTOC')}; "
        "top = [c for c in tocs.values() if c.flags & 2]; "
        "w = lambda ids: sum([w(tocs[i].child_element_ids) if i in tocs else [i] for i in ids], "
        "[]); "
        "print(len(top), int(top[0].flags) if top else '', "
        "' '.join(w(top[0].child_element_ids)) if top else ''); "
        "[print(c.start_time, c.sub_frames['TIT2'].text[0]) for c in t.getall('CHAP')]; "
        "print('TIT2', t['TIT2'].text[0] if 'TIT2' in t else '-')\" '" +
        path + "'");
}

// The cue points and labels of a WAV file, by walking its chunks here.
std::vector<std::pair<std::uint32_t, std::string>> WavCues(const std::string& path,
                                                           std::string* data = nullptr) {
    const std::string f = ReadAll(path);
    const auto u32 = [&f](std::size_t at) {
        std::uint32_t v;
        std::memcpy(&v, f.data() + at, 4);
        return v;
    };
    std::vector<std::pair<std::uint32_t, std::string>> cues;  // by cue id order
    std::map<std::uint32_t, std::uint32_t> positions;
    std::map<std::uint32_t, std::string> labels;
    std::uint64_t rf64Data = 0;
    for (std::size_t at = 12; at + 8 <= f.size();) {
        const std::string id = f.substr(at, 4);
        std::uint64_t size = u32(at + 4);
        if (id == "ds64") rf64Data = u32(at + 16) | (std::uint64_t(u32(at + 20)) << 32);
        if (id == "data" && size == 0xFFFFFFFFu) size = rf64Data;
        if (id == "data" && data) *data = f.substr(at + 8, size);
        if (id == "cue ")
            for (std::uint32_t i = 0; i < u32(at + 8); ++i)
                positions[u32(at + 12 + 24 * i)] = u32(at + 12 + 24 * i + 20);
        if (id == "LIST" && f.substr(at + 8, 4) == "adtl")
            for (std::size_t s = at + 12; s + 8 <= at + 8 + size;) {
                const std::uint32_t n = u32(s + 4);
                if (f.substr(s, 4) == "labl")
                    labels[u32(s + 8)] = std::string(f.c_str() + s + 12);  // up to its NUL
                s += 8 + n + (n & 1);
            }
        at += 8 + size + (size & 1);
    }
    for (const auto& [id, frame] : positions) cues.emplace_back(frame, labels[id]);
    return cues;
}

const std::string kCyrillic = "Вопрос — 質問 ✓";

std::vector<core::Marker> ThreeMarkers(std::int64_t lastFrame) {
    return {{0, "Start", 0}, {72000, kCyrillic, 0}, {lastFrame, "End", 0}};
}

TEST(MarkerStore, ChaptersOfMp3OggOpusFlacReachFfprobeAndReadBack) {
    TempDir dir;
    for (const char* name : {"a.mp3", "a.ogg", "a.opus", "a.flac"}) {
        SCOPED_TRACE(name);
        const std::string path = Make(dir, name);
        const std::string before = ReadAll(path);
        std::string why;
        // None asked for, none there: the file is not touched.
        ASSERT_TRUE(StoreMarkers(path, 48000, {}, &why)) << why;
        EXPECT_EQ(ReadAll(path), before);
        ASSERT_TRUE(StoreMarkers(path, 48000, ThreeMarkers(5 * 48000 - 1), &why)) << why;
        const std::vector<Chapter> seen = Ffprobe(path);
        ASSERT_EQ(seen.size(), 3u);
        EXPECT_DOUBLE_EQ(seen[0].start, 0);
        EXPECT_EQ(seen[0].title, "Start");
        EXPECT_DOUBLE_EQ(seen[1].start, 1.5);
        EXPECT_EQ(seen[1].title, kCyrillic);
        EXPECT_DOUBLE_EQ(seen[2].start, 5.0);  // the last frame, to the millisecond
        std::vector<core::Marker> back;
        int rate = 0;
        ASSERT_TRUE(ReadMarkers(path, back, rate, &why)) << why;
        EXPECT_EQ(rate, 48000);
        ASSERT_EQ(back.size(), 3u);
        EXPECT_EQ(back[1].frame, 72000);
        EXPECT_EQ(back[1].label, kCyrillic);
        // Removing them all leaves none.
        ASSERT_TRUE(StoreMarkers(path, 48000, {}, &why)) << why;
        EXPECT_TRUE(Ffprobe(path).empty());
    }
}

TEST(MarkerStore, ThreeHundredChaptersAndTheEditorsTagWriteKeepsThem) {
    TempDir dir;
    std::vector<core::Marker> many;
    for (int i = 0; i < 300; ++i) many.push_back({i * 768, "Kapitel " + std::to_string(i + 1), 0});
    const std::string ogg = Make(dir, "many.ogg");
    std::string why;
    ASSERT_TRUE(StoreMarkers(ogg, 48000, many, &why)) << why;
    const std::vector<Chapter> seen = Ffprobe(ogg);
    ASSERT_EQ(seen.size(), 300u);
    EXPECT_DOUBLE_EQ(seen[299].start, 299 * 0.016);
    EXPECT_EQ(seen[299].title, "Kapitel 300");

    const std::string mp3 = Make(dir, "many.mp3");
    ASSERT_TRUE(StoreMarkers(mp3, 48000, many, &why)) << why;
    const std::string chapters = Mutagen(mp3);
    // One top-level, ordered table (flags 3) naming all 300 in order.
    ASSERT_EQ(chapters.substr(0, 10), "1 3 chp0 c");
    EXPECT_NE(chapters.find(" chp298 chp299\n"), std::string::npos);
    EXPECT_NE(chapters.find("\n4784 Kapitel 300\n"), std::string::npos) << chapters;
    EXPECT_NE(chapters.find("\nTIT2 -\n"), std::string::npos);

    // The tag editor's (and quorvin-cli tags') write changes the title only.
    TagLibId3v2Tag tag;
    ASSERT_TRUE(tag.Load(mp3));
    tag.SetField(2, "Lecture");
    ASSERT_TRUE(tag.WriteTag(mp3)) << tag.LastError();
    std::string expected = chapters;
    expected.replace(expected.find("\nTIT2 -\n"), 8, "\nTIT2 Lecture\n");
    EXPECT_EQ(Mutagen(mp3), expected);
}

TEST(MarkerStore, WavAndRf64GetACueChunkWithLabelsAndKeepTheirSound) {
    TempDir dir;
    for (const auto& [name, extra] : std::vector<std::pair<std::string, std::string>>{
             {"a.wav", ""}, {"b.wav", "-rf64 always"}}) {
        SCOPED_TRACE(name);
        const std::string path = Make(dir, name, extra);
        std::string soundBefore, soundAfter;
        ASSERT_TRUE(WavCues(path, &soundBefore).empty());
        const std::string before = ReadAll(path);
        std::string why;
        ASSERT_TRUE(StoreMarkers(path, 48000, {}, &why)) << why;
        EXPECT_EQ(ReadAll(path), before);
        ASSERT_TRUE(StoreMarkers(path, 48000, ThreeMarkers(5 * 48000 - 1), &why)) << why;
        const auto cues = WavCues(path, &soundAfter);
        EXPECT_EQ(cues, (std::vector<std::pair<std::uint32_t, std::string>>{
                            {0, "Start"}, {72000, kCyrillic}, {239999, "End"}}));
        EXPECT_EQ(soundAfter, soundBefore);
        // Other readers still read the whole sound.
        EXPECT_EQ(Shell("ffprobe -v error -count_packets -show_entries stream=duration_ts "
                        "-of csv=p=0 '" +
                        path + "'"),
                  "240000\n");
        // Changed again: the old chunks are replaced, not added to.
        ASSERT_TRUE(StoreMarkers(path, 48000, {{4800, "only", 0}}, &why)) << why;
        EXPECT_EQ(WavCues(path, &soundAfter),
                  (std::vector<std::pair<std::uint32_t, std::string>>{{4800, "only"}}));
        EXPECT_EQ(soundAfter, soundBefore);
    }
}

TEST(MarkerStore, HeaderlessFilesGetACueSheetBeside) {
    TempDir dir;
    const std::string raw = dir.File("take.raw");
    qsr::testing::WriteAll(raw, std::string(16000, '\0'));
    std::string why;
    ASSERT_TRUE(StoreMarkers(raw, 8000, {{4000, "Frage", 0}, {7999, "Ende", 0}}, &why)) << why;
    EXPECT_EQ(ReadAll(dir.File("take.cue")),
              "FILE \"take.raw\" BINARY\n"
              "  TRACK 01 AUDIO\n    TITLE \"Frage\"\n    REM FRAME 4000\n    INDEX 01 00:00:37\n"
              "  TRACK 02 AUDIO\n    TITLE \"Ende\"\n    REM FRAME 7999\n    INDEX 01 00:00:74\n");
    EXPECT_EQ(std::string(16000, '\0'), ReadAll(raw));
    std::vector<core::Marker> back;
    int rate = 8000;
    ASSERT_TRUE(ReadMarkers(raw, back, rate, &why)) << why;
    EXPECT_EQ(back, (std::vector<core::Marker>{{4000, "Frage", 0}, {7999, "Ende", 0}}));
}

}  // namespace
}  // namespace qsr::audio
