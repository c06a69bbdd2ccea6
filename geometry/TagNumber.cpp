#include "geometry/TagNumber.h"

#include <algorithm>
#include <charconv>
#include <cctype>
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

namespace
{
const double metresPerFoot = 0.3048;
const double metresPerInch = 0.0254;

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The number's text: what from_chars reads after blanks, a comma for a point.
std::size_t numberLength(std::string_view text)
{
    std::size_t length = 0;
    while (length < text.size() && (std::isdigit(static_cast<unsigned char>(text[length])) || text[length] == '.' ||
                                     text[length] == ',' || (length == 0 && text[length] == '-')))
        ++length;
    return length;
}

// Feet and inches as 10'6" or 10' 6": the part after the feet mark.
double inchesAfterFeet(std::string_view rest, bool& readable)
{
    rest = trimmed(rest);
    readable = rest.empty() || (rest.back() == '"' && numberLength(rest) + 1 == rest.size());
    return rest.empty() ? 0.0 : tagNumber(rest) * metresPerInch;
}
} // namespace

double tagLength(std::string_view text)
{
    text = trimmed(text);
    const std::size_t length = numberLength(text);
    if (length == 0)
        return 0.0;
    const double number = tagNumber(text);
    const std::string_view unit = trimmed(text.substr(length));
    double metres = 0.0;
    if (unit.empty() || unit == "m" || unit == "metre" || unit == "metres" || unit == "meter" || unit == "meters")
        metres = number;
    else if (unit == "ft" || unit == "feet" || unit == "foot")
        metres = number * metresPerFoot;
    else if (unit.front() == '\'')
    {
        bool readable = false;
        const double inches = inchesAfterFeet(unit.substr(1), readable);
        metres = readable ? number * metresPerFoot + inches : 0.0;
    }
    return std::max(metres, 0.0);
}
