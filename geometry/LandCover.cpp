#include "geometry/LandCover.h"

#include "geometry/DrapedSurface.h"
#include "geometry/FeatureSpans.h"
#include "geometry/LocalFrame.h"
#include "geometry/MetresPerDegree.h"
#include "osm/KeptTags.h"

#include <osg/Math>

#include <algorithm>
#include <cmath>
#include <string_view>

namespace
{
// A few tens of metres: finer than the terrain's samples, coarse enough to stay cheap.
// The land cover shader lifts the surface off the terrain.
const double latticeStep = 0.0004;
// Ranks cover areas from 1 m² (rank 1) to 2^rankSpan m² (rank 0) on a log scale.
const double rankSpan = 24.0;

struct Style
{
    std::string_view key;
    std::string_view value;
    unsigned int rgb;
};

// The standard map's fills.
const Style styles[] = {
    {"leisure", "park", 0xc8facc},         {"leisure", "garden", 0xcdebb0},
    {"leisure", "playground", 0xdffce2},   {"leisure", "pitch", 0x88e0be},
    {"leisure", "track", 0x88e0be},        {"leisure", "golf_course", 0xb5e3b5},
    {"leisure", "miniature_golf", 0xb5e3b5}, {"leisure", "dog_park", 0xe0fce3},
    {"leisure", "common", 0xcdebb0},       {"leisure", "stadium", 0xdffce2},
    {"leisure", "sports_centre", 0xdffce2}, {"leisure", "swimming_pool", 0xaad3df},
    {"landuse", "grass", 0xcdebb0},        {"landuse", "meadow", 0xcdebb0},
    {"landuse", "village_green", 0xcdebb0}, {"landuse", "recreation_ground", 0xdffce2},
    {"landuse", "forest", 0xadd19e},       {"landuse", "residential", 0xe0dfdf},
    {"landuse", "commercial", 0xf2dad9},   {"landuse", "retail", 0xffd6d1},
    {"landuse", "industrial", 0xebdbe8},   {"landuse", "railway", 0xebdbe8},
    {"landuse", "farmland", 0xeef0d5},     {"landuse", "farmyard", 0xf5dcba},
    {"landuse", "farm", 0xf5dcba},         {"landuse", "allotments", 0xc9e1bf},
    {"landuse", "orchard", 0xaedfa3},      {"landuse", "vineyard", 0xaedfa3},
    {"landuse", "cemetery", 0xaacbaf},     {"landuse", "construction", 0xc7c7b4},
    {"landuse", "brownfield", 0xc7c7b4},   {"landuse", "quarry", 0xc5c3c3},
    {"landuse", "basin", 0xaad3df},        {"landuse", "reservoir", 0xaad3df},
    {"natural", "wood", 0xadd19e},         {"natural", "scrub", 0xc8d7ab},
    {"natural", "heath", 0xd6d99f},        {"natural", "grassland", 0xcdebb0},
    {"natural", "sand", 0xf5e9c6},         {"natural", "beach", 0xfff1ba},
    {"natural", "bare_rock", 0xeee5dc},    {"natural", "scree", 0xeee5dc},
    {"amenity", "parking", 0xeeeeee},      {"amenity", "grave_yard", 0xaacbaf},
};

// The map's pale fills, more saturated and a little darker, so that they still read
// as colours once lit.
osg::Vec4f lit(unsigned int rgb)
{
    const float saturation = 1.6f;
    const float brightness = 0.9f;
    const osg::Vec3f flat(float((rgb >> 16) & 0xff) / 255.0f, float((rgb >> 8) & 0xff) / 255.0f,
                          float(rgb & 0xff) / 255.0f);
    const float grey = (flat.x() + flat.y() + flat.z()) / 3.0f;
    osg::Vec4f colour(1.0f, 1.0f, 1.0f, 1.0f);
    for (int c = 0; c < 3; ++c)
        colour[c] = osg::clampBetween(grey + (flat[c] - grey) * saturation, 0.0f, 1.0f) * brightness;
    return colour;
}

// Twice the signed area in square degrees.
double shoelace(const std::vector<OsmNode>& ring)
{
    double sum = 0.0;
    for (std::size_t i = 0; i + 1 < ring.size(); ++i)
        sum += double(ring[i].lon) * ring[i + 1].lat - double(ring[i + 1].lon) * ring[i].lat;
    return sum;
}
} // namespace

bool LandCover::colourOf(const Tags& tags, osg::Vec4f& colour)
{
    for (const Style& style : styles)
        if (tagValue(tags, style.key) == style.value)
        {
            colour = lit(style.rgb);
            return true;
        }
    return false;
}

float LandCover::rankOf(double squareMetres)
{
    const double logArea = std::log2(std::max(squareMetres, 1.0));
    return static_cast<float>(osg::clampBetween(1.0 - logArea / rankSpan, 0.0, 1.0));
}

double LandCover::squareMetres(const AreaPolygon& polygon)
{
    if (polygon.outer.empty())
        return 0.0;
    double degrees = std::abs(shoelace(polygon.outer));
    for (const std::vector<OsmNode>& inner : polygon.inners)
        degrees -= std::abs(shoelace(inner));
    const double lat = osg::DegreesToRadians(double(polygon.outer.front().lat));
    return std::max(degrees, 0.0) / 2.0 * metresPerDegree * metresPerDegree * std::cos(lat);
}

osg::ref_ptr<osg::Geode> LandCover::build(const std::vector<MappedArea>& areas, const GeosContext& geos,
                                          const LocalFrame& frame)
{
    struct Piece
    {
        const AreaPolygon* polygon;
        osg::Vec4f colour;
        double size;
        FeatureSpans::Feature feature;
    };
    std::vector<Piece> pieces;
    for (const MappedArea& area : areas)
    {
        osg::Vec4f colour;
        if (!colourOf(area.tags, colour))
            continue;
        for (const AreaPolygon& polygon : area.polygons)
            pieces.push_back({&polygon, colour, squareMetres(polygon), {FeatureKind::LandCover, area.type, area.id}});
    }
    // Larger first, so that a smaller area is drawn later where ranks tie.
    std::stable_sort(pieces.begin(), pieces.end(), [](const Piece& a, const Piece& b) { return a.size > b.size; });

    DrapedSurface surface(geos, latticeStep, [&frame](double lon, double lat) { return frame.terrainElevation(lon, lat); });
    osg::ref_ptr<FeatureSpans> spans = new FeatureSpans;
    for (Piece& piece : pieces)
    {
        piece.colour.a() = rankOf(piece.size);
        spans->add(static_cast<unsigned>(surface.vertexCount()), piece.feature);
        surface.add(*piece.polygon, piece.colour);
    }
    osg::ref_ptr<osg::Geometry> geometry = surface.build(frame, 0.0);
    if (!geometry)
        return nullptr;
    geometry->setUserData(spans.get());
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(geometry.get());
    return geode;
}
