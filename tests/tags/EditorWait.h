#pragma once

#include <gtest/gtest.h>

#include "support/EventWait.h"
#include "tags/windows/Frmid3v.h"

namespace qsr::tags {

// The editor's scan and save run in workers and end through the event loop:
// runs events until the one started last has been shown.
inline void WaitForEditor(Frmid3v& w) {
    EXPECT_TRUE(testing::RunUntil([&w] { return !w.Working(); }, 60000)) << "still working";
}

}  // namespace qsr::tags
