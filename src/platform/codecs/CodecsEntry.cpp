// The codec module's entry (see platform/audio/CodecsModule.h).
#include "platform/audio/CodecsModule.h"
#include "platform/codecs/Codecs.h"

namespace {

using namespace qsr::audio;
using namespace qsr::audio::file;

IEncoder* OpenMp3(const std::string& path, const Mp3Options& o, std::string& error) {
    return codecs::OpenMp3Encoder(path, o, error).release();
}

IEncoder* OpenOgg(const std::string& path, const OggParams& p, std::string& error) {
    return codecs::OpenOggEncoder(path, p, error).release();
}

IEncoder* OpenFlac(const std::string& path, const FlacParams& p, std::string& error) {
    return codecs::OpenFlacEncoder(path, p, error).release();
}

IEncoder* OpenOpus(const std::string& path, const OpusParams& p, std::string& error) {
    return codecs::OpenOpusEncoder(path, p, error).release();
}

IEncoder* OpenSndfile(const std::string& path, int sfFormat, int rate, int channels,
                      std::string& error, std::uint64_t wavSizeLimit) {
    return codecs::OpenSndfileEncoder(path, sfFormat, rate, channels, error, wavSizeLimit)
        .release();
}

IDecoder* OpenSndfileReader(const std::string& path, std::string& error) {
    return codecs::OpenSndfileDecoder(path, error).release();
}

IDecoder* OpenSndfileRawReader(const std::string& path, int sfFormat, int rate, int channels,
                               const std::string& description, std::string& error) {
    return codecs::OpenSndfileRawDecoder(path, sfFormat, rate, channels, description, error)
        .release();
}

const CodecsModuleTable kTable{kCodecsModuleVersion,
                               codecs::DescribeMp3,
                               codecs::DescribeOgg,
                               OpenMp3,
                               OpenOgg,
                               OpenFlac,
                               OpenOpus,
                               OpenSndfile,
                               OpenSndfileReader,
                               OpenSndfileRawReader,
                               codecs::ReadSndfileShape,
                               codecs::CutFlac,
                               codecs::CutOpus};

}  // namespace

extern "C" __attribute__((visibility("default"))) const CodecsModuleTable* qsr_codecs_module() {
    return &kTable;
}
