#pragma once

#include <string>

namespace qsr::audio {

// The ID3v2 tag component. A fresh object serves one file operation; any
// failure is a failed call (false or empty text).
class IId3v2Tag {
  public:
    virtual ~IId3v2Tag() = default;

    virtual bool Load(const std::string& path) = 0;
    virtual bool TagPresent() const = 0;
    // Field numbers 1..12: TRCK, TIT2, TPE1, TALB, TYER, TCON, COMM, TCOM, TOPE,
    // TCOP, WXXX, TENC.
    virtual std::string GetField(int field) const = 0;
    virtual void SetField(int field, const std::string& text) = 0;
    virtual bool WriteTag(const std::string& path) = 0;
    virtual bool RemoveTag(const std::string& path) = 0;
};

}  // namespace qsr::audio
