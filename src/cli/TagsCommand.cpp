#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "cli/Commands.h"
#include "core/Id3v2Frames.h"
#include "core/MpegTagFile.h"
#include "platform/audio-api/AudioEngine.h"
#include "tags/TagText.h"
#include "tags/clsID3v1.h"
#include "tags/clsID3v23.h"

namespace qsr::cli {
namespace {

using tags::clsID3v1;
using tags::clsID3v23;

struct V1Field {
    const char* name;
    std::function<std::string(const clsID3v1&)> get;
    std::function<bool(clsID3v1&, const std::string&)> set;  // null: read-only
};

bool ParseByte(const std::string& text, std::uint8_t& value) {
    if (text.empty() || text.size() > 3) return false;
    int n = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        n = n * 10 + (c - '0');
    }
    if (n > 255) return false;
    value = static_cast<std::uint8_t>(n);
    return true;
}

template <void (clsID3v1::*Setter)(const std::string&)>
bool SetText(clsID3v1& tag, const std::string& text) {
    (tag.*Setter)(text);
    return true;
}

// A number field: false unless the text is a number 0-255.
template <void (clsID3v1::*Setter)(std::uint8_t)>
bool SetByte(clsID3v1& tag, const std::string& text) {
    std::uint8_t value = 0;
    if (!ParseByte(text, value)) return false;
    (tag.*Setter)(value);
    return true;
}

const std::vector<V1Field>& V1Fields() {
    static const std::vector<V1Field> fields = {
        {"tagTitle", [](const clsID3v1& t) { return t.tagTitle(); }, SetText<&clsID3v1::tagTitle>},
        {"tagArtist", [](const clsID3v1& t) { return t.tagArtist(); },
         SetText<&clsID3v1::tagArtist>},
        {"tagAlbum", [](const clsID3v1& t) { return t.tagAlbum(); }, SetText<&clsID3v1::tagAlbum>},
        {"tagYear", [](const clsID3v1& t) { return t.tagYear(); }, SetText<&clsID3v1::tagYear>},
        {"tagComments", [](const clsID3v1& t) { return t.tagComments(); },
         SetText<&clsID3v1::tagComments>},
        {"tagTrack", [](const clsID3v1& t) { return std::to_string(t.tagTrack()); },
         SetByte<&clsID3v1::tagTrack>},
        {"tagGenre", [](const clsID3v1& t) { return std::to_string(t.tagGenre()); },
         SetByte<&clsID3v1::tagGenre>},
        {"tagStrGenre", [](const clsID3v1& t) { return t.tagStrGenre(); }, nullptr},
    };
    return fields;
}

// The ID3v2 fields by their names, in their numbering order.
struct V2Field {
    const char* name;
    core::Id3v2Field field;
};

const std::vector<V2Field>& V2Fields() {
    static const std::vector<V2Field> fields = [] {
        std::vector<V2Field> all;
        for (const core::Id3v2Field f : core::kId3v2Fields)
            all.push_back({core::Id3v2FieldName(f), f});
        return all;
    }();
    return fields;
}

bool SplitAssignment(const std::string& arg, std::string& name, std::string& value) {
    const auto eq = arg.find('=');
    if (eq == std::string::npos || eq == 0) return false;
    name = arg.substr(0, eq);
    value = arg.substr(eq + 1);
    return true;
}

void Print(std::FILE* out, const char* prefix, const std::string& name, const std::string& value) {
    std::fprintf(out, "%s.%s=%s\n", prefix, name.c_str(), value.c_str());
}

std::string Reason(const clsID3v23& tag) {
    return tag.sLastError().empty() ? "failed" : tag.sLastError();
}

// What a tags command asks for.
struct TagsRequest {
    std::string file;
    std::vector<std::pair<std::string, std::string>> v1Sets, v2Sets;
    bool removeV1 = false, removeV2 = false;
    bool Sets() const { return !v1Sets.empty() || !v2Sets.empty(); }
    bool Writes() const { return Sets() || removeV1 || removeV2; }
};

// The arguments in order; the exit code when they are refused.
std::optional<int> ReadTagsRequest(const std::vector<std::string>& args, std::FILE* err,
                                   TagsRequest& r) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--v1" || arg == "--v2") {
            std::string name, value;
            if (i + 1 >= args.size() || !SplitAssignment(args[i + 1], name, value)) {
                std::fprintf(err, "quorvin-cli tags: %s needs FIELD=TEXT\n", arg.c_str());
                return 2;
            }
            (arg == "--v1" ? r.v1Sets : r.v2Sets).emplace_back(name, value);
            ++i;
        } else if (arg == "--remove-v1") {
            r.removeV1 = true;
        } else if (arg == "--remove-v2") {
            r.removeV2 = true;
        } else if (r.file.empty() && !arg.starts_with("--")) {
            r.file = arg;
        } else {
            std::fprintf(err, "quorvin-cli tags: unexpected argument '%s'\n", arg.c_str());
            return 2;
        }
    }
    if (r.file.empty()) {
        std::fprintf(err, "quorvin-cli tags: no FILE given\n");
        return 2;
    }
    return std::nullopt;
}

