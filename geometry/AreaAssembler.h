#pragma once

#include "geometry/AreaPolygon.h"
#include "osm/RelationGeometry.h"

#include <optional>
#include <vector>

class GeosContext;

// Assembles mapped areas into polygons with holes: ways are joined into rings
// whichever way they run, rings nested inside rings become holes (and rings inside
// holes areas again), rings that touch at a node stay apart. The thread that owns
// the GEOS context calls it.
class AreaAssembler
{
public:
    explicit AreaAssembler(const GeosContext& geos);

    // The outer and inner way members of a multipolygon (an empty role counts as
    // outer; other roles and members are left out). Nothing when the ways do not close
    // into rings, a member way is missing, or no area results.
    std::optional<std::vector<AreaPolygon>> fromRelation(const RelationGeometry& relation) const;
    // The same for ways without roles: nesting alone decides what is a hole.
    std::optional<std::vector<AreaPolygon>> fromWays(const std::vector<std::vector<OsmNode>>& ways) const;
    std::optional<std::vector<AreaPolygon>> fromClosedWay(const std::vector<OsmNode>& way) const;

private:
    const GeosContext& geos;
};
