// Damaged schedule files: reading never crashes, whatever rows were read are
// written and read back unchanged, and a cell that converts to a date-time
// is written back in the one fixed form it was read in.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ScratchFile.h"
#include "schedule/ScheduleFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string file = ScratchFile("fuzz-schedule");
    std::FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    using namespace qsr::schedule;
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<ScheduleRow> rows;
    if (!ReadScheduleFile(file, rows)) std::abort();
    if (rows != ParseScheduleText(text)) std::abort();

    for (const ScheduleRow& row : rows) {
        for (const std::string* cell : {&row.start, &row.stop}) {
            const auto at = ParseDateTime(*cell);
            if (at && ParseDateTime(FormatDateTime(*at)) != at) std::abort();
        }
    }

    if (!WriteScheduleFile(file, rows)) std::abort();
    std::vector<ScheduleRow> again;
    if (!ReadScheduleFile(file, again) || again != rows) std::abort();
    std::remove(file.c_str());
    return 0;
}
