#pragma once

#include "geometry/Building.h"
#include "geometry/BuildingFeature.h"
#include "geometry/FeatureSpans.h"
#include "geometry/RoofMesh.h"

#include <osg/Array>
#include <osg/Geometry>
#include <osg/PrimitiveSet>
#include <osg/ref_ptr>

#include <vector>

class LocalFrame;

// Builds the Building node of one cell: each feature becomes walls on every ring
// of its footprint, from its bottom up to where they meet its roof, and its roof,
// all in the scene's local frame. Used on one thread at a time (the one that
// generates).
class BuildingBuilder
{
public:
    explicit BuildingBuilder(const LocalFrame& frame);

    // A footprint without area (fewer than three distinct points) adds nothing.
    void add(const BuildingFeature& feature);
    // The node holding everything added so far; the builder is spent.
    osg::ref_ptr<Building> finish();

private:
    struct Placement;

    double baseAltitude(const std::vector<OsmNode>& outer) const;
    Placement placementOf(const osg::Vec3f& origin, const OsmNode& first) const;
    osg::ref_ptr<osg::Vec3Array> localRing(const std::vector<OsmNode>& ring, double altitude) const;
    std::vector<osg::Vec2d> planarRing(const osg::Vec3Array& local, const Placement& placement) const;
    void addWalls(const FootprintRings& rings, const std::vector<std::vector<double>>& tops, double bottom,
                  double eaves, const Placement& placement, const osg::Vec4f& colour);
    void addRoofMesh(const RoofMesh& mesh, double lift, const Placement& placement, const osg::Vec4f& roofColour,
                     const osg::Vec4f& wallColour);
    void addUnderside(const FootprintRings& rings, double bottom, const Placement& placement,
                      const osg::Vec4f& colour);

    const LocalFrame* frame;
    osg::ref_ptr<osg::Vec3Array> roofVertices, roofNormals, wallVertices, wallNormals;
    osg::ref_ptr<osg::Vec4Array> roofColours, wallColours;
    osg::ref_ptr<osg::DrawElementsUInt> roofTriangles;
    std::vector<Building::Drawn> drawn;
    // Which building each vertex belongs to, for picking.
    osg::ref_ptr<FeatureSpans> roofSpans = new FeatureSpans, wallSpans = new FeatureSpans;
};
