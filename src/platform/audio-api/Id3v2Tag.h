#pragma once

#include <string>

namespace qsr::audio {

// The ID3v2 tag component. A fresh object serves one file operation; any
// failure is a failed call (false or empty text), and LastError says why.
class IId3v2Tag {
  public:
    virtual ~IId3v2Tag() = default;

    virtual bool Load(const std::string& path) = 0;
    // After Load: the file has a tag. After WriteTag or RemoveTag: the file
    // still carries one (a write of nothing but empty fields leaves none).
    virtual bool TagPresent() const = 0;
    // Field numbers 1..12: TRCK, TIT2, TPE1, TALB, TYER, TCON, COMM, TCOM, TOPE,
    // TCOP, WXXX, TENC.
    virtual std::string GetField(int field) const = 0;
    virtual void SetField(int field, const std::string& text) = 0;
    virtual bool WriteTag(const std::string& path) = 0;
    virtual bool RemoveTag(const std::string& path) = 0;
    // Why the last WriteTag or RemoveTag failed, in words for the user.
    virtual std::string LastError() const { return {}; }
};

}  // namespace qsr::audio
