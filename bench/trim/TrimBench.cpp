// Computes the trim window's overview of FILE as the window does (one decode
// through the file component) and prints "<seconds> <buckets> <windows>".
//   qsr_trim_bench FILE
#include <chrono>
#include <cstdio>

#include "platform/audio/AudioFileComponent.h"
#include "trim/Overview.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    auto file = qsr::audio::CreateRealAudioFile();
    qsr::trim::Overview overview;
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    if (!qsr::trim::ComputeOverview(*file, argv[1], overview, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const double s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.3f %zu %zu\n", s, overview.low.size(), overview.levelDb.size());
    return 0;
}
