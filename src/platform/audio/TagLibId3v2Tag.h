#pragma once

#include <array>
#include <string>

#include "platform/audio-api/Id3v2Tag.h"

namespace TagLib {
class IOStream;
}

namespace qsr::audio {

// The ID3v2 tag component over TagLib. Load copies the twelve field texts out
// of the file and closes it; WriteTag writes an ID3v2.3 tag with the held
// texts, keeping every other frame and any ID3v1 tag; RemoveTag strips only
// the ID3v2 tag. Field texts are UTF-8. Text that fits Latin-1 is written as
// Latin-1, other text as UTF-16 with a byte-order mark. Empty fields are left
// out of the tag.
class TagLibId3v2Tag : public IId3v2Tag {
  public:
    bool Load(const std::string& path) override;
    bool TagPresent() const override { return present_; }
    std::string GetField(int field) const override;
    void SetField(int field, const std::string& text) override;
    bool WriteTag(const std::string& path) override;
    bool RemoveTag(const std::string& path) override;

    // Load from a stream (the fuzzers hand in bytes).
    bool Load(TagLib::IOStream* stream);

  private:
    // Files only: TagLib's in-memory stream overruns its buffer when a tag
    // claims to reach past the end.
    bool WriteTag(TagLib::IOStream* stream);

    bool present_ = false;
    std::array<std::string, 12> loaded_;
    std::array<std::string, 12> pending_;
};

}  // namespace qsr::audio
