#pragma once

#include "osm/OsmNode.h"

#include <osg/Geode>
#include <osg/Geometry>
#include <osg/ref_ptr>

#include <optional>
#include <vector>

// The buildings of one grid cell: all roofs (gable walls and the undersides of
// floating parts included) in the first drawable, all walls in the second, each
// with a normal and a mapped colour per vertex. Built by BuildingBuilder on the
// thread that generates, then only read (by the thread that draws).
class Building : public osg::Geode
{
public:
    // Where one building's primitives lie: its roof triangles' indices and its wall
    // quads' vertices, each a contiguous range.
    struct Drawn
    {
        OsmId id = 0;
        unsigned firstRoofIndex = 0;
        unsigned roofIndexCount = 0;
        unsigned firstWallVertex = 0;
        unsigned wallVertexCount = 0;
    };

    Building(osg::ref_ptr<osg::Geometry> roofs, osg::ref_ptr<osg::Geometry> walls, std::vector<Drawn> drawn);

    osg::Geometry* roofs() const { return roofGeometry.get(); }
    osg::Geometry* walls() const { return wallGeometry.get(); }
    const std::vector<Drawn>& drawnBuildings() const { return drawn; }

    // How a building stands as drawn, heights along the local frame's z: the foot of
    // its walls, where they meet the roof (their top), and the roof's top.
    struct Heights
    {
        double bottom = 0.0;
        double eaves = 0.0;
        double top = 0.0;
    };
    // Nothing when the building is not drawn here.
    std::optional<Heights> heightsOf(OsmType type, OsmId id) const;

protected:
    ~Building() override;

private:
    osg::ref_ptr<osg::Geometry> roofGeometry;
    osg::ref_ptr<osg::Geometry> wallGeometry;
    std::vector<Drawn> drawn;
};
