#pragma once

#include "geometry/SkeletonFace.h"

#include <osg/Vec2d>

#include <vector>

// The straight skeleton of one simple ring in plain double precision, checked before it
// is handed out. Any thread may call it.

// The faces of a counter-clockwise simple ring's interior skeleton, the one over the edge
// from ring[i] to ring[i + 1] at i, starting with that edge. Empty when the wavefront
// cannot be followed to its end or the faces fail their checks: each face simple, inside
// the ring and one plane rising at unit slope from its edge, all of them tiling the ring.
std::vector<SkeletonFace> wavefrontSkeleton(const std::vector<osg::Vec2d>& ring);
