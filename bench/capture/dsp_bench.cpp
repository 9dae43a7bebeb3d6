// CPU seconds the recorder's filter chain (notch, high-pass, low-pass, AGC)
// spends per minute of 44100 Hz stereo, processed in 80 ms pieces as the
// recorder does; the part of bench/capture/run's figure that is arithmetic.
//   dsp_bench [minutes]
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/pulse/Dsp.h"

int main(int argc, char** argv) {
    const int minutes = argc > 1 ? std::atoi(argv[1]) : 10;
    constexpr int rate = 44100, channels = 2;
    constexpr long piece = rate * 80 / 1000;
    qsr::audio::dsp::FilterSettings s;
    s.notchOn = s.highPassOn = s.lowPassOn = s.agcOn = true;
    qsr::audio::dsp::DspChain chain;
    chain.Configure(s, rate, channels);
    // One second of a 1000 Hz tone with some noise, reused.
    qsr::audio::Samples second(static_cast<size_t>(rate * channels));
    std::srand(1);
    for (size_t i = 0; i < second.size(); ++i)
        second[i] = static_cast<std::int16_t>(
            8000 * std::sin(2 * 3.14159265358979 * 1000 * double(i / channels) / rate) +
            (std::rand() % 512) - 256);
    qsr::audio::Samples buf(static_cast<size_t>(piece * channels));
    timespec a{}, b{};
    double secs = 0;
    std::uint64_t hash = 1469598103934665603ull;  // of every output value: same figures, same sound
    for (long done = 0; done < static_cast<long>(minutes) * 60 * rate; done += piece) {
        const long off = done % rate;
        for (long f = 0; f < piece; ++f)
            for (int c = 0; c < channels; ++c)
                buf[size_t(f * channels + c)] = second[size_t(((off + f) % rate) * channels + c)];
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &a);
        chain.Process(buf);
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &b);
        secs += double(b.tv_sec - a.tv_sec) + double(b.tv_nsec - a.tv_nsec) / 1e9;
        for (std::int16_t v : buf) hash = (hash ^ static_cast<std::uint16_t>(v)) * 1099511628211ull;
    }
    std::printf("filters+AGC, %d Hz stereo: %.4f CPU s per recorded minute (output hash %016llx)\n",
                rate, secs / minutes, static_cast<unsigned long long>(hash));
    return 0;
}
