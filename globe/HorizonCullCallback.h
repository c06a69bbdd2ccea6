#pragma once

#include <osg/Callback>
#include <osg/CoordinateSystemNode>
#include <osg/Vec3d>

#include <vector>

namespace globe
{
// Skips a subgraph whose every point lies behind the ellipsoid's horizon as seen
// from the eye. The points are reduced to one "horizon point" in the ellipsoid's
// scaled space (a unit sphere): when that point is hidden, all of them are.
class HorizonCullCallback : public osg::NodeCallback
{
public:
    // points: geocentric positions enclosing the subgraph; direction: geocentric
    // direction from the earth's centre towards the subgraph.
    HorizonCullCallback(const std::vector<osg::Vec3d>& points, const osg::Vec3d& direction,
                        const osg::EllipsoidModel& ellipsoid);

    void operator()(osg::Node* node, osg::NodeVisitor* nv) override;

    // True when the scaled-space horizon point is hidden from this geocentric eye.
    bool isOccluded(const osg::Vec3d& eye) const;

private:
    osg::Vec3d toScaled(const osg::Vec3d& world) const;

    osg::Vec3d _scale;
    osg::Vec3d _horizonPoint;
    bool _valid = false;
};
} // namespace globe
