#include "settings/FlacOpusOptionRules.h"

#include "settings/Inifun.h"
#include "settings/SettingsRules.h"

namespace qsr::settings {

void LoadFlacOptions(const std::string& file, FormatValues& v) {
    ReadStoredFields(file, kFlacFields, v);
    if (v.flacBits != 16 && v.flacBits != 24) v.flacBits = 16;
    if (v.flacLevel < 0 || v.flacLevel > 8) v.flacLevel = kFlacDefaultLevel;
}

SettingsSave WriteFlacOptions(const std::string& file, const FormatValues& v) {
    return WriteStoredFields(file, kFlacFields, v);
}

void LoadOpusOptions(const std::string& file, FormatValues& v) {
    ReadStoredFields(file, kOpusFields, v);
    if (v.opusBitrate < kOpusMinimumKbps || v.opusBitrate > kOpusMaximumKbps)
        v.opusBitrate = kOpusDefaultKbps;
    if (v.opusApplication != 1) v.opusApplication = 0;
}

SettingsSave WriteOpusOptions(const std::string& file, const FormatValues& v) {
    return WriteStoredFields(file, kOpusFields, v);
}

}  // namespace qsr::settings
