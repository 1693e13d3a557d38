#include "HostLibAdapter/ObjectClassName.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>

namespace {

// A class id from the dongle is not trusted: one outside the table has no
// name (and must not read past it); inside, every index names its own class.
// (The result lists' queued delivery is in every test of the device back-end:
// its results reach the test's thread through a queued connection.)
TEST(ObjectClassName, OnlyIndicesOfTheTableHaveNamesAndNoTwoAlike)
{
    for (const int outside : {-1, 80, 1 << 30, INT_MIN})
        EXPECT_TRUE(ObjectClassName(outside).isEmpty()) << outside;
    std::set<QString> names;
    for (int i = 0; i < 80; ++i)
        names.insert(ObjectClassName(i));
    EXPECT_EQ(names.size(), 80u);
    EXPECT_EQ(names.count(QString()), 0u);
}

}  // namespace
