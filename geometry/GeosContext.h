#pragma once

#include "geometry/AreaPolygon.h"

#include <geos_c.h>

#include <memory>
#include <vector>

// A GEOS handle and the conversions between mapped nodes and GEOS geometries, in
// degrees (x longitude, y latitude). A context belongs to one thread at a time.
class GeosContext
{
public:
    struct Destroy
    {
        GEOSContextHandle_t handle;
        void operator()(GEOSGeometry* geometry) const { GEOSGeom_destroy_r(handle, geometry); }
    };
    using Geometry = std::unique_ptr<GEOSGeometry, Destroy>;
    // A polygon's rings as x, y pairs, the outline first, then the holes.
    using Rings = std::vector<std::vector<double>>;

    GeosContext();
    ~GeosContext();
    GeosContext(const GeosContext&) = delete;
    GeosContext& operator=(const GeosContext&) = delete;

    GEOSContextHandle_t handle() const { return context; }
    // Takes ownership of what a GEOS call returned; null stays null.
    Geometry own(GEOSGeometry* geometry) const;

    // Null with fewer than two nodes.
    Geometry lineString(const std::vector<OsmNode>& nodes) const;
    Geometry lineString(const std::vector<double>& xy) const;
    // Null when the outline has fewer than four nodes or GEOS refuses it; such holes
    // are left out.
    Geometry polygon(const AreaPolygon& polygon) const;
    Geometry polygon(const Rings& rings) const;
    // A collection of the parts (null ones left out); it takes them over.
    Geometry collection(int type, std::vector<Geometry> parts) const;

    // The polygons of a polygonal geometry (a polygon, a multipolygon or a collection
    // of them); the nodes have no ids.
    std::vector<AreaPolygon> polygons(const GEOSGeometry* geometry) const;
    std::vector<Rings> polygonRings(const GEOSGeometry* geometry) const;
    // The x, y pairs of a line or ring.
    std::vector<double> coordinates(const GEOSGeometry* line) const;
    bool isEmpty(const GEOSGeometry* geometry) const;

private:
    GEOSGeometry* ring(const std::vector<double>& xy) const;

    GEOSContextHandle_t context;
};