// Only regular files: a FIFO would block every read, a folder has no tags.
std::optional<int> RefuseSpecialFile(const std::string& file, std::FILE* err) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        std::fprintf(err, "quorvin-cli tags: cannot open %s: %s\n", file.c_str(),
                     std::strerror(errno));
        return 1;
    }
    if (!S_ISREG(st.st_mode)) {
        std::fprintf(err, "quorvin-cli tags: %s is not a regular file\n", file.c_str());
        return 1;
    }
    return std::nullopt;
}

// Every field name is checked before anything is written.
std::optional<int> RefuseUnknownFields(const TagsRequest& r, std::FILE* err) {
    for (const auto& [name, value] : r.v1Sets) {
        bool known = false;
        for (const auto& f : V1Fields()) known = known || (name == f.name && f.set);
        if (!known) {
            std::fprintf(err, "quorvin-cli tags: unknown or read-only ID3v1 field '%s'\n",
                         name.c_str());
            return 2;
        }
    }
    for (const auto& [name, value] : r.v2Sets) {
        bool known = false;
        for (const auto& f : V2Fields()) known = known || name == f.name;
        if (!known) {
            std::fprintf(err, "quorvin-cli tags: unknown ID3v2 field '%s'\n", name.c_str());
            return 2;
        }
    }
    return std::nullopt;
}

// Files no tag may be written into now; the exit code for one.
std::optional<int> RefuseTagWrite(const TagsRequest& r, const BeingRecordedQuery& beingRecorded,
                                  std::FILE* err) {
    // A tag write rewrites the file; a recording into it would go on into
    // the old, unlinked one and be lost.
    if (const std::string message = beingRecorded(r.file); !message.empty()) {
        std::fprintf(err, "quorvin-cli tags: %s\n", message.c_str());
        return 1;
    }
    // An ID3 tag in a WAV or Ogg file breaks it for its own readers: write
    // nothing unless the content is MPEG audio.
    if (r.Sets()) {
        std::string why;
        if (!audio::tagfile::IsMpegAudioFile(r.file, why)) {
            std::fprintf(err, "quorvin-cli tags: will not write tags into %s: %s\n", r.file.c_str(),
                         why.c_str());
            return 1;
        }
    }
    return std::nullopt;
}

