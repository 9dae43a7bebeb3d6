// quorvin-cli. Reading a file's tags is the command scripts run once per file
// over whole folders, so it is answered here from TagLib alone; every other
// command runs in quorvin-cli-audio beside this program, which maps Qt, the
// sound server's client and the codecs (tens of libraries, most of the cost
// of a short run).
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "platform/audio-api/AudioEngine.h"
#include "platform/taglib/TagLibId3v2Tag.h"

namespace {

// The engine of a tag read: its tag component only. Nothing else is asked of
// it on that path.
class TagReadEngine : public qsr::audio::IAudioEngine {
  public:
    std::unique_ptr<qsr::audio::IAudioRecorder> CreateRecorder() override { return nullptr; }
    std::unique_ptr<qsr::audio::IAudioFile> CreateFile() override { return nullptr; }
    std::unique_ptr<qsr::audio::IAudioPlayer> CreatePlayer() override { return nullptr; }
    std::unique_ptr<qsr::audio::IMp3Settings> CreateMp3Settings() override { return nullptr; }
    std::unique_ptr<qsr::audio::IId3v2Tag> CreateId3v2Tag() override {
        return std::make_unique<qsr::audio::TagLibId3v2Tag>();
    }
};

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (qsr::cli::IsTagRead(args)) {
        TagReadEngine engine;
        // A read writes nothing, so no recording can be in its way.
        return qsr::cli::RunTagsCommand(engine, {args.begin() + 1, args.end()}, stdout, stderr,
                                        [](const std::string&) { return std::string(); });
    }
    std::error_code ec;
    const std::string full =
        (std::filesystem::read_symlink("/proc/self/exe", ec).parent_path() / "quorvin-cli-audio")
            .string();
    ::execv(full.c_str(), argv);
    std::fprintf(stderr, "quorvin-cli: cannot run %s: %s\n", full.c_str(), std::strerror(errno));
    return 127;
}
