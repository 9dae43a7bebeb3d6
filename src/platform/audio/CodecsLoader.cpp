// The program's side of the codec module (see CodecsModule.h).
#include "platform/audio/CodecsModule.h"
#include "platform/audio/FileCutter.h"
#include "platform/audio/Modules.h"

namespace qsr::audio::file {
namespace {

// The module's table; null, with the reason in `error`, when it cannot load.
const CodecsModuleTable* Module(std::string& error) {
    static const auto* table = static_cast<const CodecsModuleTable*>(
        ModuleTable(kCodecsModuleFile, kCodecsModuleEntry, kCodecsModuleVersion));
    if (!table) error = "the codec module cannot be loaded";
    return table;
}

const CodecsModuleTable* Module() {
    std::string ignored;  // the loader has said why on standard error
    return Module(ignored);
}

}  // namespace

std::string DescribeMp3(const Mp3Options& options, Mp3Options* effective) {
    const CodecsModuleTable* m = Module();
    return m ? m->describeMp3(options, effective) : std::string();
}

std::string DescribeOgg(const OggParams& p) {
    const CodecsModuleTable* m = Module();
    return m ? m->describeOgg(p) : std::string();
}

std::unique_ptr<IEncoder> OpenMp3Encoder(const std::string& path, const Mp3Options& o,
                                         std::string& error) {
    const CodecsModuleTable* m = Module(error);
    return std::unique_ptr<IEncoder>(m ? m->openMp3(path, o, error) : nullptr);
}

std::unique_ptr<IEncoder> OpenOggEncoder(const std::string& path, const OggParams& p,
                                         std::string& error) {
    const CodecsModuleTable* m = Module(error);
    return std::unique_ptr<IEncoder>(m ? m->openOgg(path, p, error) : nullptr);
}

std::unique_ptr<IEncoder> OpenFlacEncoder(const std::string& path, const FlacParams& p,
                                          std::string& error) {
    const CodecsModuleTable* m = Module(error);
    return std::unique_ptr<IEncoder>(m ? m->openFlac(path, p, error) : nullptr);
}

std::unique_ptr<IEncoder> OpenOpusEncoder(const std::string& path, const OpusParams& p,
                                          std::string& error) {
    const CodecsModuleTable* m = Module(error);
    return std::unique_ptr<IEncoder>(m ? m->openOpus(path, p, error) : nullptr);
}

std::unique_ptr<IEncoder> OpenSndfileEncoder(const std::string& path, int sfFormat, int rate,
                                             int channels, std::string& error,
                                             std::uint64_t wavSizeLimit) {
    const CodecsModuleTable* m = Module(error);
    return std::unique_ptr<IEncoder>(
        m ? m->openSndfile(path, sfFormat, rate, channels, error, wavSizeLimit) : nullptr);
}

std::unique_ptr<IDecoder> OpenSndfileDecoder(const std::string& path, std::string& error) {
    const CodecsModuleTable* m = Module(error);
    return std::unique_ptr<IDecoder>(m ? m->openSndfileDecoder(path, error) : nullptr);
}

std::unique_ptr<IDecoder> OpenSndfileRawDecoder(const std::string& path, int sfFormat, int rate,
                                                int channels, const std::string& description,
                                                std::string& error) {
    const CodecsModuleTable* m = Module(error);
    return std::unique_ptr<IDecoder>(
        m ? m->openSndfileRawDecoder(path, sfFormat, rate, channels, description, error) : nullptr);
}

bool ReadSndfileShape(const std::string& path, SndfileShape& shape) {
    const CodecsModuleTable* m = Module();
    return m && m->sndfileShape(path, shape);
}

CutResult CutFlac(const std::string& in, const std::vector<SampleSpan>& kept,
                  const std::string& out, const IFileCutter::Progress& progress) {
    CutResult r;
    const CodecsModuleTable* m = Module(r.error);
    return m ? m->cutFlac(in, kept, out, progress) : r;
}

CutResult CutOpus(const std::string& in, const std::vector<SampleSpan>& kept,
                  const std::string& out, const IFileCutter::Progress& progress) {
    CutResult r;
    const CodecsModuleTable* m = Module(r.error);
    return m ? m->cutOpus(in, kept, out, progress) : r;
}

}  // namespace qsr::audio::file
