#include "fakes/FakeMediaControl.h"
#include "platform/mediaplayer/MediaControlContract.h"

namespace qsr::contract {
namespace {

struct FakeHarness : MediaHarness {
    fakes::FakeMediaControl control;
    int made = 0;
    mediaplayer::IMediaControl& Control() override { return control; }
    QString MakeFile(double seconds) override {
        const QString path = QStringLiteral("/music/%1.mp3").arg(++made);
        control.AddFile(path, seconds);
        return path;
    }
    QString MakeBadFile() override { return QStringLiteral("/music/random-bytes.mp3"); }
    void Wait(double seconds) override {
        for (int i = 0; i < 10; ++i) control.Advance(seconds / 10);
    }
};

std::unique_ptr<MediaHarness> MakeFake() {
    return std::make_unique<FakeHarness>();
}

INSTANTIATE_TEST_SUITE_P(Fake, MediaControlContract, ::testing::Values(&MakeFake));

}  // namespace
}  // namespace qsr::contract
