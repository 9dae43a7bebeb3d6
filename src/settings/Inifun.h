#pragma once

#include <cstddef>
#include <string>
#include <utility>

namespace qsr::settings {

// The settings file: INI text of [section] lines and key=value lines.
// Section and key names compare without regard to case; the first of
// duplicate sections or keys wins. No cache: each call reads the file anew.

// A settings file is small; a larger one (damaged, or grown by mistake) is
// read only up to its last whole line within this size, so every read stays
// quick, and a write keeps only that part.
inline constexpr std::size_t kMaxSettingsBytes = 1024 * 1024;

// The value of key in section, blanks around it removed, cut at a NUL;
// empty when the file, section or key is absent.
std::string ReadIniValue(const std::string& file, const std::string& section,
                         const std::string& key);

// Replaces the key's value in place, or adds the key (and the section, and the
// file) when missing. Every other line is kept byte for byte. The file is
// replaced atomically, so a crash never leaves it half-written; a file that
// cannot be written keeps its old content and gives false, with the system's
// reason in `why` when given.
bool WriteIniValue(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value, std::string* why = nullptr);

// The writes of one confirmed choice, key after key, into one settings file.
// Every key is tried; the first failure's reason is kept, so the failure is
// said once, naming the file.
class SettingsSave {
  public:
    explicit SettingsSave(std::string file) : file_(std::move(file)) {}

    SettingsSave& Put(const std::string& section, const std::string& key, const std::string& value);
    // Takes over the first failure of a save of the same file.
    SettingsSave& Add(const SettingsSave& later);

    bool Ok() const { return !failed_; }
    const std::string& File() const { return file_; }
    // "FILE could not be saved: WHY"; empty when every key was written.
    std::string Message() const;

  private:
    std::string file_;
    bool failed_ = false;
    std::string why_;
};

// The warning to show when `file` is over kMaxSettingsBytes; empty when not.
std::string SettingsSizeWarning(const std::string& file);

}  // namespace qsr::settings
