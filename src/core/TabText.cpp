#include "core/TabText.h"

namespace qsr::core {

std::vector<std::string_view> TextLines(std::string_view text) {
    std::vector<std::string_view> lines;
    if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(pos));
            break;
        }
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 1;
        if (text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
    }
    return lines;
}

void SplitTabCells(std::string_view line, std::initializer_list<std::string*> cells) {
    std::size_t pos = 0;
    for (std::string* cell : cells) {
        const std::size_t tab = line.find('\t', pos);
        *cell =
            std::string(line.substr(pos, tab == std::string_view::npos ? line.npos : tab - pos));
        if (tab == std::string_view::npos) break;
        pos = tab + 1;
    }
}

}  // namespace qsr::core
