#pragma once

#include <cstdlib>

#include "support/TempDir.h"

namespace qsr::testing {

// Every module missing, as on an install that lost its module folder: the
// loader looks only in an empty folder. Define one at namespace scope, so it
// is set before any test can load a module; the loader keeps what it found,
// so such tests run in a process of their own.
struct EmptyModuleFolder {
    EmptyModuleFolder() { ::setenv("QSR_MODULE_DIR", folder.path().c_str(), 1); }
    TempDir folder;
};

}  // namespace qsr::testing
