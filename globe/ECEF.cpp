#include "globe/ECEF.h"

#include "globe/SpatialReference.h"

namespace globe
{
void ECEF::transformAndLocalize(const std::vector<osg::Vec3d>& input, const SpatialReference* inputSRS,
                                osg::Vec3Array* output, const SpatialReference* /*outputSRS*/,
                                const osg::Matrixd& world2local)
{
    // Both references are the one WGS 84 ellipsoid, so the geocentric frame is shared.
    output->reserve(output->size() + input.size());
    osg::Vec3d world;
    for (const osg::Vec3d& point : input)
    {
        inputSRS->transformToWorld(point, world);
        output->push_back(osg::Vec3f(world * world2local));
    }
}
} // namespace globe
