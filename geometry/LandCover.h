#pragma once

#include "geometry/MappedArea.h"

#include <osg/Geode>
#include <osg/Vec4f>
#include <osg/ref_ptr>

#include <vector>

class GeosContext;
class LocalFrame;

// The land cover of one cell (parks, woods, beaches, residential land, parking, ...)
// draped on the terrain in the colours of the standard map, as one drawable with a
// colour per vertex. Smaller areas lie over larger ones: each vertex's alpha carries
// its area's rank, which the land cover shader turns into a depth offset. Built on
// the data thread.
class LandCover
{
public:
    // The area's colour (alpha 1), or false for tags that are not land cover.
    static bool colourOf(const Tags& tags, osg::Vec4f& colour);
    // From 0 for the largest areas up to 1 for the smallest.
    static float rankOf(double squareMetres);
    static double squareMetres(const AreaPolygon& polygon);

    // Null when none of the areas is land cover.
    static osg::ref_ptr<osg::Geode> build(const std::vector<MappedArea>& areas, const GeosContext& geos,
                                          const LocalFrame& frame);
};
