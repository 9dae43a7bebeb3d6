#include "cli/Commands.h"

namespace qsr::cli {

// Not built yet: the engine commands come with the file component.
int DevicesCommand(const std::vector<std::string>&, std::FILE*, std::FILE* err) {
    return NotAvailable("devices", err);
}
int RecordCommand(const std::vector<std::string>&, std::FILE*, std::FILE* err) {
    return NotAvailable("record", err);
}
int ConvertCommand(const std::vector<std::string>&, std::FILE*, std::FILE* err) {
    return NotAvailable("convert", err);
}
int InfoCommand(const std::vector<std::string>&, std::FILE*, std::FILE* err) {
    return NotAvailable("info", err);
}

}  // namespace qsr::cli
