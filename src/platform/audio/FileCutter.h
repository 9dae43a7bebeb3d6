#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio-api/FileCutter.h"
#include "platform/audio/FileCodecs.h"

namespace qsr::audio::file {

// The real cutter: WAV/RF64, RAW, FLAC, MP3, Opus, VOX and G.726.
std::unique_ptr<IFileCutter> CreateFileCutter();

// A file read whole through a read-only mapping (an hour of sound is a few
// hundred MB at most; the pages are read as they are copied).
class MappedFile {
  public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    bool Open(const std::string& path, std::string& error);
    const unsigned char* Data() const { return data_; }
    std::size_t Size() const { return size_; }

  private:
    const unsigned char* data_ = nullptr;
    std::size_t size_ = 0;
};

// Where a cut writes its copy: the copy's descriptor, every failure's reason.
// QSR_TEST_KILL_SAVE_AT=N kills the process (SIGKILL) once N bytes are
// written, so a test can stop a save at an exact point.
class CutSink {
  public:
    explicit CutSink(int fd);
    bool Write(const void* data, std::size_t n);
    // Rewrites bytes already written (sizes in a header).
    bool WriteAt(std::int64_t at, const void* data, std::size_t n);
    std::int64_t Written() const { return written_; }
    const std::string& Error() const { return error_; }

  private:
    bool Fail();
    int fd_;
    std::int64_t written_ = 0;
    std::int64_t killAt_ = -1;
    std::string error_;
};

// Each format's cut: writes `kept` of `in` to `sink`, reporting `progress`.
// The result's `samples` is what the new file should hold; `Check*` reads the
// written copy back and says whether it holds that.
CutResult CutPcmWav(const MappedFile& in, const std::vector<SampleSpan>& kept, CutSink& sink,
                    const IFileCutter::Progress& progress);
CutResult CutRaw(const MappedFile& in, int frameBytes, const std::vector<SampleSpan>& kept,
                 CutSink& sink, const IFileCutter::Progress& progress);
CutResult CutMp3(const MappedFile& in, const std::vector<SampleSpan>& kept, CutSink& sink,
                 const IFileCutter::Progress& progress);
// Through the codec module (libFLAC; libogg and libopus); each writes `out`
// itself and checks it.
CutResult CutFlac(const std::string& in, const std::vector<SampleSpan>& kept,
                  const std::string& out, const IFileCutter::Progress& progress);
CutResult CutOpus(const std::string& in, const std::vector<SampleSpan>& kept,
                  const std::string& out, const IFileCutter::Progress& progress);
// The ADPCM codings (libsndfile's VOX; G.726 in its module): coded again from
// the start of each span until the coder's state is the original decoder's,
// the original codes copied from there on. Each keeps a whole number of bytes,
// so up to a byte's samples at the end are left out.
CutResult CutVox(const std::string& in, int rate, const std::vector<SampleSpan>& kept,
                 const std::string& out, const IFileCutter::Progress& progress);
CutResult CutG726(const std::string& in, const G726Params& p, const std::vector<SampleSpan>& kept,
                  const std::string& out, const IFileCutter::Progress& progress);
std::string CheckWav(const std::string& path, std::int64_t samples);
std::string CheckMp3(const std::string& path, std::int64_t samples);
// Why a WAV file cannot be cut by copying ("" when it can).
std::string WavCutRefusal(const MappedFile& in);

}  // namespace qsr::audio::file
