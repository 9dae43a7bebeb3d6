// The TagLib module's entry (see platform/audio/TagLibModule.h).
#include "platform/audio/TagLibModule.h"
#include "platform/taglib/LoudnessTagWriter.h"
#include "platform/taglib/TagLibId3v2Tag.h"

namespace {

qsr::audio::IId3v2Tag* Create() {
    return new qsr::audio::TagLibId3v2Tag();
}

qsr::audio::ILoudnessTag* CreateLoudnessTag() {
    return new qsr::audio::LoudnessTagWriter();
}

const qsr::audio::TagLibModuleTable kTable{qsr::audio::kTagLibModuleVersion, Create,
                                           CreateLoudnessTag};

}  // namespace

extern "C" __attribute__((visibility("default"))) const qsr::audio::TagLibModuleTable*
qsr_taglib_module() {
    return &kTable;
}
