// The pieces a split at markers makes: their spans, their markers and the
// file names their labels give.
#include <gtest/gtest.h>

#include <filesystem>

#include "fakes/FakeAudio.h"
#include "recording/MarkerSplit.h"
#include "support/TempDir.h"

namespace qsr::recording {
namespace {

TEST(MarkerSplit, LabelsBecomeFileNamesWithoutSlashesControlsOrOuterBlanks) {
    EXPECT_EQ(FileNameLabel("  Q/A: take 3\t"), "Q-A: take 3");
    EXPECT_EQ(FileNameLabel("a\nb\x7F"
                            "c\x01"),
              "abc");
    EXPECT_EQ(FileNameLabel("..hidden. "), "hidden.");
    EXPECT_EQ(FileNameLabel("Frage – 質問"), "Frage – 質問");
    EXPECT_EQ(FileNameLabel(" \t.\n"), "");
    // Cut at a letter's start: 199 ASCII bytes and a three-byte letter.
    const std::string longLabel = std::string(199, 'x') + "質問";
    EXPECT_EQ(FileNameLabel(longLabel), std::string(199, 'x'));
    EXPECT_EQ(FileNameLabel(std::string(300, 'y')).size(), kMaxLabelBytes);
}

TEST(MarkerSplit, PiecesRunFromMarkerToMarkerWithTheirOwnMarkerAtTheStart) {
    // Unsorted, two at one frame, one past the end, one unnamed, names that
    // meet each other and the recording's own (letter case aside).
    const std::vector<core::Marker> markers = {
        {300, "intro", 7}, {100, "Intro", 5}, {300, "Also here", 8},
        {1000, "Past", 9}, {600, "/\n", 0},   {800, "Talk", 0},
    };
    const std::vector<SplitPiece> pieces = PlanSplit("/rec/Talk.wav", markers, 1000);
    const std::vector<SplitPiece> expected = {
        {{0, 100}, "/rec/Talk - start.wav", {}},
        {{100, 300}, "/rec/Intro.wav", {{0, "Intro", 5}}},
        {{300, 600}, "/rec/intro 2.wav", {{0, "intro", 7}, {0, "Also here", 8}}},
        {{600, 800}, "/rec/-.wav", {{0, "/\n", 0}}},
        {{800, 1000}, "/rec/Talk 2.wav", {{0, "Talk", 0}}},
    };
    EXPECT_EQ(pieces, expected);

    // A marker at the first frame: no piece before it; nothing left of a
    // label gives the default one; another folder holds the pieces.
    const std::vector<SplitPiece> atZero =
        PlanSplit("/rec/a.flac", {{0, " ", 0}, {50, "b", 0}}, 60, "/out");
    ASSERT_EQ(atZero.size(), 2u);
    EXPECT_EQ(atZero[0].path, "/out/Marker 1.flac");
    EXPECT_EQ(atZero[0].span, (audio::SampleSpan{0, 50}));
    EXPECT_EQ(atZero[1].path, "/out/b.flac");
    EXPECT_EQ(atZero[1].span, (audio::SampleSpan{50, 60}));
    EXPECT_TRUE(PlanSplit("/rec/a.flac", {{60, "end", 0}}, 60).empty());
}

// A cutter that writes each piece's span as text, and stops when told.
class TextCutter : public audio::IFileCutter {
  public:
    void SetRawFrameBytes(int) override {}
    audio::CutAbility Ability(const std::string&, const std::vector<audio::SampleSpan>&) override {
        return {true, false, ""};
    }
    audio::CutResult Cut(const std::string&, const std::vector<audio::SampleSpan>& kept,
                         const std::string& out, const Progress& progress) override {
        if (progress && !progress(0.5)) return {false, "cancelled", 0};
        qsr::testing::WriteAll(out,
                               std::to_string(kept[0].begin) + "-" + std::to_string(kept[0].end));
        return {true, "", kept[0].Length()};
    }
};

// Marker writes that fail for one file.
class Engine : public fakes::FakeAudioEngine {
  public:
    std::string failing;
    std::vector<std::pair<std::string, std::vector<core::Marker>>> stored;
    bool StoreMarkers(const std::string& path, int, const std::vector<core::Marker>& markers,
                      std::string* error) override {
        if (path == failing) {
            *error = "No space left on device";
            return false;
        }
        stored.emplace_back(path, markers);
        return true;
    }
};

TEST(MarkerSplit, AFailedOrCancelledPieceStopsTheSplitAndThePiecesBeforeItStay) {
    qsr::testing::TempDir dir;
    SplitSource source{dir.File("a.wav"), 1000, 400, 2, {{100, "b", 0}, {200, "c", 0}}};
    const std::vector<SplitPiece> pieces = PlanSplit(source.path, source.markers, source.total);
    ASSERT_EQ(pieces.size(), 3u);
    Engine engine;
    TextCutter cutter;
    engine.failing = pieces[1].path;
    // The piece whose markers cannot be set goes: it would hold the others'.
    const SplitReport failed = WritePieces(engine, cutter, source, pieces);
    ASSERT_EQ(failed.written.size(), 1u);
    EXPECT_EQ(failed.written[0].path, pieces[0].path);
    EXPECT_EQ(failed.written[0].frames, 100);
    EXPECT_EQ(qsr::testing::ReadAll(pieces[0].path), "0-100");
    EXPECT_FALSE(std::filesystem::exists(pieces[1].path));
    EXPECT_FALSE(std::filesystem::exists(pieces[2].path));
    EXPECT_EQ(SplitReportText(failed), "1 piece written:\n" + pieces[0].path + "\n" +
                                           pieces[1].path +
                                           " could not be saved: No space left on device\n"
                                           "2 pieces were not written.");

    // Cancelled in the third piece's cut: two written, each holding its own marker.
    engine.failing.clear();
    double last = 0;
    const SplitReport cancelled = WritePieces(engine, cutter, source, pieces, [&](double f) {
        last = f;
        return f < 0.7;
    });
    ASSERT_EQ(cancelled.written.size(), 2u);
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_TRUE(cancelled.failure.empty());
    EXPECT_DOUBLE_EQ(last, 0.75);  // half of the last 200 of 400 frames
    EXPECT_EQ(qsr::testing::ReadAll(pieces[1].path), "100-200");
    EXPECT_FALSE(std::filesystem::exists(pieces[2].path));
    ASSERT_EQ(engine.stored.size(), 3u);  // the first run's piece, then these two
    EXPECT_EQ(engine.stored[2].second, (std::vector<core::Marker>{{0, "b", 0}}));
    EXPECT_EQ(SplitReportText(cancelled),
              "2 pieces written:\n" + pieces[0].path + "\n" + pieces[1].path +
                  "\nThe split was cancelled.\n1 piece was not written.");
}

}  // namespace
}  // namespace qsr::recording
