#include "osm/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace
{
::testing::AssertionResult readsAsAtof(const std::string& text)
{
    const double expected = std::atof(text.c_str());
    const double actual = numberFromText(text);
    if (std::memcmp(&expected, &actual, sizeof expected) == 0 || (std::isnan(expected) && std::isnan(actual)))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "'" << text << "' gives " << actual << " instead of " << expected;
}
} // namespace

TEST(NumberTextTest, EveryTextReadsAsAtofReadsIt)
{
    const std::vector<std::string> texts{
        // Plain decimals, as OSM files write them, and their rounding-sensitive relatives.
        "43.7370125", "7.4229093", "-0", "0", "-0.0", "7.", ".5", "-.5", "00012.5000", "0.1", "1e5", "1E-5",
        "1e+5", "123456789012345678901234567890", "0.30000000000000004441", "2.2250738585072011e-308",
        "4.9e-324", "1.7976931348623157e308",
        // What the fast path must leave to strtod.
        " 7.5", "\t1", "+7.5", "0x1p3", "-0X1P-3", "nan", "-nan", "nan(123)", "inf", "-INFINITY", "1e999",
        "-1e999", "1e-400", "1.7976931348623159e308",
        // Text after the number, or no number at all.
        "1e", "5e", "1.2.3", "1,5", "43.7 ", "7.5abc", "", "-", ".", "e5", "abc"};
    for (const std::string& text : texts)
        EXPECT_TRUE(readsAsAtof(text));

    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> degrees(-180.0, 180.0);
    std::uniform_int_distribution<int> digits(0, 19);
    char text[64];
    for (int i = 0; i < 100000; ++i)
    {
        const double value = degrees(random) * std::pow(10.0, digits(random) - 10);
        std::snprintf(text, sizeof text, "%.*f", digits(random), value);
        ASSERT_TRUE(readsAsAtof(text));
        std::snprintf(text, sizeof text, "%.*g", digits(random) + 1, value);
        ASSERT_TRUE(readsAsAtof(text));
    }
}
