#include "cli/Commands.h"

#include <map>

namespace qsr::cli {
namespace {

const char* kUsage =
    "usage: quorvin-cli COMMAND [ARGS]\n"
    "  devices                                   list capture devices and their lines\n"
    "  record --device N --seconds S --format FMT [--rate HZ] [--channels 1|2]\n"
    "         [--bitrate KBPS] [--overwrite] OUT FMT: WAV, MP3, VOX, Raw, G726, OGG; OUT ends\n"
    "                                            in .FMT; other parameters from settings.dat\n"
    "  convert [--wma-profile N] IN OUT          format from OUT's extension (also .wma);\n"
    "                                            --wma-profile list shows the profiles\n"
    "  info FILE                                 what the reader sees in FILE\n"
    "  tags FILE [--v1 FIELD=TEXT ...] [--v2 FIELD=TEXT ...] [--remove-v1] [--remove-v2]\n";

}  // namespace

int Run(audio::IAudioEngine& engine, const std::vector<std::string>& args, std::FILE* out,
        std::FILE* err) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs(kUsage, args.empty() ? err : out);
        return args.empty() ? 2 : 0;
    }
    const std::map<std::string, Command> commands = {
        {"devices", DevicesCommand}, {"record", RecordCommand}, {"convert", ConvertCommand},
        {"info", InfoCommand},       {"tags", TagsCommand},
    };
    const auto it = commands.find(args[0]);
    if (it == commands.end()) {
        std::fprintf(err, "quorvin-cli: unknown command '%s'\n%s", args[0].c_str(), kUsage);
        return 2;
    }
    return it->second(engine, std::vector<std::string>(args.begin() + 1, args.end()), out, err);
}

}  // namespace qsr::cli
