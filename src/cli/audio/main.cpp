// quorvin-cli-audio: every command of quorvin-cli over the real engine (the
// sound server, the encoders, the decoders). quorvin-cli starts it for all but
// reading tags.
#include <QCoreApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "platform/pulse/RealAudioEngine.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::vector<std::string> args(argv + 1, argv + argc);
    auto engine = qsr::audio::CreateRealAudioEngine();
    return qsr::cli::Run(*engine, args);
}
