// Raw tag fields as the sound library serves them, and the wrapper's text
// rules over them: any bytes, as a tag or as a whole file, never crash, and
// what the wrapper returns is UTF-8 text without NULs or outer blanks.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/services/Services.h"
#include "platform/soundlib/TagFields.h"
#include "tags/clsFMOD.h"

namespace {

using namespace qsr;

// Serves the fields of one parsed file through handle 1.
class FieldLibrary : public soundlib::ISoundLibrary {
  public:
    std::vector<soundlib::TagField> fields;
    bool Init(int, int, int) override { return true; }
    void Close() override {}
    int GetError() const override { return 0; }
    soundlib::Handle StreamOpen(const std::string&, int) override { return 1; }
    bool StreamClose(soundlib::Handle) override { return true; }
    int StreamPlay(int, soundlib::Handle) override { return 0; }
    bool StopSound(int) override { return true; }
    bool SetPaused(int, bool) override { return false; }
    bool GetPaused(int) override { return false; }
    bool SetVolume(int, int) override { return false; }
    int GetVolume(int) override { return 0; }
    int StreamGetLengthMs(soundlib::Handle) override { return 0; }
    int StreamGetLength(soundlib::Handle) override { return 0; }
    int StreamGetTime(soundlib::Handle) override { return 0; }
    bool StreamSetTime(soundlib::Handle, int) override { return false; }
    bool GetCurrentLevels(int, float&, float&) override { return false; }
    bool StreamFindTagField(soundlib::Handle, int kind, const std::string& name,
                            std::string& value) override {
        for (const auto& f : fields)
            if (f.kind == kind && f.name == name) {
                value = f.value;
                return true;
            }
        return false;
    }
    int StreamGetNumTagFields(soundlib::Handle) override { return static_cast<int>(fields.size()); }
    bool StreamGetTagField(soundlib::Handle, int index, soundlib::TagField& field) override {
        if (index < 0 || index >= static_cast<int>(fields.size())) return false;
        field = fields[static_cast<std::size_t>(index)];
        return true;
    }
};

class NoBox : public services::IMessageBox {
  public:
    services::MsgAnswer Show(const std::string&, services::MsgIcon, services::MsgButtons,
                             const std::string&) override {
        std::abort();  // tag reading never shows a message
    }
};

bool ValidUtf8(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const std::size_t len = b < 0x80             ? 1
                                : (b & 0xE0) == 0xC0 ? 2
                                : (b & 0xF0) == 0xE0 ? 3
                                : (b & 0xF8) == 0xF0 ? 4
                                                     : 0;
        if (len == 0 || i + len > s.size()) return false;
        for (std::size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += len;
    }
    return true;
}

void CheckText(const std::string& text, bool trimmed) {
    if (text.find('\0') != std::string::npos || !ValidUtf8(text)) std::abort();
    if (trimmed && !text.empty() && (text.front() == ' ' || text.back() == ' ')) std::abort();
}

void Exercise(std::vector<soundlib::TagField> fields) {
    for (const auto& f : fields) {
        if (f.name.empty()) std::abort();
        if (f.kind == soundlib::kTagId3v2 && f.name[0] == 'T' && !f.value.empty() &&
            f.value[0] != '\0')
            std::abort();  // text frames start with encoding byte 0
    }
    FieldLibrary lib;
    lib.fields = std::move(fields);
    NoBox box;
    tags::clsFMOD fmod(lib, box);
    for (const char* name : {"TITLE", "ALBUM", "ARTIST", "COMMENT", "GENRE", "TRACK", "YEAR"})
        CheckText(fmod.GetStreamTag(1, soundlib::kTagId3v1, name), true);
    for (const char* name :
         {"TALB", "TPE1", "TCOM", "TCOP", "TENC", "TCON", "TOPE", "TIT2", "TRCK", "TYER"})
        CheckText(fmod.GetStreamTag(1, soundlib::kTagId3v2, name), true);
    CheckText(fmod.GetStreamTag(1, soundlib::kTagId3v2, "COMM"), false);
    CheckText(fmod.GetStreamTag(1, soundlib::kTagId3v2, "WXXX"), false);
    for (long i = 0; i < fmod.GetStreamTagNumTags(1); ++i) {
        int kind = 0;
        std::string name, value;
        if (!fmod.GetStreamTagByNum(1, i, kind, name, value)) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    // The bytes as a tag, and as the last 128 bytes of a file.
    Exercise(soundlib::Id3v2Fields(bytes));
    if (size >= 128) Exercise(soundlib::Id3v1Fields(std::string_view(bytes).substr(size - 128)));
    // The bytes as a whole file, as a stream open reads it.
    static const std::string file = "/tmp/qsr-fuzz-soundlib-" + std::to_string(::getpid());
    if (std::FILE* f = std::fopen(file.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
        const auto facts = soundlib::ReadFileFacts(file);
        if (facts.size != size) std::abort();
        Exercise(facts.fields);
        ::unlink(file.c_str());
    }
    return 0;
}
