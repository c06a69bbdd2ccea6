#include "geometry/GeosContext.h"

namespace
{
std::vector<double> xyOf(const std::vector<OsmNode>& nodes)
{
    std::vector<double> xy;
    xy.reserve(nodes.size() * 2);
    for (const OsmNode& node : nodes)
    {
        xy.push_back(node.lon);
        xy.push_back(node.lat);
    }
    return xy;
}

std::vector<OsmNode> nodesOf(const std::vector<double>& xy)
{
    std::vector<OsmNode> nodes(xy.size() / 2);
    for (std::size_t i = 0; i < nodes.size(); ++i)
        nodes[i] = OsmNode{0, static_cast<float>(xy[2 * i + 1]), static_cast<float>(xy[2 * i])};
    return nodes;
}
} // namespace

GeosContext::GeosContext() : context(GEOS_init_r()) {}

GeosContext::~GeosContext()
{
    GEOS_finish_r(context);
}

GeosContext::Geometry GeosContext::own(GEOSGeometry* geometry) const
{
    return Geometry(geometry, Destroy{context});
}

GeosContext::Geometry GeosContext::lineString(const std::vector<OsmNode>& nodes) const
{
    return lineString(xyOf(nodes));
}

GeosContext::Geometry GeosContext::lineString(const std::vector<double>& xy) const
{
    if (xy.size() < 4)
        return own(nullptr);
    GEOSCoordSequence* sequence =
        GEOSCoordSeq_copyFromBuffer_r(context, xy.data(), static_cast<unsigned>(xy.size() / 2), 0, 0);
    return own(sequence ? GEOSGeom_createLineString_r(context, sequence) : nullptr);
}

GEOSGeometry* GeosContext::ring(const std::vector<double>& xy) const
{
    if (xy.size() < 8)
        return nullptr;
    GEOSCoordSequence* sequence =
        GEOSCoordSeq_copyFromBuffer_r(context, xy.data(), static_cast<unsigned>(xy.size() / 2), 0, 0);
    return sequence ? GEOSGeom_createLinearRing_r(context, sequence) : nullptr;
}

GeosContext::Geometry GeosContext::polygon(const AreaPolygon& polygon) const
{
    Rings rings{xyOf(polygon.outer)};
    for (const std::vector<OsmNode>& inner : polygon.inners)
        rings.push_back(xyOf(inner));
    return this->polygon(rings);
}

GeosContext::Geometry GeosContext::polygon(const Rings& rings) const
{
    GEOSGeometry* shell = rings.empty() ? nullptr : ring(rings.front());
    if (!shell)
        return own(nullptr);
    std::vector<GEOSGeometry*> holes;
    for (std::size_t r = 1; r < rings.size(); ++r)
        if (GEOSGeometry* hole = ring(rings[r]))
            holes.push_back(hole);
    return own(GEOSGeom_createPolygon_r(context, shell, holes.data(), static_cast<unsigned>(holes.size())));
}

GeosContext::Geometry GeosContext::collection(int type, std::vector<Geometry> parts) const
{
    std::vector<GEOSGeometry*> raw;
    for (Geometry& part : parts)
        if (part)
            raw.push_back(part.release());
    return own(GEOSGeom_createCollection_r(context, type, raw.data(), static_cast<unsigned>(raw.size())));
}

std::vector<AreaPolygon> GeosContext::polygons(const GEOSGeometry* geometry) const
{
    std::vector<AreaPolygon> result;
    for (const Rings& rings : polygonRings(geometry))
    {
        AreaPolygon polygon{nodesOf(rings.front()), {}};
        for (std::size_t r = 1; r < rings.size(); ++r)
            polygon.inners.push_back(nodesOf(rings[r]));
        result.push_back(std::move(polygon));
    }
    return result;
}

std::vector<GeosContext::Rings> GeosContext::polygonRings(const GEOSGeometry* geometry) const
{
    std::vector<Rings> result;
    if (isEmpty(geometry))
        return result;
    if (GEOSGeomTypeId_r(context, geometry) == GEOS_POLYGON)
    {
        Rings rings{coordinates(GEOSGetExteriorRing_r(context, geometry))};
        const int holes = GEOSGetNumInteriorRings_r(context, geometry);
        for (int h = 0; h < holes; ++h)
            rings.push_back(coordinates(GEOSGetInteriorRingN_r(context, geometry, h)));
        result.push_back(std::move(rings));
        return result;
    }
    const int parts = GEOSGetNumGeometries_r(context, geometry);
    for (int i = 0; i < parts; ++i)
    {
        const GEOSGeometry* part = GEOSGetGeometryN_r(context, geometry, i);
        if (part == geometry)
            break;
        for (Rings& rings : polygonRings(part))
            result.push_back(std::move(rings));
    }
    return result;
}

std::vector<double> GeosContext::coordinates(const GEOSGeometry* line) const
{
    const GEOSCoordSequence* sequence = GEOSGeom_getCoordSeq_r(context, line);
    unsigned int size = 0;
    if (!sequence || !GEOSCoordSeq_getSize_r(context, sequence, &size))
        return {};
    std::vector<double> xy(size * 2);
    GEOSCoordSeq_copyToBuffer_r(context, sequence, xy.data(), 0, 0);
    return xy;
}

bool GeosContext::isEmpty(const GEOSGeometry* geometry) const
{
    return !geometry || GEOSisEmpty_r(context, geometry) != 0;
}
