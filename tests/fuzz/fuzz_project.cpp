// Damaged recording project files: reading never crashes, and whatever rows
// were read are written and read back unchanged.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/ProjectFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string file = "/tmp/qsr-fuzz-project-" + std::to_string(::getpid());
    std::FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    using namespace qsr::app;
    std::vector<RecordingRow> rows;
    if (!ReadProjectFile(file, rows)) std::abort();
    if (rows != ParseProjectText(std::string(reinterpret_cast<const char*>(data), size)))
        std::abort();

    if (!WriteProjectFile(file, rows)) std::abort();
    std::vector<RecordingRow> again;
    if (!ReadProjectFile(file, again) || again != rows) std::abort();
    std::remove(file.c_str());
    return 0;
}
