#include "cli/Commands.h"

namespace qsr::cli {

// Not built yet: comes with the tag classes.
int TagsCommand(const std::vector<std::string>&, std::FILE*, std::FILE* err) {
    return NotAvailable("tags", err);
}

}  // namespace qsr::cli
