#include "settings/FlacOpusOptionRules.h"

#include "settings/Inifun.h"
#include "settings/SettingsRules.h"

namespace qsr::settings {

void LoadFlacOptions(const std::string& file, FormatValues& v) {
    ReadStoredValue(file, core::format_key::kFlacBits, v.flacBits);
    ReadStoredValue(file, core::format_key::kFlacLevel, v.flacLevel);
    if (v.flacBits != 16 && v.flacBits != 24) v.flacBits = 16;
    if (v.flacLevel < 0 || v.flacLevel > 8) v.flacLevel = kFlacDefaultLevel;
}

void WriteFlacOptions(const std::string& file, const FormatValues& v) {
    WriteStoredValue(file, core::format_key::kFlacBits, v.flacBits);
    WriteStoredValue(file, core::format_key::kFlacLevel, v.flacLevel);
}

void LoadOpusOptions(const std::string& file, FormatValues& v) {
    ReadStoredValue(file, core::format_key::kOpusBitrate, v.opusBitrate);
    ReadStoredValue(file, core::format_key::kOpusApplication, v.opusApplication);
    if (v.opusBitrate < kOpusMinimumKbps || v.opusBitrate > kOpusMaximumKbps)
        v.opusBitrate = kOpusDefaultKbps;
    if (v.opusApplication != 1) v.opusApplication = 0;
}

void WriteOpusOptions(const std::string& file, const FormatValues& v) {
    WriteStoredValue(file, core::format_key::kOpusBitrate, v.opusBitrate);
    WriteStoredValue(file, core::format_key::kOpusApplication, v.opusApplication);
}

}  // namespace qsr::settings
