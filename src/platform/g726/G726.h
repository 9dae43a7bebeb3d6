#pragma once

#include <memory>
#include <string>

#include "platform/audio-api/FileCutter.h"
#include "platform/audio/FileCodecs.h"

// The G.726 module's own bodies of the factories its table carries (see
// platform/audio/G726Module.h). The program never calls them: its
// FileCodecs.h functions of the same names load the module and go through
// the table.
namespace qsr::audio::file::g726 {

std::unique_ptr<IEncoder> OpenG726Encoder(const std::string& path, const G726Params& p,
                                          std::string& error);
std::unique_ptr<IDecoder> OpenG726Decoder(const std::string& path, const G726Params& p,
                                          std::string& error);

// Writes `kept` of the G.726 file `in` to `out` (see G726Cut.cpp).
CutResult CutG726(const std::string& in, const G726Params& p, const std::vector<SampleSpan>& kept,
                  const std::string& out, const IFileCutter::Progress& progress);

}  // namespace qsr::audio::file::g726
