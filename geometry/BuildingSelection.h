#pragma once

#include "geometry/BuildingFeature.h"
#include "osm/RelationGeometry.h"
#include "osm/TaggedWay.h"
#include "osm/WayInfo.h"

#include <vector>

// Which buildings and building parts one cell draws. Any thread may use one it owns.
//
// Parts (building:part ways) are drawn with their own tags, in the cell of their
// first node; from the outline they lie in they take only what they do not tag:
// building:colour, roof:colour and the two materials. An outline is not drawn when
// a part lies inside it or when it is the outline of a type=building relation; a
// building way that is itself a part is drawn once, as a part. Members of a
// relation's "part" role that are not building:part ways have no tags of their own
// here and are not drawn for it.
struct BuildingSelection
{
    std::vector<TaggedWay> buildings;
    std::vector<WayInfo> records;
    std::vector<TaggedWay> parts;
    // Parts and building relations of the cells the cell's buildings reach into, and
    // the buildings of the cells around its parts: what decides outlines and colours.
    std::vector<TaggedWay> nearbyParts;
    std::vector<RelationGeometry> nearbyRelations;
    std::vector<TaggedWay> nearbyBuildings;

    // Buildings first, in their order, then parts; the ways move into the features.
    std::vector<BuildingFeature> takeFeatures();

    // A building mapped as a multipolygon: drawn from its assembled rings (a courtyard
    // stays open), its member ways not drawn one by one.
    static bool isMultipolygonBuilding(const RelationGeometry& relation);
};
