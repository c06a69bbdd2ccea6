#pragma once

#include <osg/Vec4f>

#include <string>

namespace globe
{
// Tuning of the terrain engine.
struct TerrainOptions
{
    std::string driver = "mp";
    // Skirt depth as a fraction of the tile's width; skirts hide cracks between levels.
    float skirtRatio = 0.05f;
    // Release a paged-out tile's GL objects at once instead of with its deletion.
    bool quickReleaseGLObjects = true;
    osg::Vec4f color = osg::Vec4f(1.0f, 1.0f, 1.0f, 1.0f);

    // The general terrain options, in this order: two floats, two unsigned, two flags.
    // Seconds a tile's children stay loaded after they were last drawn.
    float minExpiryTime = 1.0f;
    // Skirts are never shallower than this, in metres.
    float minSkirtHeight = 10.0f;
    // Grid cells along a tile's edge.
    unsigned tileSize = 16;
    // Level of the root tiles that are always present (level 0 is two 180 degree tiles).
    unsigned firstLOD = 2;
    // Terrain lit by light 0; otherwise drawn in its plain colour.
    bool enableLighting = true;
    // Blend the terrain with what lies behind it using the colour's alpha.
    bool enableBlending = false;

    // Engine tuning beyond those.
    // A tile splits when the eye is nearer than this many times its bounding radius.
    float minTileRangeFactor = 4.0f;
    // Deepest level; 0 derives it from the finest elevation layer's resolution.
    unsigned maxLOD = 0;
};
} // namespace globe
