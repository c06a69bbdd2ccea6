#include "geometry/TagNumber.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

double tagNumber(std::string_view text)
{
    const auto start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos)
        return 0.0;
    std::string digits(text.substr(start));
    const auto comma = digits.find(',');
    if (comma != std::string::npos)
        digits[comma] = '.';
    double value = 0.0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::fixed);
    if (result.ec != std::errc() || !std::isfinite(value))
        return 0.0;
    return value;
}

double tagMetres(std::string_view text)
{
    return std::max(tagNumber(text), 0.0);
}
