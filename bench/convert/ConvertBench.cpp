// qsr_convert_bench IN: converts IN to IN-stem_24.wma, IN-stem_128kbps.mp3 and
// IN-stem.ogg through ConvertJob with the converter window's settings
// (WMA profile 24, MP3 128 kbit/s, Ogg Vorbis 128 kbit/s nominal).
#include <chrono>
#include <cstdio>
#include <string>

#include "converter/ConvertJob.h"
#include "converter/ConvertRules.h"
#include "platform/pulse/RealAudioEngine.h"

int main(int argc, char** argv) {
    using namespace qsr;
    if (argc != 2) {
        std::fprintf(stderr, "usage: qsr_convert_bench IN\n");
        return 2;
    }
    const std::string input = argv[1];
    const auto found = converter::LookupInputName(input);
    const auto stem = found ? converter::OutputStem(input, *found) : std::nullopt;
    if (!stem) return 1;
    auto engine = audio::CreateRealAudioEngine();
    auto reader = engine->CreateFile();
    auto writer = engine->CreateFile();
    reader->SetOption(true);
    writer->SetOption(true);
    writer->SetOggFormat(44100, 2, 128, 0, 0, -1);
    writer->SetMp3Format(44100, 128, 2);
    writer->SetWmaFormat(24);
    converter::ConvertJob job(*reader, *writer);
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& target : {converter::WmaName(*stem, 24), converter::Mp3Name(*stem, 128),
                                      converter::OggName(*stem)}) {
        const auto t0 = std::chrono::steady_clock::now();
        if (job.Convert(input, target) != converter::ConvertJob::Outcome::Complete) {
            std::fprintf(stderr, "%s: %s\n", target.c_str(), job.Reason().c_str());
            return 1;
        }
        std::printf("%s: %.2f s\n", target.c_str(),
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    const double s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("three conversions in %.2f s\n", s);
    return 0;
}
