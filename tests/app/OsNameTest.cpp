#include <gtest/gtest.h>

#include "app/OsName.h"

using qsr::app::OsNameFor;
using qsr::app::OsVersion;

TEST(OsName, WindowsNineXFamilyByMinorVersionOnly) {
    EXPECT_EQ(OsNameFor({1, 4, 0}), "Windows95");
    EXPECT_EQ(OsNameFor({1, 4, 10}), "Windows98");
    EXPECT_EQ(OsNameFor({1, 4, 90}), "WindowsMillennium");
    EXPECT_EQ(OsNameFor({1, 7, 10}), "Windows98");  // the major does not matter
    // Any other minor gives empty text, so the Vista branch is not taken.
    EXPECT_EQ(OsNameFor({1, 4, 3}), "");
    EXPECT_EQ(OsNameFor({1, 6, 1}), "");
}

TEST(OsName, NtFamilyByMajorVersion) {
    EXPECT_EQ(OsNameFor({2, 3, 51}), "WindowsNT3.51");
    EXPECT_EQ(OsNameFor({2, 3, 0}), "WindowsNT3.51");
    EXPECT_EQ(OsNameFor({2, 4, 0}), "WindowsNT4.0");
    EXPECT_EQ(OsNameFor({2, 5, 0}), "Windows2000");
    EXPECT_EQ(OsNameFor({2, 5, 1}), "WindowsXP");
    EXPECT_EQ(OsNameFor({2, 5, 2}), "WindowsXP");
    EXPECT_EQ(OsNameFor({2, 6, 0}), "WindowsVista");
    EXPECT_EQ(OsNameFor({2, 6, 1}), "WindowsVista");  // every 6.x
    EXPECT_EQ(OsNameFor({2, 2, 0}), "");
    EXPECT_EQ(OsNameFor({2, 7, 0}), "");
    EXPECT_EQ(OsNameFor({2, 10, 0}), "");
}

TEST(OsName, OtherPlatformsFail) {
    EXPECT_EQ(OsNameFor({0, 6, 0}), "Failed");
    EXPECT_EQ(OsNameFor({3, 5, 0}), "Failed");
    EXPECT_EQ(OsNameFor({-1, 0, 0}), "Failed");
}

TEST(OsName, ThisSystemIsNotWindows) {
    EXPECT_EQ(OsNameFor(qsr::app::QueryOsVersion()), "Failed");
}
