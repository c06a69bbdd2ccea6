#include "osm/NumberText.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>

namespace
{
locale_t cLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", nullptr);
    return locale;
}
} // namespace

double numberFromText(std::string_view text)
{
    // from_chars rounds a plain decimal number exactly as strtod does and is much
    // faster; whatever it does not take whole (blanks, '+', hexadecimal, infinities,
    // values out of range, trailing text) goes to strtod itself.
    double value = 0.0;
    const char* end = text.data() + text.size();
    const std::from_chars_result result = std::from_chars(text.data(), end, value);
    if (result.ec == std::errc() && result.ptr == end && std::isfinite(value))
        return value;
    return strtod_l(text.data(), nullptr, cLocale());
}

bool idFromText(std::string_view text, OsmId& id)
{
    const char* end = text.data() + text.size();
    const std::from_chars_result result = std::from_chars(text.data(), end, id);
    return result.ec == std::errc() && result.ptr == end && !text.empty();
}
