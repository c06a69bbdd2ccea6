#pragma once

#include "osm/WayGeometry.h"
#include "osm/WayInfo.h"

#include <osg/Array>
#include <osg/Geode>
#include <osg/Geometry>
#include <osg/ref_ptr>

#include <vector>

class LocalFrame;

// The street ways of one kind in one grid cell: one line strip per way, a little
// above the terrain, in the scene's local frame. Two-node bridges become a flat arch.
// The street program widens the strips into ribbons, each as wide as its way's
// width attribute. Built on the data thread, drawn on the thread that draws.
class Streets : public osg::Geode
{
public:
    // The generic vertex attribute holding each vertex's ribbon width in metres: one
    // that no driver aliases with a built-in array (0, 2 to 5, and 8 up are taken).
    static constexpr unsigned widthAttribute = 6;

    // widths: one per way, in metres.
    Streets(std::vector<WayGeometry> ways, std::vector<WayInfo> infos, const std::vector<float>& widths,
            const LocalFrame& frame, double heightOffset);

    osg::ref_ptr<osg::Vec3Array> streetPolyline(WayGeometry way, bool bridge) const;

    osg::Geometry* getGeometry() const { return geometry.get(); }
    double getHeightOffset() const { return heightOffset; }

protected:
    ~Streets() override;

private:
    bool isBridge(const WayGeometry& way) const;
    std::vector<osg::Vec3d> bridgeArch(const WayGeometry& way) const;
    std::vector<osg::Vec3d> terrainLine(const WayGeometry& way) const;

    std::vector<WayGeometry> ways;
    std::vector<WayInfo> infos;
    const LocalFrame* frame;
    osg::ref_ptr<osg::Geometry> geometry;
    double heightOffset;
};
