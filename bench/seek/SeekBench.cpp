// Opens one file with the file component and seeks to N random places,
// reading one 200 ms block after each (what the list's slider does). Prints
// one line per seek: "<seconds into the file> <milliseconds taken>", then the
// mean and the worst.
//   qsr_seek_bench FILE [N] [SEED]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "platform/audio/AudioFileComponent.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE [N] [SEED]\n", argv[0]);
        return 2;
    }
    const int count = argc > 2 ? std::atoi(argv[2]) : 20;
    const unsigned seed = argc > 3 ? static_cast<unsigned>(std::atoi(argv[3])) : 1;
    auto file = qsr::audio::CreateRealAudioFile();
    if (file->OpenFile(argv[1]) < 0) {
        std::fprintf(stderr, "%s\n", file->LastError().c_str());
        return 1;
    }
    const std::int64_t total = file->TotalSamples();
    const int rate = file->SampleRate();
    if (total <= rate || rate <= 0) {
        std::fprintf(stderr, "%s is too short to seek in\n", argv[1]);
        return 1;
    }
    std::mt19937_64 random(seed);
    double sum = 0, worst = 0;
    for (int i = 0; i < count; ++i) {
        const std::int64_t target = static_cast<std::int64_t>(random() % (total - rate));
        const auto start = std::chrono::steady_clock::now();
        const std::int64_t landed = file->Seek(target);
        const auto block = file->ReadBlock(rate / 5);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        if (landed != target || block.empty()) {
            std::fprintf(stderr, "seek to %lld landed at %lld\n", static_cast<long long>(target),
                         static_cast<long long>(landed));
            return 1;
        }
        std::printf("%.3f %.2f\n", static_cast<double>(target) / rate, ms);
        sum += ms;
        worst = std::max(worst, ms);
    }
    std::printf("mean %.2f ms, worst %.2f ms over %d seeks\n", sum / count, worst, count);
    return 0;
}
