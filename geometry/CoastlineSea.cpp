#include "geometry/CoastlineSea.h"

#include "geometry/GeosContext.h"

#include <osg/Notify>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace
{
// An end this close to the box's edge, as a fraction of the box's shorter side, was
// cut there by the extract.
const double edgeTolerance = 0.02;
// How far beside a coastline its sides are probed, in degrees (about a centimetre).
const double sideProbe = 1e-7;

using Point = std::pair<double, double>;

// The point on the box's nearest edge, or nothing when the end lies too far inside.
bool edgePoint(const NodeBounds& box, double x, double y, Point& onEdge)
{
    const double tolerance = edgeTolerance * std::min(box.maxLon - box.minLon, box.maxLat - box.minLat);
    const double distances[4] = {x - box.minLon, box.maxLon - x, y - box.minLat, box.maxLat - y};
    const int nearest = static_cast<int>(std::min_element(distances, distances + 4) - distances);
    if (distances[nearest] > tolerance)
        return false;
    const Point points[4] = {{box.minLon, y}, {box.maxLon, y}, {x, box.minLat}, {x, box.maxLat}};
    onEdge = points[nearest];
    return true;
}

struct Votes
{
    int sea = 0;
    int land = 0;
};

// Each side of every segment votes for the face it lies in: water on the right, land on the left.
std::vector<Votes> sideVotes(const std::vector<std::vector<double>>& chains,
                             const std::vector<const GEOSPreparedGeometry*>& faces, const GeosContext& geos)
{
    std::vector<Votes> votes(faces.size());
    auto faceAt = [&](double x, double y) -> Votes* {
        const GeosContext::Geometry point = geos.own(GEOSGeom_createPointFromXY_r(geos.handle(), x, y));
        for (std::size_t f = 0; f < faces.size(); ++f)
            if (GEOSPreparedContains_r(geos.handle(), faces[f], point.get()) == 1)
                return &votes[f];
        return nullptr;
    };
    for (const std::vector<double>& chain : chains)
        for (std::size_t k = 0; k + 3 < chain.size(); k += 2)
        {
            const double dx = chain[k + 2] - chain[k], dy = chain[k + 3] - chain[k + 1];
            const double length = std::hypot(dx, dy);
            if (length < 10.0 * sideProbe)
                continue;
            const double mx = (chain[k] + chain[k + 2]) / 2, my = (chain[k + 1] + chain[k + 3]) / 2;
            const double rx = dy / length * sideProbe, ry = -dx / length * sideProbe;
            if (Votes* right = faceAt(mx + rx, my + ry))
                ++right->sea;
            if (Votes* left = faceAt(mx - rx, my - ry))
                ++left->land;
        }
    return votes;
}
} // namespace

// Coastline ways joined head to tail, each carried on to the box's edge, and those
// that could not be.
struct CoastlineSea::Chains
{
    std::vector<std::vector<double>> sound;
    std::vector<GeosContext::Geometry> broken;
};

CoastlineSea::CoastlineSea(const GeosContext& geos_) : geos(geos_) {}

CoastlineSea::Chains CoastlineSea::joinedChains(const std::vector<TaggedWay>& coastlines, const NodeBounds& box) const
{
    std::map<Point, OsmId> wayEnding;
    std::vector<GeosContext::Geometry> lines;
    for (const TaggedWay& coastline : coastlines)
    {
        if (coastline.way.nodes.size() < 2)
            continue;
        const OsmNode& last = coastline.way.nodes.back();
        wayEnding[{last.lon, last.lat}] = coastline.way.id;
        lines.push_back(geos.lineString(coastline.way.nodes));
    }
    const GeosContext::Geometry all = geos.collection(GEOS_MULTILINESTRING, std::move(lines));
    const GeosContext::Geometry merged = geos.own(GEOSLineMergeDirected_r(geos.handle(), all.get()));

    Chains chains;
    const int count = merged ? GEOSGetNumGeometries_r(geos.handle(), merged.get()) : 0;
    for (int i = 0; i < count; ++i)
    {
        std::vector<double> xy = geos.coordinates(GEOSGetGeometryN_r(geos.handle(), merged.get(), i));
        const std::size_t n = xy.size();
        if (n < 4)
            continue;
        if (xy[0] == xy[n - 2] && xy[1] == xy[n - 1])
        {
            chains.sound.push_back(std::move(xy));
            continue;
        }
        Point start, end;
        if (edgePoint(box, xy[0], xy[1], start) && edgePoint(box, xy[n - 2], xy[n - 1], end))
        {
            xy.insert(xy.begin(), {start.first, start.second});
            xy.insert(xy.end(), {end.first, end.second});
            chains.sound.push_back(std::move(xy));
            continue;
        }
        const auto named = wayEnding.find({xy[n - 2], xy[n - 1]});
        OSG_WARN << "Coastline ending with way " << (named == wayEnding.end() ? 0 : named->second) << " at "
                 << xy[n - 2] << ", " << xy[n - 1] << " (from " << xy[0] << ", " << xy[1]
                 << ") cannot be closed along the extract's edge: no sea is drawn from it" << std::endl;
        chains.broken.push_back(geos.lineString(xy));
    }
    return chains;
}

