#pragma once

#include <array>
#include <string>

#include "platform/audio-api/Id3v2Tag.h"

namespace TagLib {
class IOStream;
}

namespace qsr::audio {

// The ID3v2 tag component over TagLib. Load copies the twelve field texts out
// of the file and closes it. Field texts are UTF-8.
//
// WriteTag writes only the fields whose text differs from the file's; every
// other frame (described comments and URLs, TDAT, TIME, RVAD, APIC, frames
// no one knows) is kept byte for byte, and so is the audio. A tag stays in
// its version (2.4 stays 2.4; 2.2 and a new tag become 2.3). Text that fits
// Latin-1 is written as Latin-1, other text as UTF-16 with a byte-order mark;
// a URL beyond Latin-1 is stored percent-encoded (UTF-8); a date "yyyy-MM-dd[Thh:mm]" becomes TYER,
// TDAT and TIME in 2.3. Empty fields are left out, and a tag left with
// nothing is removed. Only MPEG audio files are written, and never a tag
// whose size is invalid or runs past the file, that is damaged after its last
// readable frame, or that a second tag with frames follows. Empty frames are
// read past and dropped. A written tag is read again; if it does not read as
// written, the old tag is put back and the write fails. How the file is changed
// without a crash ever leaving half of it: see MpegTagRewrite.h.
//
// RemoveTag strips every ID3v2 tag at the start of the file; any ID3v1 tag
// stays. A tag readers find further in (behind junk) is reported as left,
// never cut out of what may be audio.
class TagLibId3v2Tag : public IId3v2Tag {
  public:
    bool Load(const std::string& path) override;
    bool TagPresent() const override { return present_; }
    std::string GetField(int field) const override;
    void SetField(int field, const std::string& text) override;
    bool WriteTag(const std::string& path) override;
    bool RemoveTag(const std::string& path) override;
    std::string LastError() const override { return error_; }

    // Load from a stream (the fuzzers hand in bytes).
    bool Load(TagLib::IOStream* stream);

  private:
    bool Write(const std::string& path);
    // True when the file now reads as written: every changed field as set,
    // every other one still there. Otherwise false with the reason.
    bool ReadsBack(const std::string& path, const TagLibId3v2Tag& before,
                   const std::array<bool, 13>& changed, int major);

    bool present_ = false;
    std::string error_;
    std::array<std::string, 12> loaded_;
    std::array<std::string, 12> pending_;
};

}  // namespace qsr::audio
