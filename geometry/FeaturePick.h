#pragma once

#include "geometry/FeatureSpans.h"

#include <osg/Matrixd>
#include <osg/Vec3d>
#include <osg/observer_ptr>

#include <optional>

namespace osg
{
class Geometry;
class Node;
} // namespace osg

// The mapped feature a ray meets first, and where it is drawn: the drawable, its run
// of vertices and the drawable's matrix to the scene's coordinates.
struct FeaturePick
{
    FeatureSpans::Feature feature;
    osg::observer_ptr<osg::Geometry> geometry;
    unsigned firstVertex = 0;
    unsigned endVertex = 0;
    osg::Matrixd toScene;
    osg::Vec3d point; // where the ray meets it, in the scene's coordinates
};

// The feature whose surface (a building's walls and roof, a water or land cover area)
// or street ribbon the segment from start to end meets first; the segment is in the
// coordinates of scene. Geometry without feature spans in front (a tree) hides what
// lies behind it. Streets are met as the flat ribbons their program draws, as wide as
// their width attribute. Call it from one thread at a time that may read the scene:
// the drawing thread, or any thread for a scene that is not drawn.
std::optional<FeaturePick> pickFeature(osg::Node& scene, const osg::Vec3d& start, const osg::Vec3d& end);

// Where the feature is drawn in the scene, for selecting it without a ray; the point
// is the middle of its vertices. Same threads as pickFeature.
std::optional<FeaturePick> findFeature(osg::Node& scene, OsmType type, OsmId id);