// The faces the sound coastlines and the box's edge cut the box into.
GeosContext::Geometry CoastlineSea::boxFaces(const Chains& chains, const NodeBounds& box) const
{
    std::vector<GeosContext::Geometry> lines;
    for (const std::vector<double>& chain : chains.sound)
        lines.push_back(geos.lineString(chain));
    lines.push_back(geos.lineString({box.minLon, box.minLat, box.maxLon, box.minLat, box.maxLon, box.maxLat,
                                     box.minLon, box.maxLat, box.minLon, box.minLat}));
    const GeosContext::Geometry all = geos.collection(GEOS_MULTILINESTRING, std::move(lines));
    const GeosContext::Geometry noded = geos.own(GEOSUnaryUnion_r(geos.handle(), all.get()));
    const GEOSGeometry* input = noded.get();
    return geos.own(noded ? GEOSPolygonize_r(geos.handle(), &input, 1) : nullptr);
}

// A face is sea when the coastlines around it all have it on their water side and no
// broken coastline lies in it.
std::vector<AreaPolygon> CoastlineSea::seaPolygons(const std::vector<TaggedWay>& coastlines, NodeBounds box) const
{
    for (const TaggedWay& coastline : coastlines)
        for (const OsmNode& node : coastline.way.nodes)
            box.widen(node);
    if (!box.valid || coastlines.empty())
        return {};
    const Chains chains = joinedChains(coastlines, box);
    if (chains.sound.empty())
        return {};
    GEOSContextHandle_t handle = geos.handle();
    const GeosContext::Geometry faces = boxFaces(chains, box);
    const int faceCount = faces ? GEOSGetNumGeometries_r(handle, faces.get()) : 0;
    std::vector<const GEOSPreparedGeometry*> prepared;
    for (int f = 0; f < faceCount; ++f)
        prepared.push_back(GEOSPrepare_r(handle, GEOSGetGeometryN_r(handle, faces.get(), f)));
    const std::vector<Votes> votes = sideVotes(chains.sound, prepared, geos);

    std::vector<AreaPolygon> sea;
    for (std::size_t f = 0; f < prepared.size(); ++f)
    {
        const GEOSGeometry* face = GEOSGetGeometryN_r(handle, faces.get(), static_cast<int>(f));
        const bool nearBroken = std::any_of(chains.broken.begin(), chains.broken.end(), [&](const auto& line) {
            return line && GEOSPreparedIntersects_r(handle, prepared[f], line.get()) == 1;
        });
        if (votes[f].sea > 0 && votes[f].land > 0)
        {
            const GeosContext::Geometry inside = geos.own(GEOSPointOnSurface_r(handle, face));
            const std::vector<double> at = inside ? geos.coordinates(inside.get()) : std::vector<double>{0.0, 0.0};
            OSG_WARN << "Coastlines around " << at[0] << ", " << at[1]
                     << " disagree which side is water: no sea is drawn there" << std::endl;
        }
        else if (votes[f].sea > 0 && !nearBroken)
        {
            for (AreaPolygon& polygon : geos.polygons(face))
                sea.push_back(std::move(polygon));
        }
        GEOSPreparedGeom_destroy_r(handle, prepared[f]);
    }
    return sea;
}
