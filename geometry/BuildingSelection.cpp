#include "geometry/BuildingSelection.h"

#include "osm/KeptTags.h"
#include "osm/NodeBounds.h"

#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace
{
const std::string_view inheritedKeys[] = {"building:colour", "roof:colour", "building:material", "roof:material"};

NodeBounds boundsOf(const std::vector<OsmNode>& ring)
{
    NodeBounds bounds;
    for (const OsmNode& node : ring)
        bounds.widen(node);
    return bounds;
}

bool holds(const NodeBounds& outer, const NodeBounds& inner)
{
    return outer.valid && inner.valid && outer.minLon <= inner.minLon && inner.maxLon <= outer.maxLon &&
           outer.minLat <= inner.minLat && inner.maxLat <= outer.maxLat;
}

// The middle of the ring's area in degrees; the middle of its bounds for a ring without area.
void centroidOf(const std::vector<OsmNode>& ring, double& lon, double& lat)
{
    double area = 0.0, sumLon = 0.0, sumLat = 0.0;
    for (std::size_t i = 0; i + 1 < ring.size(); ++i)
    {
        const double x0 = ring[i].lon - ring[0].lon, y0 = ring[i].lat - ring[0].lat;
        const double x1 = ring[i + 1].lon - ring[0].lon, y1 = ring[i + 1].lat - ring[0].lat;
        const double a = x0 * y1 - x1 * y0;
        area += a;
        sumLon += (x0 + x1) * a;
        sumLat += (y0 + y1) * a;
    }
    const NodeBounds bounds = boundsOf(ring);
    lon = area != 0.0 ? ring[0].lon + sumLon / (3.0 * area) : 0.5 * (bounds.minLon + bounds.maxLon);
    lat = area != 0.0 ? ring[0].lat + sumLat / (3.0 * area) : 0.5 * (bounds.minLat + bounds.maxLat);
}

bool ringHolds(const std::vector<OsmNode>& ring, double lon, double lat)
{
    bool inside = false;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++)
    {
        const double xi = ring[i].lon, yi = ring[i].lat, xj = ring[j].lon, yj = ring[j].lat;
        if ((yi > lat) != (yj > lat) && lon < (xj - xi) * (lat - yi) / (yj - yi) + xi)
            inside = !inside;
    }
    return inside;
}

// A part lies in an outline when its bounds do and the middle of its area does.
class Containment
{
public:
    explicit Containment(const std::vector<TaggedWay>& parts)
    {
        for (const TaggedWay& part : parts)
        {
            Placed placed{boundsOf(part.way.nodes), 0.0, 0.0};
            centroidOf(part.way.nodes, placed.lon, placed.lat);
            placedParts.push_back(placed);
        }
    }

    bool holdsAnyPart(const std::vector<OsmNode>& outline) const
    {
        const NodeBounds bounds = boundsOf(outline);
        for (const Placed& part : placedParts)
            if (holds(bounds, part.bounds) && ringHolds(outline, part.lon, part.lat))
                return true;
        return false;
    }

private:
    struct Placed
    {
        NodeBounds bounds;
        double lon, lat;
    };
    std::vector<Placed> placedParts;
};

bool isPart(const Tags& tags)
{
    return !tagValue(tags, "building:part").empty();
}

std::unordered_set<OsmId> relationOutlines(const std::vector<RelationGeometry>& relations)
{
    std::unordered_set<OsmId> outlines;
    for (const RelationGeometry& relation : relations)
    {
        // A multipolygon building is drawn from its assembled rings, not way by way.
        const bool multipolygon = BuildingSelection::isMultipolygonBuilding(relation);
        if (tagValue(relation.tags, "type") != "building" && !multipolygon)
            continue;
        for (const RelationGeometry::Member& member : relation.members)
            if (member.type == OsmType::Way && (multipolygon || member.role == "outline"))
                outlines.insert(member.ref);
    }
    return outlines;
}

// The part's tags, with the colours and materials it does not tag from the outline it lies in.
Tags inheritedTags(const TaggedWay& part, const std::vector<const TaggedWay*>& outlines)
{
    Tags tags = part.tags;
    const Containment single({part});
    for (const TaggedWay* outline : outlines)
    {
        if (!single.holdsAnyPart(outline->way.nodes))
            continue;
        for (std::string_view key : inheritedKeys)
        {
            const std::string_view value = tagValue(outline->tags, key);
            if (!value.empty() && tagValue(tags, key).empty())
                tags.emplace_back(key, value);
        }
        break;
    }
    return tags;
}

BuildingFeature featureOf(TaggedWay& way, Tags tags, const WayInfo& record)
{
    BuildingFeature feature;
    feature.id = way.way.id;
    feature.footprint.outer = std::move(way.way.nodes);
    feature.tags = std::move(tags);
    feature.record = record;
    return feature;
}
} // namespace

std::vector<BuildingFeature> BuildingSelection::takeFeatures()
{
    // The parts' colours first: the buildings' nodes move into their features below.
    std::vector<const TaggedWay*> candidateOutlines;
    for (const std::vector<TaggedWay>* ways : {&buildings, &nearbyBuildings})
        for (const TaggedWay& building : *ways)
            if (!isPart(building.tags))
                candidateOutlines.push_back(&building);
    std::vector<Tags> partTags;
    for (const TaggedWay& part : parts)
        partTags.push_back(inheritedTags(part, candidateOutlines));

    std::unordered_map<OsmId, const WayInfo*> recordOf;
    for (const WayInfo& record : records)
        recordOf[record.wayId] = &record;
    const std::unordered_set<OsmId> outlines = relationOutlines(nearbyRelations);
    const Containment containment(nearbyParts);
    std::vector<BuildingFeature> drawn;
    for (TaggedWay& building : buildings)
    {
        if (isPart(building.tags) || outlines.count(building.way.id) ||
            (!nearbyParts.empty() && containment.holdsAnyPart(building.way.nodes)))
            continue;
        const auto record = recordOf.find(building.way.id);
        drawn.push_back(featureOf(building, building.tags, record == recordOf.end() ? WayInfo() : *record->second));
    }
    for (std::size_t i = 0; i < parts.size(); ++i)
        drawn.push_back(featureOf(parts[i], std::move(partTags[i]), WayInfo()));
    return drawn;
}

bool BuildingSelection::isMultipolygonBuilding(const RelationGeometry& relation)
{
    return tagValue(relation.tags, "type") == "multipolygon" &&
           (!tagValue(relation.tags, "building").empty() || !tagValue(relation.tags, "building:part").empty());
}
