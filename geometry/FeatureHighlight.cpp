#include "geometry/FeatureHighlight.h"

#include "geometry/Streets.h"

#include <osg/BlendFunc>
#include <osg/Depth>
#include <osg/Geode>
#include <osg/Geometry>
#include <osg/MatrixTransform>
#include <osg/PolygonOffset>
#include <osg/Program>
#include <osg/TriangleIndexFunctor>
#include <osg/Uniform>

namespace
{
const osg::Vec4f highlightColor(1.0f, 0.8f, 0.1f, 0.6f);
// A ribbon's highlight reaches this far beyond each side of the street.
const float ribbonMargin = 1.5f;

// The triangles whose three vertices lie in [first, end).
struct RunTriangles
{
    unsigned first = 0;
    unsigned end = 0;
    osg::ref_ptr<osg::DrawElementsUInt> triangles = new osg::DrawElementsUInt(GL_TRIANGLES);

    void operator()(unsigned a, unsigned b, unsigned c)
    {
        const auto inRun = [this](unsigned i) { return i >= first && i < end; };
        if (inRun(a) && inRun(b) && inRun(c))
        {
            triangles->push_back(a);
            triangles->push_back(b);
            triangles->push_back(c);
        }
    }
};

// The run's triangles over the drawable's own vertices.
osg::ref_ptr<osg::Geometry> runHighlight(osg::Geometry& drawn, unsigned first, unsigned end)
{
    osg::TriangleIndexFunctor<RunTriangles> collect;
    collect.first = first;
    collect.end = end;
    drawn.accept(collect);
    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    geometry->setVertexArray(drawn.getVertexArray());
    geometry->addPrimitiveSet(collect.triangles.get());
    osg::ref_ptr<osg::Vec4Array> colors = new osg::Vec4Array;
    colors->push_back(highlightColor);
    geometry->setColorArray(colors.get(), osg::Array::BIND_OVERALL);
    osg::StateSet* state = geometry->getOrCreateStateSet();
    // The fixed pipeline, unlit: the highlight is a flat overlay.
    state->setAttributeAndModes(new osg::Program, osg::StateAttribute::OVERRIDE | osg::StateAttribute::ON);
    state->setMode(GL_LIGHTING, osg::StateAttribute::OFF);
    state->setAttributeAndModes(new osg::PolygonOffset(-1.0f, -4.0f));
    return geometry;
}

// The feature's triangles in every drawable beside the picked one that draws part of
// it (a building's roofs and walls).
void addSurfaceHighlights(const FeaturePick& pick, osg::Geode& highlight)
{
    osg::Geode* drawnBy = pick.geometry->getNumParents() > 0 ? pick.geometry->getParent(0)->asGeode() : nullptr;
    if (!drawnBy)
    {
        highlight.addDrawable(runHighlight(*pick.geometry, pick.firstVertex, pick.endVertex).get());
        return;
    }
    for (unsigned i = 0; i < drawnBy->getNumDrawables(); ++i)
    {
        osg::Geometry* drawn = drawnBy->getDrawable(i)->asGeometry();
        const FeatureSpans* spans = drawn ? FeatureSpans::find(*drawn) : nullptr;
        if (!spans || !drawn->getVertexArray())
            continue;
        const auto run = spans->runOf(pick.feature.type, pick.feature.id, drawn->getVertexArray()->getNumElements());
        if (run.first < run.second)
            highlight.addDrawable(runHighlight(*drawn, run.first, run.second).get());
    }
}

// The street's strip again, wider, with the street program and the highlight colour.
osg::ref_ptr<osg::Geometry> ribbonHighlight(const FeaturePick& pick)
{
    const auto* widths = dynamic_cast<const osg::FloatArray*>(pick.geometry->getVertexAttribArray(Streets::widthAttribute));
    osg::ref_ptr<osg::FloatArray> wider = new osg::FloatArray(*widths);
    for (float& width : *wider)
        width += 2.0f * ribbonMargin;
    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    geometry->setVertexArray(pick.geometry->getVertexArray());
    geometry->setVertexAttribArray(Streets::widthAttribute, wider.get(), osg::Array::BIND_PER_VERTEX);
    geometry->addPrimitiveSet(new osg::DrawArrays(GL_LINE_STRIP, static_cast<GLint>(pick.firstVertex),
                                                  static_cast<GLsizei>(pick.endVertex - pick.firstVertex)));
    const osg::Node* streets = pick.geometry->getNumParents() > 0 ? pick.geometry->getParent(0) : nullptr;
    osg::ref_ptr<osg::StateSet> state =
        streets && streets->getStateSet() ? new osg::StateSet(*streets->getStateSet()) : new osg::StateSet;
    state->addUniform(new osg::Uniform("color", osg::Vec3f(highlightColor.r(), highlightColor.g(), highlightColor.b())));
    state->setAttributeAndModes(new osg::PolygonOffset(-1.0f, -8.0f));
    geometry->setStateSet(state.get());
    return geometry;
}
} // namespace

osg::ref_ptr<osg::Node> featureHighlight(const FeaturePick& pick)
{
    if (!pick.geometry.valid() || pick.firstVertex >= pick.endVertex)
        return nullptr;
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    if (pick.geometry->getVertexAttribArray(Streets::widthAttribute))
        geode->addDrawable(ribbonHighlight(pick).get());
    else
        addSurfaceHighlights(pick, *geode);
    osg::StateSet* state = geode->getOrCreateStateSet();
    state->setMode(GL_BLEND, osg::StateAttribute::ON);
    state->setAttributeAndModes(new osg::BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA));
    state->setAttributeAndModes(new osg::Depth(osg::Depth::LEQUAL, 0.0, 1.0, false));
    state->setMode(GL_CULL_FACE, osg::StateAttribute::OFF);
    state->setRenderingHint(osg::StateSet::TRANSPARENT_BIN);
    // Over the whole scene: the city's own bin comes before the terrain, and a street's
    // highlight reaches past the street onto the ground.
    state->setNestRenderBins(false);
    osg::ref_ptr<osg::MatrixTransform> placed = new osg::MatrixTransform(pick.toScene);
    placed->setName("FeatureHighlight");
    placed->addChild(geode.get());
    return placed;
}
