// Damaged settings files: reading never crashes, and a written value always
// reads back while every other key keeps its value.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ScratchFile.h"
#include "settings/Inifun.h"
#include "settings/SettingsRules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string file = ScratchFile("fuzz-ini");
    std::FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    using namespace qsr::settings;
    const std::string before = ReadIniValue(file, "other", "notch");
    std::int32_t n = 0;
    ConvertInt32(ReadIniValue(file, "set", "outputformat"), n);
    float hz = 0;
    ConvertSingle(ReadIniValue(file, "other", "notchtxt"), hz);
    FlagTestedForOne(before);

    WriteIniValue(file, "set", "filename", "fuzz value");
    if (ReadIniValue(file, "set", "filename") != "fuzz value") std::abort();
    // The section [other] may be the same as [set] only by name, never by content.
    if (ReadIniValue(file, "other", "notch") != before) std::abort();
    std::remove(file.c_str());
    return 0;
}
