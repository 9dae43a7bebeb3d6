// The CD module's entry: CdAudio over libcdio-paranoia, loaded on demand.
#include "platform/mediaplayer/CdAudio.h"
#include "platform/mediaplayer/MediaModules.h"

namespace {

using namespace qsr::mediaplayer;

class Reader : public CdReader {
  public:
    explicit Reader(std::unique_ptr<CdAudio> cd) : cd_(std::move(cd)) {}
    std::int64_t TotalFrames() const override { return cd_->TotalFrames(); }
    std::int64_t Seek(std::int64_t frame) override { return cd_->Seek(frame); }
    std::vector<std::int16_t> Read(int sectors) override { return cd_->Read(sectors); }

  private:
    std::unique_ptr<CdAudio> cd_;
};

CdReader* Open(const std::string& drive, int track) {
    auto cd = CdAudio::Open(drive, track);
    return cd ? new Reader(std::move(cd)) : nullptr;
}

const CdModuleTable kTable{kModuleVersion, Open};

}  // namespace

extern "C" __attribute__((visibility("default"))) const CdModuleTable* qsr_cd_module() {
    return &kTable;
}
