#pragma once

#include "geometry/AreaPolygon.h"
#include "geometry/GeosContext.h"
#include "osm/NodeBounds.h"
#include "osm/TaggedWay.h"

#include <vector>

// The sea of an extract, from its coastline ways: land lies on the left of a
// coastline, water on its right. Coastlines cut at the extract's edge are carried on
// to the edge of the box and closed along it; closed coastlines (islands) cut holes.
// A coastline that ends inside the box, or sides that contradict each other, flood
// nothing: such a coastline is named in one warning and no sea is drawn from the part
// of the box it lies in. Called on the thread that owns the GEOS context.
class CoastlineSea
{
public:
    explicit CoastlineSea(const GeosContext& geos);

    // The sea polygons within the box: the extract's bounds widened to every
    // coastline node.
    std::vector<AreaPolygon> seaPolygons(const std::vector<TaggedWay>& coastlines, NodeBounds box) const;

private:
    struct Chains;

    Chains joinedChains(const std::vector<TaggedWay>& coastlines, const NodeBounds& box) const;
    GeosContext::Geometry boxFaces(const Chains& chains, const NodeBounds& box) const;

    const GeosContext& geos;
};
