#pragma once

#include "geometry/RoofMesh.h"
#include "geometry/RoofShape.h"

// Roofs from footprints. Pure functions of their arguments: any thread may call them.

// The roof of the shape, roofHeight from the eaves to its top. Gabled-like and
// hipped-like shapes are built on the footprint's frame when it is a convex quadrilateral
// without holes, else gabled, hipped and mansard roofs come from the footprint's
// straight skeleton (the other gabled-like shapes fall back to gabled ones there);
// pyramidal, cone, dome and onion rise around the centroid of a footprint without
// holes; skillion takes any footprint. An empty mesh when the shape cannot be built
// on this footprint: the caller draws it flat.
RoofMesh buildRoof(const FootprintRings& rings, const RoofShape& shape, double roofHeight);

// The footprint itself, holes open, at the eaves.
RoofMesh flatRoof(const FootprintRings& rings);

// What a shape rises when no roof height is tagged: a storey for pitched roofs,
// half the footprint's narrow extent for round ones, nothing for a flat one.
double defaultRoofHeight(const FootprintRings& rings, RoofShape::Kind kind);
