#pragma once

#include <string>

namespace globe
{
// Address of one tile of the geographic quadtree: level 0 is two tiles of
// 180 x 180 degrees; every level splits each tile into four. Columns count east
// from -180 degrees, rows north from -90 degrees.
class TileKey
{
public:
    TileKey(unsigned level, unsigned x, unsigned y) : _level(level), _x(x), _y(y) {}

    unsigned level() const { return _level; }
    unsigned x() const { return _x; }
    unsigned y() const { return _y; }

    double width() const;
    double west() const;
    double south() const;
    double east() const { return west() + width(); }
    double north() const { return south() + width(); }

    // quadrant 0 south-west, 1 south-east, 2 north-west, 3 north-east
    TileKey child(unsigned quadrant) const;

    // "level_x_y"; parse accepts what str writes.
    std::string str() const;
    static bool parse(const std::string& text, TileKey& out);

    static unsigned columns(unsigned level) { return 2u << level; }
    static unsigned rows(unsigned level) { return 1u << level; }

private:
    unsigned _level;
    unsigned _x;
    unsigned _y;
};
} // namespace globe
