#pragma once

#include "geometry/Building.h"
#include "geometry/BuildingFeature.h"
#include "geometry/FeatureSpans.h"
#include "geometry/RoofMesh.h"

#include <osg/Array>
#include <osg/Geometry>
#include <osg/PrimitiveSet>
#include <osg/ref_ptr>

#include <memory>
#include <vector>

class LocalFrame;
struct BuildingColours;
struct BuildingHeights;
struct RoofShape;

// Builds the Building node of one cell: each feature becomes walls on every ring
// of its footprint, from its bottom up to where they meet its roof, and its roof,
// all in the scene's local frame. Far off, a pitched building is drawn on its
// footprint simplified: a pitched roof's triangles grow three times as fast with the
// footprint's corners as a flat one's. Used on one thread at a time (the one that
// generates).
class BuildingBuilder
{
public:
    explicit BuildingBuilder(const LocalFrame& frame);
    ~BuildingBuilder();

    // A footprint without area (fewer than three distinct points) adds nothing.
    void add(const BuildingFeature& feature);
    // The node holding everything added so far; the builder is spent.
    osg::ref_ptr<Building> finish();

private:
    struct Placement;
    struct Surface;
    struct Shell;

    double baseAltitude(const std::vector<OsmNode>& outer) const;
    Placement placementOf(const osg::Vec3f& origin, const OsmNode& first) const;
    osg::ref_ptr<osg::Vec3Array> localRing(const std::vector<OsmNode>& ring, double altitude) const;
    std::vector<osg::Vec2d> planarRing(const osg::Vec3Array& local, const Placement& placement) const;
    bool addCoarse(const FootprintRings& rings, const RoofShape& shape, const BuildingHeights& heights,
                   const Placement& placement, const BuildingColours& colours);
    void addFarAsNear(osg::DrawElementsUInt& farRoofs, osg::DrawElementsUInt& farWalls) const;

    const LocalFrame* frame;
    std::unique_ptr<Shell> near, coarse;
    std::vector<Building::Drawn> drawn;
    // Whether each drawn building has a coarse shell for far off.
    std::vector<bool> simplified;
    // Which building each vertex belongs to, for picking.
    osg::ref_ptr<FeatureSpans> roofSpans = new FeatureSpans, wallSpans = new FeatureSpans;
};
