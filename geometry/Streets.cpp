#include "geometry/Streets.h"

#include "geometry/FeatureSpans.h"
#include "geometry/LocalFrame.h"

#include <osg/PrimitiveSet>
#include <osg/Vec3f>

namespace
{
const float archRise = 4.0f;
const double streetLift = 1.0;
} // namespace

Streets::Streets(std::vector<WayGeometry> ways_, std::vector<WayInfo> infos_, const std::vector<float>& widths,
                 const LocalFrame& frame_, double heightOffset_)
    : ways(std::move(ways_)), infos(std::move(infos_)), frame(&frame_), geometry(new osg::Geometry),
      heightOffset(heightOffset_)
{
    geometry->setUseDisplayList(false);
    geometry->setUseVertexBufferObjects(true);
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    osg::ref_ptr<osg::FloatArray> vertexWidths = new osg::FloatArray;
    for (std::size_t i = 0; i < ways.size(); ++i)
    {
        const osg::ref_ptr<osg::Vec3Array> line = streetPolyline(ways[i], isBridge(ways[i]));
        if (line->empty())
            continue;
        FeatureSpans::of(*geometry).add(static_cast<unsigned>(vertices->size()),
                                        {FeatureKind::Street, OsmType::Way, ways[i].id});
        geometry->addPrimitiveSet(new osg::DrawArrays(GL_LINE_STRIP, static_cast<GLint>(vertices->size()),
                                                      static_cast<GLsizei>(line->size())));
        vertices->insert(vertices->end(), line->begin(), line->end());
        vertexWidths->insert(vertexWidths->end(), line->size(), widths[i]);
    }
    geometry->setVertexArray(vertices.get());
    geometry->setVertexAttribArray(widthAttribute, vertexWidths.get(), osg::Array::BIND_PER_VERTEX);
    addDrawable(geometry.get());
}

Streets::~Streets() = default;

// The first tag record of the way decides.
bool Streets::isBridge(const WayGeometry& way) const
{
    for (const WayInfo& info : infos)
        if (info.wayId == way.id)
            return info.bridge;
    return false;
}

osg::ref_ptr<osg::Vec3Array> Streets::streetPolyline(WayGeometry way, bool bridge) const
{
    if (bridge && way.nodes.size() == 2)
        return frame->localize(bridgeArch(way));
    return frame->localize(terrainLine(way));
}

// Five points: the two ends on the terrain plus the offset, the three inner ones
// raised 4 m above the straight line between them.
std::vector<osg::Vec3d> Streets::bridgeArch(const WayGeometry& way) const
{
    const OsmNode& a = way.nodes[0];
    const OsmNode& b = way.nodes[1];
    const osg::Vec3f start(a.lon, a.lat, static_cast<float>(heightOffset + frame->terrainElevation(a.lon, a.lat)));
    const osg::Vec3f end(b.lon, b.lat, static_cast<float>(heightOffset + frame->terrainElevation(b.lon, b.lat)));
    const osg::Vec3f middle = (start + end) * 0.5f;
    const osg::Vec3f rise(0.0f, 0.0f, archRise);
    const osg::Vec3f points[5] = {start, (start + middle) * 0.5f + rise, middle + rise, (middle + end) * 0.5f + rise,
                                  end};
    return std::vector<osg::Vec3d>(std::begin(points), std::end(points));
}

std::vector<osg::Vec3d> Streets::terrainLine(const WayGeometry& way) const
{
    std::vector<osg::Vec3d> points;
    points.reserve(way.nodes.size());
    for (const OsmNode& node : way.nodes)
    {
        const double elevation = frame->terrainElevation(node.lon, node.lat);
        points.emplace_back(node.lon, node.lat, static_cast<float>(heightOffset + elevation + streetLift));
    }
    return points;
}
