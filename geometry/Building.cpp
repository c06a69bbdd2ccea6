#include "geometry/Building.h"

Building::Building(osg::ref_ptr<osg::Geometry> roofs, osg::ref_ptr<osg::Geometry> walls, std::vector<Drawn> drawn_)
    : roofGeometry(std::move(roofs)), wallGeometry(std::move(walls)), drawn(std::move(drawn_))
{
    addDrawable(roofGeometry.get());
    addDrawable(wallGeometry.get());
}

Building::~Building() = default;
