#include <gtest/gtest.h>

#include "recording/Dropouts.h"

namespace qsr::recording {
namespace {

TEST(Dropouts, SaidOnlyOnceSoundWasLost) {
    EXPECT_EQ(DropoutText(0), "");
    EXPECT_EQ(DropoutText(-1), "");
    EXPECT_EQ(DropoutText(3), "Dropouts: 3");
    EXPECT_EQ(DropoutWarning(0), "");
    EXPECT_EQ(DropoutWarning(1),
              "warning: 1 dropout: capture could not keep up and the gaps hold silence");
    EXPECT_EQ(DropoutWarning(12),
              "warning: 12 dropouts: capture could not keep up and the gaps hold silence");
}

}  // namespace
}  // namespace qsr::recording
