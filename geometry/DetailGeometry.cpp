#include "geometry/DetailGeometry.h"

#include <osg/State>
#include <osg/Viewport>

namespace
{
// The coarse set is drawn where its error spans at most this many pixels at the
// middle; most of its corners stray far less than the tolerance.
const double coarsePixels = 2.0;
} // namespace

DetailGeometry::DetailGeometry()
{
    setUseDisplayList(false);
    setUseVertexBufferObjects(true);
}

DetailGeometry::~DetailGeometry() = default;

void DetailGeometry::setCoarse(osg::ref_ptr<osg::DrawElementsUInt> coarse, double tolerance_,
                               const osg::Vec3d& middle_)
{
    coarsePrimitives = std::move(coarse);
    tolerance = tolerance_;
    middle = middle_;
    auto* primitives = getNumPrimitiveSets() == 1 ? getPrimitiveSet(0)->getDrawElements() : nullptr;
    if (coarsePrimitives && primitives)
        coarsePrimitives->setElementBufferObject(primitives->getElementBufferObject());
}

bool DetailGeometry::drawsCoarse(const osg::Matrix& modelView, const osg::Matrix& projection,
                                 double viewportHeight) const
{
    if (!coarsePrimitives)
        return false;
    const double distance = (middle * modelView).length();
    // The screen's height spans 2 in clip space; at unit distance that is 2 / projection(1, 1).
    return distance > 0.0 && tolerance * projection(1, 1) * viewportHeight < coarsePixels * 2.0 * distance;
}

bool DetailGeometry::drawsCoarse(const osg::State& state) const
{
    const osg::Viewport* viewport = state.getCurrentViewport();
    return viewport && drawsCoarse(state.getModelViewMatrix(), state.getProjectionMatrix(), viewport->height());
}

// As osg::Geometry draws itself, with the coarse set for the primitives. Vertex array
// objects are not used by the scene; a geometry drawn through one takes its own way.
void DetailGeometry::drawImplementation(osg::RenderInfo& renderInfo) const
{
    osg::State& state = *renderInfo.getState();
    const bool bufferObjects = state.useVertexBufferObject(_supportsVertexBufferObjects && _useVertexBufferObjects);
    if (!drawsCoarse(state) || (bufferObjects && state.useVertexArrayObject(_useVertexArrayObject)))
    {
        osg::Geometry::drawImplementation(renderInfo);
        return;
    }
    osg::VertexArrayState* arrays = state.getCurrentVertexArrayState();
    arrays->setVertexBufferObjectSupported(bufferObjects);
    drawVertexArraysImplementation(renderInfo);
    coarsePrimitives->draw(state, bufferObjects);
    if (bufferObjects)
    {
        arrays->unbindVertexBufferObject();
        arrays->unbindElementBufferObject();
    }
}
