#pragma once

#include <string>
#include <utility>
#include <vector>

namespace qsr::audio {

// Writes loudness fields (ReplayGain's, Opus's R128 gains) into a file's own
// tag: Vorbis comments of FLAC, Ogg Vorbis and Opus files, TXXX frames of an
// MP3's ID3v2 tag. A field of the same name (any case) is replaced; every
// other field stays. A fresh object serves one file; a failed Write leaves
// the file as it was, and LastError says why.
class ILoudnessTag {
  public:
    virtual ~ILoudnessTag() = default;
    using Fields = std::vector<std::pair<std::string, std::string>>;
    virtual bool Write(const std::string& path, const Fields& fields) = 0;
    virtual std::string LastError() const = 0;
};

}  // namespace qsr::audio
