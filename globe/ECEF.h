#pragma once

#include <osg/Array>
#include <osg/Matrixd>
#include <osg/Vec3d>

#include <vector>

namespace globe
{
class SpatialReference;

// Geocentric conversions of whole point lists.
class ECEF
{
public:
    // Converts (lon, lat, height) points to geocentric coordinates, multiplies them by
    // world2local and appends them to output in input order. Everything stays in double
    // precision until the final store, so vertices near the local origin keep millimetres.
    static void transformAndLocalize(const std::vector<osg::Vec3d>& input, const SpatialReference* inputSRS,
                                     osg::Vec3Array* output, const SpatialReference* outputSRS,
                                     const osg::Matrixd& world2local);
};
} // namespace globe
