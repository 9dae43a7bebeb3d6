// Records the same source with our recorder (notch, high-pass, low-pass and
// AGC on, blocks written to a file) and with parec, side by side for the same
// time, and prints the CPU seconds each spent per recorded minute.
//
//   capture_bench [seconds] [parec device] [our device name] [plain]
// "plain" switches the filters and AGC off, to see what they cost.
#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "platform/audio/PulseRecorder.h"

namespace {

double Seconds(const struct rusage& r) {
    return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
           static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

long FileBytes(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 0;
    std::fseek(f, 0, SEEK_END);
    const long n = std::ftell(f);
    std::fclose(f);
    return n;
}

// CPU seconds of each thread of this process, by thread name.
std::map<std::string, double> ThreadSeconds() {
    std::map<std::string, double> out;
    DIR* d = opendir("/proc/self/task");
    if (!d) return out;
    const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.') continue;
        const std::string path = std::string("/proc/self/task/") + e->d_name + "/stat";
        FILE* f = std::fopen(path.c_str(), "r");
        if (!f) continue;
        char buf[1024] = {};
        const size_t n = std::fread(buf, 1, sizeof(buf) - 1, f);
        std::fclose(f);
        const std::string line(buf, n);
        const size_t open = line.find('('), close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos) continue;
        const std::string name = line.substr(open + 1, close - open - 1);
        unsigned long utime = 0, stime = 0;
        // Fields after the name: state ppid pgrp session tty tpgid flags minflt cminflt
        // majflt cmajflt utime stime.
        std::sscanf(line.c_str() + close + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu",
                    &utime, &stime);
        out[name] += static_cast<double>(utime + stime) / tick;
    }
    closedir(d);
    return out;
}

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

    struct rusage before, after;
    getrusage(RUSAGE_SELF, &before);
    const auto threadsBefore = ThreadSeconds();
    std::map<std::string, double> threadsAfter;
    if (rec.Start() < 0) {
        std::fprintf(stderr, "capture_bench: the recorder did not start\n");
        kill(child, SIGTERM);
        return 1;
    }
    QTimer::singleShot(seconds * 1000, &app, [&] {
        rec.Stop();
        getrusage(RUSAGE_SELF, &after);
        threadsAfter = ThreadSeconds();
        app.quit();
    });
    app.exec();
    std::fclose(out);

    kill(child, SIGINT);
    int status = 0;
    struct rusage parecUsage {};
    wait4(child, &status, 0, &parecUsage);

    const double ourRecorded = static_cast<double>(rec.CurrentSamples()) / rate;
    const double parecRecorded =
        static_cast<double>(FileBytes(parecFile)) / (rate * channels * 2.0);
    const double ourCpu = Seconds(after) - Seconds(before);
    const double parecCpu = Seconds(parecUsage);
    const double ourPerMin = ourRecorded > 0 ? ourCpu / (ourRecorded / 60) : 0;
    const double parecPerMin = parecRecorded > 0 ? parecCpu / (parecRecorded / 60) : 0;
    std::printf("capture, %d s wall, 44100 Hz stereo, source %s\n", seconds, parecDevice.c_str());
    std::printf("%-34s %10s %12s %14s\n", "", "recorded s", "CPU s", "CPU s / min");
    std::printf("%-34s %10.2f %12.3f %14.4f\n",
                filters ? "ours (notch+HP+LP+AGC, to file)" : "ours (no filters, to file)",
                ourRecorded, ourCpu, ourPerMin);
    std::printf("%-34s %10.2f %12.3f %14.4f\n", "parec (to file)", parecRecorded, parecCpu,
                parecPerMin);
    std::printf("ours by thread (CPU s, clock ticks):");
    for (const auto& [name, secs] : threadsAfter) {
        const auto it = threadsBefore.find(name);
        std::printf("  %s %.2f", name.c_str(), secs - (it == threadsBefore.end() ? 0 : it->second));
    }
    std::printf("\n");
    if (parecPerMin > 0)
        std::printf("ratio ours / parec: %.2f (target <= 1.5)\n", ourPerMin / parecPerMin);
    std::remove(ourFile.c_str());
    std::remove(parecFile.c_str());
    return 0;
}
