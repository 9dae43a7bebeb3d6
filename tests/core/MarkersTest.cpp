// The marker texts and chunks each file type stores, written and read back:
// none, more than 255, a label in other scripts, the first and the last frame.
#include <gtest/gtest.h>

#include "core/Markers.h"

namespace qsr::core {
namespace {

constexpr int kRate = 48000;
constexpr std::int64_t kLast = 3 * 3600LL * kRate - 1;  // the last frame of three hours

std::vector<Marker> Sample(std::size_t count) {
    std::vector<Marker> m;
    for (std::size_t i = 0; i < count; ++i)
        m.push_back({static_cast<std::int64_t>(i) * 4801, DefaultMarkerLabel(int(i) + 1), 0});
    m.front().label = "Frage – Вопрос 質問 🎤";
    m.back().frame = kLast;
    m.insert(m.begin() + 1, Marker{0, "also at zero", 0});  // two at one frame keep their order
    return m;
}

TEST(Markers, ChapterCommentsRoundTripToTheMillisecond) {
    EXPECT_TRUE(ChapterComments({}, kRate).empty());
    EXPECT_TRUE(MarkersFromComments({{"TITLE", "x"}}, kRate).empty());
    const std::vector<Marker> markers = Sample(300);
    const auto comments = ChapterComments(markers, kRate);
    ASSERT_EQ(comments.size(), 2 * markers.size());
    EXPECT_EQ(comments[0], (std::pair<std::string, std::string>{"CHAPTER001", "00:00:00.000"}));
    EXPECT_EQ(comments[1].first, "CHAPTER001NAME");
    EXPECT_EQ(comments[1].second, "Frage – Вопрос 質問 🎤");
    EXPECT_EQ(comments[4], (std::pair<std::string, std::string>{"CHAPTER003", "00:00:00.100"}));
    EXPECT_EQ(comments.back().first, "CHAPTER301NAME");
    EXPECT_EQ(comments[comments.size() - 2].second, "03:00:00.000");  // rounded
    auto back = MarkersFromComments(comments, kRate);
    ASSERT_EQ(back.size(), markers.size());
    for (std::size_t i = 0; i < back.size(); ++i) {
        EXPECT_EQ(back[i].label, markers[i].label);
        EXPECT_LE(std::abs(back[i].frame - markers[i].frame), kRate / 2000) << i;
    }
    // Keys in any case, and ones that only look like chapters are passed over.
    back = MarkersFromComments({{"chapter002name", "b"},
                                {"Chapter002", "1:02.5"},
                                {"CHAPTER01", "00:00:01.000"},
                                {"CHAPTER003X", "00:00:01.000"}},
                               1000);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0], (Marker{62500, "b", 0}));
}

TEST(Markers, ChapterTimesParseTheFormsPeopleType) {
    EXPECT_EQ(ParseChapterTime("00:01:02.5"), 62500);
    EXPECT_EQ(ParseChapterTime("1:02.25"), 62250);
    EXPECT_EQ(ParseChapterTime("62.2504"), 62250);
    EXPECT_EQ(ParseChapterTime("10:00:00"), 36000000);
    for (const char* bad : {"", "1:60", "1:2:3:4", "a", "1.", "-1", "1:-2", "00:00:05,250"})
        EXPECT_EQ(ParseChapterTime(bad), std::nullopt) << bad;
    EXPECT_EQ(ChapterTimeText(5250), "00:00:05.250");
    EXPECT_EQ(ChapterTimeText(100LL * 3600000 + 1), "100:00:00.001");
}

TEST(Markers, WavCueChunksRoundTripSampleExact) {
    const std::string none = WavCueChunks({});
    // An empty cue chunk and an empty adtl list: 12 + 12 bytes.
    EXPECT_EQ(none.size(), 24u);
    EXPECT_TRUE(MarkersFromWavChunks(none.substr(8, 4), none.substr(20)).empty());
    const std::vector<Marker> markers = Sample(256);
    const std::string chunks = WavCueChunks(markers);
    ASSERT_EQ(chunks.substr(0, 4), "cue ");
    const std::size_t cueSize = 4 + 24 * markers.size();
    ASSERT_EQ(chunks.substr(8 + cueSize, 4), "LIST");
    EXPECT_EQ(chunks.size() % 2, 0u);
    const std::vector<Marker> back =
        MarkersFromWavChunks(chunks.substr(8, cueSize), chunks.substr(8 + cueSize + 8));
    std::vector<Marker> expected = markers;
    SortMarkers(expected);
    EXPECT_EQ(back, expected);
}

TEST(Markers, CueSheetsKeepTheExactFrameAndReadOtherSheetsByIndex) {
    const std::vector<Marker> markers = Sample(260);
    const std::string sheet = CueSheet("take \"1\".vox", markers, 8000);
    EXPECT_EQ(sheet.substr(0, sheet.find('\n')), "FILE \"take '1'.vox\" BINARY");
    EXPECT_NE(sheet.find("  TRACK 260 AUDIO\n"), std::string::npos);
    std::vector<Marker> expected = markers;
    SortMarkers(expected);
    EXPECT_EQ(MarkersFromCueSheet(sheet, 8000), expected);
    EXPECT_EQ(MarkersFromCueSheet("FILE \"a.raw\" BINARY\r\n  TRACK 01 AUDIO\r\n"
                                  "    TITLE \"Intro\"\r\n    INDEX 01 01:02:15\r\n",
                                  8000),
              (std::vector<Marker>{{(62 * 75 + 15) * 8000 / 75, "Intro", 0}}));
    EXPECT_EQ(CueSheet("a.raw", {}, 8000), "FILE \"a.raw\" BINARY\n");
}

TEST(Markers, LabelFilesGiveStartAndEndInSeconds) {
    EXPECT_EQ(LabelsText({{12000, "b\tc", 0}, {4000, "a", 0}}, 8000),
              "0.500000\t0.500000\ta\n1.500000\t1.500000\tb c\n");
}

}  // namespace
}  // namespace qsr::core
