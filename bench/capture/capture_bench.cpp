// Records the same source with our recorder (notch, high-pass, low-pass and
// AGC on, blocks written to a file) and with parec (same source, rate,
// channels and sample format, to a file), side by side over the same window,
// and prints the CPU seconds (user + system, every thread) each spent per
// recorded minute.
//
//   capture_bench [seconds] [parec device] [our device name] [plain]
// "plain" switches the filters and AGC off, to see what they cost.
#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "platform/pulse/PulseRecorder.h"

namespace {

long FileBytes(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 0;
    std::fseek(f, 0, SEEK_END);
    const long n = std::ftell(f);
    std::fclose(f);
    return n;
}

std::string ReadLine(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "r");
    if (!f) return {};
    char buf[512] = {};
    const bool ok = std::fgets(buf, sizeof(buf), f) != nullptr;
    std::fclose(f);
    if (!ok) return {};
    std::string line(buf);
    while (!line.empty() && line.back() == '\n') line.pop_back();
    return line;
}

// CPU seconds (user and system, to the nanosecond) of each thread of a
// process, by thread name, from the scheduler's run-time counters: clock
// ticks are too coarse for the tenth of a second a minute of capture costs.
std::map<std::string, double> ThreadSeconds(const std::string& pid) {
    std::map<std::string, double> out;
    const std::string dir = "/proc/" + pid + "/task";
    DIR* d = opendir(dir.c_str());
    if (!d) return out;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.') continue;
        const std::string task = dir + "/" + e->d_name;
        const std::string stat = ReadLine(task + "/schedstat");
        if (stat.empty()) continue;
        out[ReadLine(task + "/comm")] += std::strtod(stat.c_str(), nullptr) / 1e9;
    }
    closedir(d);
    return out;
}

double Total(const std::map<std::string, double>& threads) {
    double t = 0;
    for (const auto& [name, secs] : threads) t += secs;
    return t;
}

// What a process had spent and recorded at one moment.
struct Snapshot {
    std::map<std::string, double> threads;
    double recorded = 0;  // seconds of audio
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    const std::string parecDevice = argc > 2 ? argv[2] : "qsr_tone_sink.monitor";
    const std::string ourDevice = argc > 3 ? argv[3] : "Monitor of Tone_Output";
    const int rate = 44100, channels = 2;
    const std::string ourFile = "/tmp/capture_bench_ours.raw";
    const std::string parecFile = "/tmp/capture_bench_parec.raw";

    qsr::audio::PulseRecorder rec;
    const int count = rec.DeviceCount();
    int device = -1;
    for (int i = 0; i < count; ++i) {
        rec.SelectDevice(i);
        if (rec.DeviceName() == ourDevice) device = i;
    }
    if (device < 0) {
        std::fprintf(stderr, "capture_bench: no device \"%s\" (is PULSE_SERVER set?)\n",
                     ourDevice.c_str());
        return 1;
    }
    rec.SelectDevice(device);
    rec.SetFormat(rate, channels);
    rec.SetBlockLength(rec.MillisecondsToSamples(1000));
    const bool filters = !(argc > 4 && std::string(argv[4]) == "plain");
    rec.SetNotchEnabled(filters);
    rec.SetHighPassEnabled(filters);
    rec.SetLowPassEnabled(filters);
    rec.SetAgcEnabled(filters);
    FILE* out = std::fopen(ourFile.c_str(), "wb");
    QObject::connect(&rec, &qsr::audio::IAudioRecorder::EndArrayRecord, [&](long n) {
        const qsr::audio::Samples b = rec.TakeBlock(n);
        std::fwrite(b.data(), sizeof(b[0]), b.size(), out);
    });

    const pid_t child = fork();
    if (child == 0) {
        if (!std::freopen(parecFile.c_str(), "wb", stdout)) _exit(127);
        const std::string dev = "--device=" + parecDevice;
        execlp("parec", "parec", dev.c_str(), "--raw", "--format=s16le", "--rate=44100",
               "--channels=2", static_cast<char*>(nullptr));
        _exit(127);
    }

    // Both measured over the same wall-clock window, once both are recording
    // steadily: start-up (process, connection, device list) is left out of both.
    const std::string parecPid = std::to_string(child), self = "self";
    const double bytesPerSecond = rate * channels * 2.0;
    Snapshot ourBefore, ourAfter, parecBefore, parecAfter;
    if (rec.Start() < 0) {
        std::fprintf(stderr, "capture_bench: the recorder did not start\n");
        kill(child, SIGTERM);
        return 1;
    }
    auto snap = [&](Snapshot& ours, Snapshot& parec) {
        ours.threads = ThreadSeconds(self);
        ours.recorded = static_cast<double>(rec.CurrentSamples()) / rate;
        parec.threads = ThreadSeconds(parecPid);
        parec.recorded = static_cast<double>(FileBytes(parecFile)) / bytesPerSecond;
    };
    constexpr int kSettleMs = 2000;
    QTimer::singleShot(kSettleMs, &app, [&] {
        if (FileBytes(parecFile) == 0 || rec.CurrentSamples() == 0)
            std::fprintf(stderr, "capture_bench: warning: not both recording after %d ms\n",
                         kSettleMs);
        snap(ourBefore, parecBefore);
        QTimer::singleShot(seconds * 1000, &app, [&] {
            snap(ourAfter, parecAfter);
            rec.Stop();
            app.quit();
        });
    });
    app.exec();
    std::fclose(out);

    kill(child, SIGINT);
    int status = 0;
    waitpid(child, &status, 0);

    const double ourRecorded = ourAfter.recorded - ourBefore.recorded;
    const double parecRecorded = parecAfter.recorded - parecBefore.recorded;
    const double ourCpu = Total(ourAfter.threads) - Total(ourBefore.threads);
    const double parecCpu = Total(parecAfter.threads) - Total(parecBefore.threads);
    const double ourPerMin = ourRecorded > 0 ? ourCpu / (ourRecorded / 60) : 0;
    const double parecPerMin = parecRecorded > 0 ? parecCpu / (parecRecorded / 60) : 0;
    std::printf(
        "capture, %d s window (after %d ms settling), %d Hz, %d channels, s16le, source %s\n",
        seconds, kSettleMs, rate, channels, parecDevice.c_str());
    std::printf("%-34s %10s %12s %14s\n", "", "recorded s", "CPU s", "CPU s / min");
    std::printf("%-34s %10.2f %12.4f %14.4f\n",
                filters ? "ours (notch+HP+LP+AGC, to file)" : "ours (no filters, to file)",
                ourRecorded, ourCpu, ourPerMin);
    std::printf("%-34s %10.2f %12.4f %14.4f\n", "parec (to file)", parecRecorded, parecCpu,
                parecPerMin);
    std::printf("ours by thread (CPU s):");
    for (const auto& [name, secs] : ourAfter.threads) {
        const auto it = ourBefore.threads.find(name);
        std::printf("  %s %.4f", name.c_str(),
                    secs - (it == ourBefore.threads.end() ? 0 : it->second));
    }
    std::printf("\n");
    if (parecPerMin > 0)
        std::printf("ratio ours / parec: %.2f (target <= 1.5)\n", ourPerMin / parecPerMin);
    std::remove(ourFile.c_str());
    std::remove(parecFile.c_str());
    return 0;
}
