#pragma once

#include <cstdint>
#include <string>

namespace qsr::audio::file {

// 16-bit PCM WAV writer that keeps its header current after every block, so a
// killed program leaves a file playable up to the last block. The header
// reserves a JUNK chunk; when the RIFF size would pass `riffLimit` (4 GiB in
// use, small in tests) the file turns into RF64 and the JUNK chunk becomes the
// ds64 chunk with the 64-bit sizes.
//
// Data and header go to the file descriptor directly: a write refused half
// way (disk full, a file-size limit) leaves no bytes waiting in a library
// buffer, so the header can still be brought up to what reached the disk.
class WavPcmWriter {
  public:
    static constexpr std::uint64_t kRiffLimit = 0xFFFFFFFFull;
    static constexpr long kHeaderBytes = 80;  // RIFF+WAVE 12, JUNK/ds64 36, fmt 24, data 8

    explicit WavPcmWriter(std::uint64_t riffLimit = kRiffLimit) : limit_(riffLimit) {}
    ~WavPcmWriter();
    WavPcmWriter(const WavPcmWriter&) = delete;
    WavPcmWriter& operator=(const WavPcmWriter&) = delete;

    bool Open(const std::string& path, int rate, int channels, std::string& error);
    bool Write(const std::int16_t* frames, long count);
    bool Close();
    bool IsRf64() const { return rf64_; }
    std::uint64_t DataBytes() const { return data_; }
    // Why the last Write or Close failed.
    const std::string& Error() const { return error_; }

  private:
    bool PutHeader();
    bool Fail();  // keeps errno's text; returns false
    int fd_ = -1;
    std::string error_;
    std::uint64_t limit_;
    std::uint64_t data_ = 0;
    int rate_ = 0, channels_ = 0;
    bool rf64_ = false;
};

}  // namespace qsr::audio::file
