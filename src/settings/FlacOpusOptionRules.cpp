#include "settings/FlacOpusOptionRules.h"

#include "settings/Inifun.h"
#include "settings/SettingsRules.h"

namespace qsr::settings {
namespace {

void ReadInt16(const std::string& file, const char* section, const char* key, std::int16_t& field) {
    ConvertInt16(ReadIniValue(file, section, key), field);
}

void Write(const std::string& file, const char* section, const char* key, int value) {
    WriteIniValue(file, section, key, std::to_string(value));
}

}  // namespace

void LoadFlacOptions(const std::string& file, FormatValues& v) {
    ReadInt16(file, "flac", "flacBits", v.flacBits);
    ReadInt16(file, "flac", "flacLevel", v.flacLevel);
    if (v.flacBits != 16 && v.flacBits != 24) v.flacBits = 16;
    if (v.flacLevel < 0 || v.flacLevel > 8) v.flacLevel = kFlacDefaultLevel;
}

void WriteFlacOptions(const std::string& file, const FormatValues& v) {
    Write(file, "flac", "flacBits", v.flacBits);
    Write(file, "flac", "flacLevel", v.flacLevel);
}

void LoadOpusOptions(const std::string& file, FormatValues& v) {
    ReadInt16(file, "opus", "opusBitrate", v.opusBitrate);
    ReadInt16(file, "opus", "opusApplication", v.opusApplication);
    if (v.opusBitrate < kOpusMinimumKbps || v.opusBitrate > kOpusMaximumKbps)
        v.opusBitrate = kOpusDefaultKbps;
    if (v.opusApplication != 1) v.opusApplication = 0;
}

void WriteOpusOptions(const std::string& file, const FormatValues& v) {
    Write(file, "opus", "opusBitrate", v.opusBitrate);
    Write(file, "opus", "opusApplication", v.opusApplication);
}

}  // namespace qsr::settings
