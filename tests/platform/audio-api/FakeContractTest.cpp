#include "AudioContracts.h"
#include "fakes/FakeAudio.h"

namespace qsr::contract {

INSTANTIATE_TEST_SUITE_P(Fakes, AudioContract, ::testing::Values([] {
                             auto engine = std::make_unique<fakes::FakeAudioEngine>();
                             fakes::FakeDevice card;
                             card.name = "Card";
                             card.keepsOneLine = true;
                             card.lines.resize(2);
                             card.lines[0].name = "Line";
                             card.lines[0].advanced = {{"Mute", {true, 0}}};
                             card.lines[1].name = "Microphone";
                             engine->devices = {card};
                             return std::unique_ptr<audio::IAudioEngine>(std::move(engine));
                         }),
                         [](const auto&) { return std::string("Fake"); });

}  // namespace qsr::contract
