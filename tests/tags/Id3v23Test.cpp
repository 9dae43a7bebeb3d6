#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "fakes/FakeAudio.h"
#include "tags/clsID3v23.h"

using qsr::tags::clsID3v23;

namespace {

// A component that records the field numbers it is asked for, in order.
struct Script {
    bool loadOk = true;
    bool present = true;
    bool writeOk = true;
    bool presentAfterWrite = true;
    std::string error;
    std::map<int, std::string> fields;
    std::vector<int> gets, sets;
    std::map<int, std::string> written;
    int created = 0, alive = 0;
};

class ScriptedTag : public qsr::audio::IId3v2Tag {
  public:
    explicit ScriptedTag(Script& s) : s_(s) { ++s_.created, ++s_.alive; }
    ~ScriptedTag() override { --s_.alive; }
    bool Load(const std::string&) override { return s_.loadOk; }
    bool TagPresent() const override { return s_.present; }
    std::string GetField(int f) const override {
        s_.gets.push_back(f);
        auto it = s_.fields.find(f);
        return it == s_.fields.end() ? "" : it->second;
    }
    void SetField(int f, const std::string& t) override {
        s_.sets.push_back(f);
        s_.written[f] = t;
    }
    bool WriteTag(const std::string&) override {
        s_.present = s_.writeOk ? s_.presentAfterWrite : s_.present;
        return s_.writeOk;
    }
    bool RemoveTag(const std::string&) override { return s_.writeOk; }
    std::string LastError() const override { return s_.error; }

  private:
    Script& s_;
};

class ScriptedEngine : public qsr::fakes::FakeAudioEngine {
  public:
    Script script;
    bool missing = false;
    std::unique_ptr<qsr::audio::IId3v2Tag> CreateId3v2Tag() override {
        if (missing) return nullptr;
        return std::make_unique<ScriptedTag>(script);
    }
};

const std::vector<int> kOrder = {4, 3, 7, 8, 10, 12, 6, 9, 2, 1, 11, 5};

}  // namespace

TEST(Id3v23, ReadVisitsFieldsInOrderAndFillsProperties) {
    ScriptedEngine engine;
    for (int f = 1; f <= 12; ++f) engine.script.fields[f] = "f" + std::to_string(f);
    clsID3v23 tag(engine);
    tag.filename("/x.mp3");
    ASSERT_TRUE(tag.ReadTag());
    EXPECT_EQ(engine.script.gets, kOrder);
    EXPECT_EQ(tag.tagTrack(), "f1");
    EXPECT_EQ(tag.tagTitle(), "f2");
    EXPECT_EQ(tag.tagArtist(), "f3");
    EXPECT_EQ(tag.tagAlbum(), "f4");
    EXPECT_EQ(tag.tagYear(), "f5");
    EXPECT_EQ(tag.tagGenre(), "f6");
    EXPECT_EQ(tag.tagComments(), "f7");
    EXPECT_EQ(tag.tagComposer(), "f8");
    EXPECT_EQ(tag.tagOrigArtist(), "f9");
    EXPECT_EQ(tag.tagCopyright(), "f10");
    EXPECT_EQ(tag.tagURL(), "f11");
    EXPECT_EQ(tag.tagEncodedBy(), "f12");
}

TEST(Id3v23, ReadWithoutTagEmptiesEveryField) {
    ScriptedEngine engine;
    engine.script.present = false;
    clsID3v23 tag(engine);
    tag.tagTitle("old");
    tag.tagURL("old");
    EXPECT_FALSE(tag.ReadTag());
    EXPECT_EQ(tag.tagTitle(), "");
    EXPECT_EQ(tag.tagURL(), "");
}

TEST(Id3v23, SaveSetsAllTwelveInOrderEmptyOnesIncluded) {
    ScriptedEngine engine;
    clsID3v23 tag(engine);
    tag.tagTitle("Only");
    ASSERT_TRUE(tag.SaveTag());
    EXPECT_EQ(engine.script.sets, kOrder);
    EXPECT_EQ(engine.script.written[2], "Only");
    for (int f = 1; f <= 12; ++f) {
        if (f != 2) {
            EXPECT_EQ(engine.script.written[f], "") << f;
        }
    }
    engine.script.writeOk = false;
    EXPECT_FALSE(tag.SaveTag());
    EXPECT_FALSE(tag.RemoveTag());
}

TEST(Id3v23, SaveReportsWhetherATagIsLeftAndWhyAWriteFailed) {
    ScriptedEngine engine;
    clsID3v23 tag(engine);
    ASSERT_TRUE(tag.SaveTag());
    EXPECT_TRUE(tag.TagPresent());
    // Twelve empty fields into a tag holding nothing else: no tag is left.
    engine.script.presentAfterWrite = false;
    ASSERT_TRUE(tag.SaveTag());
    EXPECT_FALSE(tag.TagPresent());
    EXPECT_EQ(tag.sLastError(), "");

    engine.script.writeOk = false;
    engine.script.error = "the file has other hard links";
    EXPECT_FALSE(tag.SaveTag());
    EXPECT_EQ(tag.sLastError(), "the file has other hard links");
    EXPECT_FALSE(tag.RemoveTag());
    EXPECT_EQ(tag.sLastError(), "the file has other hard links");
    engine.script.writeOk = true;
    ASSERT_TRUE(tag.RemoveTag());
    EXPECT_FALSE(tag.TagPresent());
    EXPECT_EQ(tag.sLastError(), "");
}

TEST(Id3v23, OneComponentPerOperationKeptUntilTheNext) {
    ScriptedEngine engine;
    {
        clsID3v23 tag(engine);
        tag.HasTag();
        tag.ReadTag();
        tag.SaveTag();
        EXPECT_EQ(engine.script.created, 3);
        EXPECT_EQ(engine.script.alive, 1);
    }
    EXPECT_EQ(engine.script.alive, 0);
}

TEST(Id3v23, MissingOrFailingComponentFailsEveryOperation) {
    ScriptedEngine engine;
    engine.missing = true;
    clsID3v23 tag(engine);
    tag.tagTitle("kept");
    EXPECT_FALSE(tag.ReadTag());
    EXPECT_FALSE(tag.SaveTag());
    EXPECT_FALSE(tag.RemoveTag());
    EXPECT_FALSE(tag.HasTag());
    EXPECT_EQ(tag.tagTitle(), "kept");

    engine.missing = false;
    engine.script.loadOk = false;
    EXPECT_FALSE(tag.ReadTag());
    EXPECT_FALSE(tag.HasTag());
    EXPECT_EQ(tag.tagTitle(), "kept");
}

TEST(Id3v23, TrimmedGenre) {
    qsr::fakes::FakeAudioEngine engine;
    clsID3v23 tag(engine);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"(17)Rock", "Rock"}, {"(17)", ""}, {"Rock", "Rock"},   {"(", "("},
        {"(12", "(12"},       {"", ""},     {"a(1)b", "a(1)b"}, {"(1)(2)x", "(2)x"},
    };
    for (const auto& [genre, trimmed] : cases) {
        tag.tagGenre(genre);
        EXPECT_EQ(tag.tagTrimmedGenre(), trimmed) << genre;
        EXPECT_EQ(tag.tagGenre(), genre);
    }
}
