#pragma once

#include <QString>

namespace qsr::services {

// A locale's time format without its time-zone field: every run of "t" with
// the ASCII blanks before it and a bracket around it (" t", " (t)", " tttt")
// goes.
// A plain scan: list rows are dated at start-up, and an expression there
// would load and compile the regular-expression library.
QString TimeFormatWithoutZone(const QString& format);

}  // namespace qsr::services
