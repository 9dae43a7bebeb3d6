// The sound library contract on the fake, so the fake cannot drift.
#include "fakes/FakeSoundLibrary.h"
#include "platform/soundlib/SoundLibraryContract.h"

namespace qsr::contract {
namespace {

struct FakeHarness : SoundLibHarness {
    fakes::FakeSoundLibrary lib;
    FakeHarness() {
        lib.AddFile(
            "/fake/tone.mp3",
            {kLengthMs, 80000, {{soundlib::kTagId3v2, "TIT2", std::string(1, '\0') + kTitle}}});
        lib.AddBadFile("/fake/text.mp3");
    }
    soundlib::ISoundLibrary& Lib() override { return lib; }
    std::string PlayableFile() override { return "/fake/tone.mp3"; }
    long PlayableBytes() override { return 80000; }
    std::string NotAudioFile() override { return "/fake/text.mp3"; }
    std::string MissingFile() override { return "/fake/none.mp3"; }
    void Wait(double seconds) override { lib.Advance(static_cast<int>(seconds * 1000)); }
};

std::unique_ptr<SoundLibHarness> MakeFake() {
    return std::make_unique<FakeHarness>();
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Fake, SoundLibraryContract, ::testing::Values(&MakeFake));

}  // namespace qsr::contract
