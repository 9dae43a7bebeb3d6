#include "tags/clsFind.h"

#include <dirent.h>
#include <locale.h>
#include <sys/stat.h>
#include <wctype.h>

#include <string>

#include "tags/TagText.h"

namespace qsr::tags {
namespace {

struct Entry {
    std::string name;
    bool folder = false;      // the folder flag of the entry (links followed)
    bool realFolder = false;  // a folder that is not reached through a link
};

// The folder's entries in the platform's order, "." and ".." left out.
std::vector<Entry> ListFolder(const std::string& folder) {
    std::vector<Entry> entries;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return entries;
    while (const dirent* d = ::readdir(dir)) {
        const std::string name = StripNull(d->d_name);
        if (name == "." || name == "..") continue;
        Entry entry{name, false, false};
        const std::string path = folder + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0) {
            entry.realFolder = S_ISDIR(st.st_mode);
            entry.folder = entry.realFolder;
            if (S_ISLNK(st.st_mode) && ::stat(path.c_str(), &st) == 0) {
                entry.folder = S_ISDIR(st.st_mode);
            }
        }
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    return entries;
}

// Names are UTF-8: one code point per character. A byte that is not valid
// UTF-8 stands for itself, kept apart from every real character.
std::u32string CodePoints(const std::string& text) {
    std::u32string out;
    for (std::size_t i = 0; i < text.size();) {
        const Utf8Char ch = DecodeUtf8(text, i);
        if (!ch.codePoint) {
            out.push_back(0x110000 + static_cast<unsigned char>(text[i]));
            ++i;
            continue;
        }
        out.push_back(*ch.codePoint);
        i += ch.length;
    }
    return out;
}

// Case folding for every script the locale data knows ("É" matches "é").
char32_t Fold(char32_t c) {
    static const locale_t utf8 = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    if (c > 0x10FFFF) return c;
    if (utf8 != locale_t{})
        return static_cast<char32_t>(::towlower_l(static_cast<wint_t>(c), utf8));
    // Without the locale: ASCII and Latin-1 at least.
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
    return c;
}

}  // namespace

bool MatchesPattern(const std::string& nameText, const std::string& patternText) {
    if (patternText == "*.*" || patternText == "*") return true;
    const std::u32string name = CodePoints(nameText);
    const std::u32string pattern = CodePoints(patternText);
    // Iterative wildcard match with one backtrack point for the last "*". A
    // "*" in the pattern is always a wildcard, also where the name has one.
    std::size_t n = 0, p = 0, starP = std::u32string::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == U'*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == U'?' || Fold(pattern[p]) == Fold(name[n]))) {
            ++n;
            ++p;
        } else if (starP != std::u32string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == U'*') ++p;
    return p == pattern.size();
}

std::shared_ptr<clsFile> clsFind::Item(std::int32_t position) const {
    if (position < 1 || position > Count()) return nullptr;
    return files_[static_cast<std::size_t>(position - 1)];
}

void clsFind::Remove(std::int32_t position) {
    if (position < 1 || position > Count()) return;
    files_.erase(files_.begin() + (position - 1));
}

std::int32_t clsFind::Find(std::string folder, const std::string& patterns, bool recursive) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    const std::vector<Entry> entries = ListFolder(folder);
    if (recursive) {
        // Folders reached through links are not entered: a link back up would
        // never end.
        for (const Entry& entry : entries) {
            if (entry.realFolder) Find(folder + entry.name, patterns, true);
        }
    }
    std::size_t start = 0;
    while (start <= patterns.size() && !patterns.empty()) {
        const auto semi = patterns.find(';', start);
        const std::string pattern =
            patterns.substr(start, semi == std::string::npos ? std::string::npos : semi - start);
        if (!pattern.empty()) {
            for (const Entry& entry : entries) {
                if (entry.folder || !MatchesPattern(entry.name, pattern)) continue;
                auto file = std::make_shared<clsFile>();
                file->sFilename(folder + entry.name);
                files_.push_back(std::move(file));
            }
        }
        if (semi == std::string::npos) break;
        start = semi + 1;
    }
    return Count();
}

}  // namespace qsr::tags
