#pragma once

#include <osg/Vec2d>

#include <vector>

// Sums over footprint rings in their own plane, shared by the roof and wall builders.
// Any thread may call them.

// The z of the cross product: positive when b turns counter-clockwise from a.
inline double cross(const osg::Vec2d& a, const osg::Vec2d& b)
{
    return a.x() * b.y() - a.y() * b.x();
}

// Positive for a counter-clockwise ring, which is given without its closing point.
inline double signedArea(const std::vector<osg::Vec2d>& ring)
{
    double twice = 0.0;
    for (std::size_t i = 0; i < ring.size(); ++i)
        twice += cross(ring[i], ring[(i + 1) % ring.size()]);
    return 0.5 * twice;
}
