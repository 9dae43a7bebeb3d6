#include "tags/SplitPath.h"

namespace qsr::tags {

std::string SplitPath(const std::string& path, int parts) {
    // Positions counted from 1; 0 when absent.
    const auto dot = path.rfind('.');
    const auto slash = path.rfind('/');
    const std::size_t d = dot == std::string::npos ? 0 : dot + 1;
    const std::size_t b = slash == std::string::npos ? 0 : slash + 1;

    std::string out;
    if ((parts & kSplitFolder) != 0 && b > 0) out = path.substr(0, b);
    if ((parts & kSplitName) != 0) {
        if (d == 0 || d < b) {
            out += path.substr(b);
        } else {
            out += path.substr(b, d - 1 - b);
        }
    }
    if ((parts & kSplitExtension) != 0) {
        const std::string extension = (d > 0 && d > b) ? path.substr(d) : std::string();
        if (out.empty()) {
            out = extension;
        } else if (!extension.empty()) {
            out += "." + extension;
        }
    }
    return out;
}

}  // namespace qsr::tags
