#pragma once

#include <osg/Geometry>
#include <osg/PrimitiveSet>
#include <osg/ref_ptr>

namespace osg
{
class State;
}

// A merged drawable with a second, coarser set of primitives over the same arrays,
// drawn instead of its own where the coarse set's error (at most `tolerance` metres)
// spans no more than two pixels on the screen at `middle`. The coarse set shares the
// element buffer of the primitives, and functors (picking, export, highlighting) see
// only the primitives: the coarse set only ever reaches the screen. Built on the
// thread that generates, then drawn by the thread that draws.
class DetailGeometry : public osg::Geometry
{
public:
    DetailGeometry();

    // The primitive set must be the only one and be drawn by elements; coarse uses
    // the same vertices.
    void setCoarse(osg::ref_ptr<osg::DrawElementsUInt> coarse, double tolerance, const osg::Vec3d& middle);
    const osg::DrawElementsUInt* coarse() const { return coarsePrimitives.get(); }

    // Whether the coarse set is the one drawn under these matrices and this viewport height.
    bool drawsCoarse(const osg::Matrix& modelView, const osg::Matrix& projection, double viewportHeight) const;

    void drawImplementation(osg::RenderInfo& renderInfo) const override;

protected:
    ~DetailGeometry() override;

private:
    bool drawsCoarse(const osg::State& state) const;

    osg::ref_ptr<osg::DrawElementsUInt> coarsePrimitives;
    double tolerance = 0.0;
    osg::Vec3d middle;
};
