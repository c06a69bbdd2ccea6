#pragma once

#include "geometry/FeaturePick.h"

#include <osg/Node>
#include <osg/ref_ptr>

// A node that marks a picked feature in the view: its own triangles (or its street
// ribbon, a little wider) drawn over it in a translucent highlight colour, placed
// with the pick's matrix so it goes beside the scene's own nodes. Built from the
// drawable the pick names; same threads as pickFeature.
osg::ref_ptr<osg::Node> featureHighlight(const FeaturePick& pick);
