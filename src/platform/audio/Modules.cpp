#include "platform/audio/Modules.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace qsr::audio {

void* LoadModule(const char* file) {
    std::error_code ec;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
    // Installed: a fixed path from the program's folder; in the build tree,
    // the one folder every module is built into. QSR_MODULE_DIR names the one
    // folder to use instead (a packager's layout, or a test's empty folder).
    std::vector<std::filesystem::path> folders{program / QSR_INSTALLED_MODULE_DIR,
                                               std::filesystem::path(QSR_BUILD_MODULE_DIR)};
    if (const char* chosen = std::getenv("QSR_MODULE_DIR"); chosen && *chosen)
        folders = {std::filesystem::path(chosen)};
    for (const std::filesystem::path& folder : folders) {
        const auto path = folder / file;
        if (!std::filesystem::is_regular_file(path, ec)) continue;
        if (void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) return module;
        std::fprintf(stderr, "%s\n", dlerror());
        return nullptr;
    }
    std::fprintf(stderr, "%s: module not found\n", file);
    return nullptr;
}

const void* ModuleTable(const char* file, const char* name, int version) {
    void* module = LoadModule(file);
    if (!module) return nullptr;
    using Get = const int* (*)();
    const auto get = reinterpret_cast<Get>(dlsym(module, name));
    const int* table = get ? get() : nullptr;
    if (!table || *table != version) {
        std::fprintf(stderr, "%s: not a module of this program's version\n", file);
        return nullptr;
    }
    return table;
}

}  // namespace qsr::audio
