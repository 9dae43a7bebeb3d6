#include "core/FileKind.h"

#include <filesystem>
#include <system_error>

namespace qsr::core {

std::string SpecialFileKind(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    switch (fs::status(path, ec).type()) {
        case fs::file_type::fifo:
            return "a named pipe";
        case fs::file_type::block:
        case fs::file_type::character:
            return "a device";
        case fs::file_type::socket:
            return "a socket";
        default:
            return {};
    }
}

std::string SpecialFileMessage(const std::string& path, const std::string& kind) {
    return path + " is " + kind + ", not a file.";
}

}  // namespace qsr::core
