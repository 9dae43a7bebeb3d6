#include <gtest/gtest.h>

#include "fakes/FakeAudio.h"
#include "tags/TagSave.h"

using namespace qsr::tags;

namespace {

// The pages as filled for several files: shared values and one blanked.
PageValues Filled() {
    PageValues p;
    p.v1 = p.v2 = true;
    p.v1Boxes = {"7", "", "Artist", "Album", "1990", ""};
    p.v1Genre = 13;
    p.v2Boxes[kV2Title] = "";
    p.v2Boxes[kV2Artist] = "Artist";
    p.v2Boxes[kV2Year] = "1999";
    p.v2Boxes[kV2Composer] = "Composer";
    p.v2Genre = "Pop";
    return p;
}

}  // namespace

TEST(TagSave, OnlyEditedBoxesSetTheirFields) {
    const PageValues filled = Filled();
    PageValues now = filled;
    now.v1Boxes[kV1Album] = "  New Album ";
    now.v2Boxes[kV2Album] = " New Album";
    const PageEdits edits = EditsSince(filled, now);
    const BatchOptions keep{true, false, false};
    for (const BatchOptions* batch : {static_cast<const BatchOptions*>(nullptr), &keep}) {
        const V1Changes v1 = V1ChangesToSave(now, edits, "/m/a.mp3", batch, 3);
        EXPECT_EQ(v1.texts[kV1Album], "New Album");  // trimmed
        for (int k : {kV1Title, kV1Artist, kV1Year, kV1Comment}) EXPECT_FALSE(v1.texts[k]) << k;
        EXPECT_FALSE(v1.track);
        EXPECT_FALSE(v1.genre);
        const V2Changes v2 = V2ChangesToSave(now, edits, "/m/a.mp3", batch, 3);
        EXPECT_EQ(v2.fields[kV2Album], " New Album");  // as typed
        // The shown year and composer belong to the files: not written.
        for (int k = 0; k < kV2Boxes; ++k) EXPECT_EQ(v2.fields[k].has_value(), k == kV2Album) << k;
        EXPECT_FALSE(v2.genre);
    }
    // Nothing edited: nothing to write.
    EXPECT_FALSE(V1ChangesToSave(filled, EditsSince(filled, filled), "", &keep, 1).Any());
    EXPECT_FALSE(V2ChangesToSave(filled, EditsSince(filled, filled), "", &keep, 1).Any());
}

TEST(TagSave, AnEmptiedBoxClearsItsFieldUnlessEmptyFieldsKeepTheirValue) {
    const PageValues filled = Filled();
    PageValues now = filled;
    now.v1Boxes[kV1Artist] = "";
    now.v1Boxes[kV1Track] = "";
    now.v1Genre = kNoGenrePosition;
    now.v2Boxes[kV2Artist] = " ";
    now.v2Genre = "";
    const PageEdits edits = EditsSince(filled, now);
    const BatchOptions keep{true, false, false}, plain{false, false, false};
    for (const BatchOptions* batch : {static_cast<const BatchOptions*>(nullptr), &plain}) {
        const V1Changes v1 = V1ChangesToSave(now, edits, "", batch, 1);
        EXPECT_EQ(v1.texts[kV1Artist], "");
        EXPECT_EQ(v1.track, 0);
        EXPECT_EQ(v1.genre, kNoGenreByte);
        const V2Changes v2 = V2ChangesToSave(now, edits, "", batch, 1);
        EXPECT_EQ(v2.fields[kV2Artist], " ");
        EXPECT_EQ(v2.genre, "");
    }
    EXPECT_FALSE(V1ChangesToSave(now, edits, "", &keep, 1).Any());
    EXPECT_FALSE(V2ChangesToSave(now, edits, "", &keep, 1).Any());
    // A track of 0 is no track in either tag.
    now.v2Boxes[kV2Track] = "0";
    EXPECT_EQ(V2ChangesToSave(now, EditsSince(filled, now), "", &keep, 1).fields[kV2Track], "");
}

TEST(TagSave, FileIndexAndGrabbedTitleApplyToEveryFileOfABatchOnly) {
    const PageValues filled = Filled();
    const PageEdits none = EditsSince(filled, filled);
    const BatchOptions all{true, true, true};
    for (int index : {1, 2, 3}) {
        EXPECT_EQ(V1ChangesToSave(filled, none, "/m/Band - my_song.mp3", &all, index).track, index);
        EXPECT_EQ(V2ChangesToSave(filled, none, "/m/x.mp3", &all, index).fields[kV2Track],
                  std::to_string(index));
    }
    EXPECT_EQ(V1ChangesToSave(filled, none, "/m/Band - my_song.mp3", &all, 1).texts[kV1Title],
              "My Song");
    EXPECT_EQ(V2ChangesToSave(filled, none, "/m/Band - my_song.mp3", &all, 1).fields[kV2Title],
              "My Song");
    // Past 255 the ID3v1 byte holds no track; the ID3v2 frame keeps the number.
    EXPECT_EQ(V1ChangesToSave(filled, none, "/m/x.mp3", &all, 256).track, 0);
    EXPECT_EQ(V2ChangesToSave(filled, none, "/m/x.mp3", &all, 256).fields[kV2Track], "256");
    EXPECT_FALSE(V1ChangesToSave(filled, none, "/m/Band - my_song.mp3", nullptr, 1).Any());
}

TEST(TagSave, OnlyAChangedTagBoxAddsOrRemovesATag) {
    // ticked, box edited, file has the tag, changes -> step
    EXPECT_EQ(StepFor(true, false, true, true), TagStep::Write);
    EXPECT_EQ(StepFor(true, false, true, false), TagStep::Leave);
    EXPECT_EQ(StepFor(true, false, false, true), TagStep::Leave);   // no tag from the merge
    EXPECT_EQ(StepFor(false, false, true, true), TagStep::Leave);   // merge showed it unticked
    EXPECT_EQ(StepFor(true, true, false, false), TagStep::Write);   // the user ticked it
    EXPECT_EQ(StepFor(false, true, true, false), TagStep::Remove);  // the user unticked it
    EXPECT_EQ(StepFor(false, true, false, false), TagStep::Leave);
}

TEST(TagSave, TheFileBeingRecordedIsNeverWritten) {
    qsr::fakes::FakeAudioEngine engine;
    clsID3v1 v1;
    clsID3v23 v2(engine);
    TagFileRecord record;
    record.filename = "/rec/live.mp3";
    record.hasV1 = record.hasV2 = true;
    SaveRequest request;
    request.pages = Filled();
    request.edits.v1Tag = request.edits.v2Tag = true;
    request.isRecording = [](const std::string& path) { return path == "/rec/live.mp3"; };
    EXPECT_EQ(SaveFileTags(v1, v2, record, request, 1), "live.mp3 is being recorded");
    EXPECT_TRUE(engine.log.empty());  // no tag component was even made
    EXPECT_EQ(record.v1Artist, "");   // the record is as it was
}
