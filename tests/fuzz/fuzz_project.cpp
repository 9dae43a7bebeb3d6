// Damaged recording project files: reading never crashes, refuses only binary
// files, and whatever rows were read are written and read back unchanged.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ScratchFile.h"
#include "app/ProjectFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string file = ScratchFile("fuzz-project");
    std::FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    using namespace qsr::app;
    std::vector<RecordingRow> rows;
    const std::string text(reinterpret_cast<const char*>(data), size);
    // Only a file holding a NUL byte may be refused; every other one reads as parsed.
    if (!ReadProjectFile(file, rows)) {
        if (text.find('\0') == std::string::npos) std::abort();
        std::remove(file.c_str());
        return 0;
    }
    if (rows != ParseProjectText(text)) std::abort();

    if (!WriteProjectFile(file, rows)) std::abort();
    std::vector<RecordingRow> again;
    if (!ReadProjectFile(file, again) || again != rows) std::abort();
    std::remove(file.c_str());
    return 0;
}
