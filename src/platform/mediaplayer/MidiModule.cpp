// The MIDI module's entry: the feed over FluidSynth, loaded on demand.
#include "platform/mediaplayer/MediaModules.h"
#include "platform/mediaplayer/MidiRender.h"

namespace {

using namespace qsr::mediaplayer;

class Reader : public MidiReader {
  public:
    Reader(std::unique_ptr<MidiStream> stream, int rate) : feed_(std::move(stream), rate) {}
    std::int64_t TotalFrames() const override { return feed_.TotalFrames(); }
    void Seek(std::int64_t frame) override { feed_.Seek(frame); }
    std::int64_t Take(std::int64_t frames, std::vector<std::int16_t>& out,
                      std::chrono::milliseconds wait) override {
        return feed_.Take(frames, out, wait);
    }
    bool WaitReady(std::chrono::milliseconds bound) override { return feed_.WaitReady(bound); }
    bool Ended() override { return feed_.Ended(); }

  private:
    MidiFeed feed_;
};

MidiReader* Open(const std::string& path, int rate) {
    auto stream = MidiStream::Open(path, rate, FindSoundFont());
    return stream ? new Reader(std::move(stream), rate) : nullptr;
}

const MidiModuleTable kTable{kModuleVersion, Open};

}  // namespace

extern "C" __attribute__((visibility("default"))) const MidiModuleTable* qsr_midi_module() {
    return &kTable;
}
