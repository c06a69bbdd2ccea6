#include "osm/LargePageAllocator.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
// Mapped on its own, a big array ends inside its last 2 MB page, where a write past
// it goes unseen; under AddressSanitizer it must come from the heap and be reported.
TEST(LargePageAllocator, WritingPastABigArrayIsReportedUnderAddressSanitizer)
{
    if (largePages::mapped)
        GTEST_SKIP() << "built without AddressSanitizer";
    std::vector<char, LargePageAllocator<char>> array(largePages::threshold + 1);
    volatile char* past = array.data() + array.size();
    EXPECT_DEATH(*past = 1, "heap-buffer-overflow");
}
} // namespace
