#pragma once

#include <osg/Vec2d>

#include <vector>

// One face of a footprint's straight skeleton: the part of the footprint whose roof
// rises from one footprint edge, counter-clockwise. Plain values: any thread may use
// one it owns.
struct SkeletonFace
{
    struct Point
    {
        osg::Vec2d at;
        // How far the wavefront had travelled when it got here: 0 on the footprint.
        double time;
        // The same for every face meeting at the point.
        int id;
        // False for the footprint's own vertices.
        bool inner;
    };
    std::vector<Point> points;
};
