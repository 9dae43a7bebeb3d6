#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio-api/FileCutter.h"
#include "platform/audio/FileCodecs.h"

// The codec module's own bodies of the checks and factories the codec module
// table carries (see platform/audio/CodecsModule.h). The program never calls
// them: its FileCodecs.h functions of the same names load the module and go
// through the table.
namespace qsr::audio::file::codecs {

std::string DescribeMp3(const Mp3Options& options, Mp3Options* effective);
std::string DescribeOgg(const OggParams& p);

std::unique_ptr<IEncoder> OpenMp3Encoder(const std::string& path, const Mp3Options& o,
                                         std::string& error);
std::unique_ptr<IEncoder> OpenOggEncoder(const std::string& path, const OggParams& p,
                                         std::string& error);
std::unique_ptr<IEncoder> OpenFlacEncoder(const std::string& path, const FlacParams& p,
                                          std::string& error);
std::unique_ptr<IEncoder> OpenOpusEncoder(const std::string& path, const OpusParams& p,
                                          std::string& error);
std::unique_ptr<IEncoder> OpenSndfileEncoder(const std::string& path, int sfFormat, int rate,
                                             int channels, std::string& error,
                                             std::uint64_t wavSizeLimit = kWavSizeLimit);

std::unique_ptr<IDecoder> OpenSndfileDecoder(const std::string& path, std::string& error);
std::unique_ptr<IDecoder> OpenSndfileRawDecoder(const std::string& path, int sfFormat, int rate,
                                                int channels, const std::string& description,
                                                std::string& error);
bool ReadSndfileShape(const std::string& path, SndfileShape& shape);

CutResult CutFlac(const std::string& in, const std::vector<SampleSpan>& kept,
                  const std::string& out, const IFileCutter::Progress& progress);
CutResult CutOpus(const std::string& in, const std::vector<SampleSpan>& kept,
                  const std::string& out, const IFileCutter::Progress& progress);

}  // namespace qsr::audio::file::codecs
