#include "settings/Inifun.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <sstream>
#include <vector>

#include "core/AtomicFile.h"
#include "core/Text.h"
#include "core/TextFile.h"

namespace qsr::settings {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view s) {
    return core::TrimView(s, core::kWhiteSpaceAndNul);
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// One physical line, without its line ending.
struct Line {
    std::string_view text;
    std::size_t begin = 0;  // offset of the line in the file
    std::size_t end = 0;    // offset just past its line ending
};

std::vector<Line> SplitLines(const std::string& content) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < content.size()) {
        std::size_t nl = content.find('\n', pos);
        const std::size_t next = nl == std::string::npos ? content.size() : nl + 1;
        std::size_t stop = nl == std::string::npos ? content.size() : nl;
        if (stop > pos && content[stop - 1] == '\r') --stop;
        lines.push_back({std::string_view(content).substr(pos, stop - pos), pos, next});
        pos = next;
    }
    if (!lines.empty() && lines.front().text.starts_with(kBom)) lines.front().text.remove_prefix(3);
    return lines;
}

// The section name of a "[name]" line; nullopt for any other line. A missing
// "]" still opens a section named by the rest of the line.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    line.remove_prefix(1);
    const std::size_t close = line.find(']');
    if (close != std::string_view::npos) line = line.substr(0, close);
    return Trim(line);
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> ParseKeyLine(std::string_view line) {
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return KeyLine{Trim(line.substr(0, eq)), line.substr(eq + 1)};
}

// Where a key lives in the file, or where it would be added.
struct Location {
    std::optional<std::size_t> sectionLine;  // index of the section's header line
    std::optional<std::size_t> keyLine;      // index of the key's line
    std::size_t lastContentLine = 0;         // last non-blank line of the section
};

Location Find(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
    Location loc;
    bool inSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (auto name = SectionName(lines[i].text)) {
            if (inSection) break;  // the first section of that name is the only one read
            if (SameName(*name, section)) {
                inSection = true;
                loc.sectionLine = i;
                loc.lastContentLine = i;
            }
            continue;
        }
        if (!inSection) continue;
        if (!Trim(lines[i].text).empty()) loc.lastContentLine = i;
        if (auto kv = ParseKeyLine(lines[i].text); kv && SameName(kv->key, key)) {
            loc.keyLine = i;
            break;
        }
    }
    return loc;
}

// Only a regular file is read: a folder, a FIFO or a device named like the
// settings file counts as missing (defaults), never blocks or throws. A file
// over kMaxSettingsBytes is read up to its last whole line within the limit.
std::optional<std::string> ReadSettingsText(const std::string& path) {
    auto read = core::ReadTextFile(path, kMaxSettingsBytes, core::OverLimit::Truncate);
    if (!read.ok) return std::nullopt;
    if (read.truncated) {
        const auto lastBreak = read.text.rfind('\n');
        read.text.resize(lastBreak == std::string::npos ? 0 : lastBreak + 1);
    }
    return std::move(read.text);
}

// A value ends at a NUL or a line break: either would corrupt the file's lines.
std::string_view StorableValue(std::string_view value) {
    const std::size_t cut = value.find_first_of(std::string_view("\0\r\n", 3));
    return cut == std::string_view::npos ? value : value.substr(0, cut);
}

}  // namespace

std::string ReadIniValue(const std::string& file, const std::string& section,
                         const std::string& key) {
    const auto content = ReadSettingsText(file);
    if (!content) return {};
    const auto lines = SplitLines(*content);
    const Location loc = Find(lines, Trim(section), Trim(key));
    if (!loc.keyLine) return {};
    std::string_view value = ParseKeyLine(lines[*loc.keyLine].text)->value;
    value = value.substr(0, value.find('\0'));
    return std::string(Trim(value));
}

bool WriteIniValue(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value, std::string* why) {
    const std::string content = ReadSettingsText(file).value_or(std::string());
    const auto lines = SplitLines(content);
    const std::string_view eol = content.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    const std::string entry = std::string(Trim(key)) + "=" + std::string(StorableValue(value));
    const Location loc = Find(lines, Trim(section), Trim(key));

    std::string out;
    out.reserve(content.size() + entry.size() + section.size() + 8);
    if (loc.keyLine) {
        const Line& line = lines[*loc.keyLine];
        const auto textEnd =
            static_cast<std::size_t>(line.text.data() - content.data()) + line.text.size();
        out.append(content, 0, line.begin);
        out += entry;
        out.append(content, textEnd, std::string::npos);
    } else if (loc.sectionLine) {
        const Line& after = lines[loc.lastContentLine];
        out.append(content, 0, after.end);
        if (after.end == content.size() && !content.empty() && content.back() != '\n') out += eol;
        out += entry;
        out += eol;
        out.append(content, after.end, std::string::npos);
    } else {
        out = content;
        if (!out.empty() && out.back() != '\n') out += eol;
        out += "[" + std::string(Trim(section)) + "]";
        out += eol;
        out += entry;
        out += eol;
    }
    return core::WriteFileAtomically(file, out, why);  // a failed write keeps the old file
}

SettingsSave& SettingsSave::Put(const std::string& section, const std::string& key,
                                const std::string& value) {
    std::string why;
    if (!WriteIniValue(file_, section, key, value, &why) && !failed_) {
        failed_ = true;
        why_ = why;
    }
    return *this;
}

SettingsSave& SettingsSave::Add(const SettingsSave& later) {
    if (!failed_ && later.failed_) {
        failed_ = true;
        why_ = later.why_;
    }
    return *this;
}

std::string SettingsSave::Message() const {
    return failed_ ? core::CouldNotSaveMessage(file_, why_) : std::string();
}

std::string SettingsSizeWarning(const std::string& file) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return {};
    const auto size = std::filesystem::file_size(file, ec);
    if (ec || size <= kMaxSettingsBytes) return {};
    return file + " is " + core::LargerThanText(kMaxSettingsBytes) + ": only its first " +
           std::to_string(kMaxSettingsBytes / (1024 * 1024)) +
           " MB is read, and the rest is dropped when a setting is saved.";
}

}  // namespace qsr::settings
