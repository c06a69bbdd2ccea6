#pragma once

#include "osm/TaggedNode.h"
#include "osm/TaggedWay.h"

#include <osg/Array>
#include <osg/Geode>
#include <osg/Geometry>
#include <osg/Vec3f>
#include <osg/ref_ptr>

#include <cstddef>
#include <vector>

class LocalFrame;

// The trees of one grid cell: single trees and trees planted along tree rows, each a
// trunk and a crown of a few flat faces standing on the terrain, in the scene's local
// frame. All of them share one drawable with per-vertex normals and colours, so a
// cell costs one draw call however many trees it has. Size and colour vary a little
// per tree, the same on every build. Built on the data thread, drawn on the thread
// that draws.
class Trees : public osg::Geode
{
public:
    Trees(const std::vector<TaggedNode>& trees, const std::vector<TaggedWay>& rows, const LocalFrame& frame);

    std::size_t treeCount() const { return planted; }
    osg::Geometry* getGeometry() const { return geometry.get(); }

protected:
    ~Trees() override;

private:
    struct Spot;
    struct Shape;

    static std::vector<Spot> spotsAlong(const TaggedWay& row);
    static Shape shapeOf(const Spot& spot);
    void addTree(const Shape& shape, const osg::Vec3f& ground, const osg::Vec3f& up);
    void addTriangle(const osg::Vec3f& a, const osg::Vec3f& b, const osg::Vec3f& c, const osg::Vec4f& colour);

    osg::ref_ptr<osg::Geometry> geometry;
    osg::ref_ptr<osg::Vec3Array> vertices;
    osg::ref_ptr<osg::Vec3Array> normals;
    osg::ref_ptr<osg::Vec4Array> colours;
    std::size_t planted = 0;
};
