#include "globe/TileKey.h"

#include <cstdio>

namespace globe
{
namespace
{
// Keys deeper than this would overflow the column count.
constexpr unsigned maxLevel = 30;
} // namespace

double TileKey::width() const
{
    return 180.0 / rows(_level);
}

double TileKey::west() const
{
    return -180.0 + _x * width();
}

double TileKey::south() const
{
    return -90.0 + _y * width();
}

TileKey TileKey::child(unsigned quadrant) const
{
    return TileKey(_level + 1, _x * 2 + (quadrant & 1u), _y * 2 + (quadrant >> 1));
}

std::string TileKey::str() const
{
    return std::to_string(_level) + "_" + std::to_string(_x) + "_" + std::to_string(_y);
}

bool TileKey::parse(const std::string& text, TileKey& out)
{
    unsigned level = 0, x = 0, y = 0;
    char rest = 0;
    if (std::sscanf(text.c_str(), "%u_%u_%u%c", &level, &x, &y, &rest) != 3)
        return false;
    if (level > maxLevel || x >= columns(level) || y >= rows(level))
        return false;
    out = TileKey(level, x, y);
    return true;
}
} // namespace globe