// Sets the fields and saves each tag named, then removes those asked: the
// exit code.
int WriteTags(const TagsRequest& r, clsID3v1& v1, clsID3v23& v2, std::FILE* err) {
    const char* file = r.file.c_str();
    int status = 0;
    if (!r.v1Sets.empty()) {
        v1.ReadTag();
        for (const auto& [name, value] : r.v1Sets) {
            for (const auto& f : V1Fields()) {
                if (name == f.name && !f.set(v1, value)) {
                    std::fprintf(err, "quorvin-cli tags: %s needs a number 0-255\n", name.c_str());
                    return 2;
                }
            }
        }
        if (!v1.SaveTag()) {
            std::fprintf(err, "quorvin-cli tags: could not write the ID3v1 tag of %s: %s\n", file,
                         v1.sLastError().c_str());
            status = 1;
        }
    }
    if (!r.v2Sets.empty()) {
        v2.ReadTag();
        for (const auto& [name, value] : r.v2Sets) {
            for (const auto& f : V2Fields()) {
                if (name == f.name) v2.Set(f.field, value);
            }
        }
        if (!v2.SaveTag()) {
            std::fprintf(err, "quorvin-cli tags: could not write the ID3v2 tag of %s: %s\n", file,
                         Reason(v2).c_str());
            status = 1;
        }
    }
    if (r.removeV1 && !v1.RemoveTag()) {
        std::fprintf(err, "quorvin-cli tags: could not remove the ID3v1 tag of %s: %s\n", file,
                     v1.sLastError().c_str());
        status = 1;
    }
    if (r.removeV2 && !v2.RemoveTag()) {
        std::fprintf(err, "quorvin-cli tags: could not remove the ID3v2 tag of %s: %s\n", file,
                     Reason(v2).c_str());
        status = 1;
    }
    return status;
}

// Prints both tags, one line per field: the exit code. A file we cannot open
// is an error, a file without tags is not.
int PrintTags(const std::string& file, clsID3v1& v1, clsID3v23& v2, std::FILE* out,
              std::FILE* err) {
    if (std::FILE* probe = std::fopen(file.c_str(), "rb")) {
        std::fclose(probe);
    } else {
        std::fprintf(err, "quorvin-cli tags: cannot open %s\n", file.c_str());
        return 1;
    }
    // An absent tag prints as absent, without fields that would read as values.
    const bool v1Present = v1.ReadTag();
    Print(out, "v1", "present", v1Present ? "1" : "0");
    if (v1Present) {
        for (const auto& f : V1Fields()) Print(out, "v1", f.name, f.get(v1));
    }
    const bool v2Present = v2.ReadTag();
    Print(out, "v2", "present", v2Present ? "1" : "0");
    if (v2Present) {
        // The year as the editor's Year box shows it; a 2.4 date whole in tagDate.
        for (const auto& f : V2Fields()) {
            const std::string& value = v2.Get(f.field);
            Print(out, "v2", f.name,
                  f.field == core::Id3v2Field::Year ? tags::YearOfDate(value) : value);
        }
        Print(out, "v2", "tagTrimmedGenre", v2.tagTrimmedGenre());
        Print(out, "v2", "tagDate", v2.tagYear());
    }
    return 0;
}

}  // namespace

// tags FILE                       prints both tags, one line per field
// tags FILE --v1 F=T --v2 F=T ... sets fields and saves each named tag
// tags FILE --remove-v1 --remove-v2
int RunTagsCommand(audio::IAudioEngine& engine, const std::vector<std::string>& args,
                   std::FILE* out, std::FILE* err, const BeingRecordedQuery& beingRecorded) {
    TagsRequest r;
    if (const std::optional<int> refused = ReadTagsRequest(args, err, r)) return *refused;
    if (const std::optional<int> refused = RefuseSpecialFile(r.file, err)) return *refused;
    clsID3v1 v1;
    v1.filename(r.file);
    clsID3v23 v2(engine);
    v2.filename(r.file);
    if (const std::optional<int> refused = RefuseUnknownFields(r, err)) return *refused;
    if (!r.Writes()) return PrintTags(r.file, v1, v2, out, err);
    if (const std::optional<int> refused = RefuseTagWrite(r, beingRecorded, err)) return *refused;
    return WriteTags(r, v1, v2, err);
}

bool IsTagRead(const std::vector<std::string>& args) {
    return args.size() == 2 && args[0] == "tags" && !args[1].starts_with("-");
}

}  // namespace qsr::cli
