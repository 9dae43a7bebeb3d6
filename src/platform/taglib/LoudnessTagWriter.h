#pragma once

#include <string>

#include "platform/audio-api/LoudnessTag.h"

namespace qsr::audio {

// The loudness fields over TagLib, written the way every replacing write of
// the program is (core::ReplacingFile): the file is copied beside itself
// under a hidden name, TagLib writes the fields into the copy, the copy is
// read again, and only a copy that reads as written is renamed over the file.
// A kill at any moment leaves the old file or the new one; a hard-linked
// file, a folder that takes no new file and a file the user may not write
// are refused. The type goes by the extension (.flac, .ogg/.oga, .opus,
// .mp3) and must be what TagLib finds in the file. An MP3's ID3v2 tag keeps
// its version (a new one is 2.3) and any ID3v1 tag stays.
class LoudnessTagWriter : public ILoudnessTag {
  public:
    bool Write(const std::string& path, const Fields& fields) override;
    std::string LastError() const override { return error_; }

  private:
    bool Fail(const std::string& why);
    std::string error_;
};

}  // namespace qsr::audio
