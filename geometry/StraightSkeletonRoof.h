#pragma once

#include "geometry/RoofMesh.h"

// Hipped and gabled roofs over any simple footprint, holes included, from the
// footprint's straight skeleton: our own for a single ring when it passes its checks,
// else CGAL's. Any thread may call it.

// Appends the roof to mesh: every face rises from its footprint edge at one slope,
// the top roofHeight above the eaves. gabled turns the end faces (triangles under a
// ridge end of their own) into vertical gable walls. False, the mesh untouched,
// when the footprint is not simple or the skeleton cannot be built.
bool addSkeletonRoof(const FootprintRings& rings, double roofHeight, bool gabled, RoofMesh& mesh);
