#include "geometry/BuildingColours.h"

#include "geometry/ColourTag.h"
#include "osm/KeptTags.h"

#include <string_view>
#include <utility>

namespace
{
// Our choice of what each material looks like, lit by day.
const std::pair<std::string_view, osg::Vec3f> materialColours[] = {
    {"brick", {0.66f, 0.33f, 0.25f}},      {"concrete", {0.75f, 0.74f, 0.72f}},
    {"glass", {0.55f, 0.68f, 0.76f}},      {"stone", {0.78f, 0.74f, 0.66f}},
    {"wood", {0.60f, 0.45f, 0.30f}},       {"metal", {0.62f, 0.64f, 0.67f}},
    {"steel", {0.62f, 0.64f, 0.67f}},      {"plaster", {0.93f, 0.90f, 0.84f}},
    {"sandstone", {0.85f, 0.75f, 0.55f}},  {"limestone", {0.88f, 0.85f, 0.76f}},
    {"marble", {0.92f, 0.91f, 0.88f}},     {"roof_tiles", {0.72f, 0.33f, 0.22f}},
    {"tiles", {0.72f, 0.33f, 0.22f}},      {"tile", {0.72f, 0.33f, 0.22f}},
    {"slate", {0.33f, 0.35f, 0.38f}},      {"copper", {0.45f, 0.65f, 0.55f}},
    {"grass", {0.45f, 0.60f, 0.30f}},      {"thatch", {0.70f, 0.60f, 0.40f}},
    {"asphalt", {0.30f, 0.30f, 0.30f}},    {"tar_paper", {0.30f, 0.30f, 0.30f}},
    {"gravel", {0.60f, 0.58f, 0.55f}},     {"plastic", {0.85f, 0.85f, 0.82f}},
};
const osg::Vec3f pitchedRoofTiles(0.72f, 0.33f, 0.22f);

bool readMaterial(std::string_view material, osg::Vec3f& colour)
{
    for (const auto& known : materialColours)
        if (material == known.first)
        {
            colour = known.second;
            return true;
        }
    return false;
}

osg::Vec4f mapped(const osg::Vec3f& colour)
{
    return osg::Vec4f(colour, 1.0f);
}

// Alpha 0: the scheme's colour.
const osg::Vec4f unmapped(1.0f, 1.0f, 1.0f, 0.0f);

osg::Vec4f colourOf(const Tags& tags, std::string_view colourKey, std::string_view materialKey)
{
    osg::Vec3f colour;
    if (readColourTag(tagValue(tags, colourKey), colour) || readMaterial(tagValue(tags, materialKey), colour))
        return mapped(colour);
    return unmapped;
}
} // namespace

BuildingColours BuildingColours::read(const Tags& tags, bool pitchedRoof)
{
    BuildingColours colours;
    colours.walls = colourOf(tags, "building:colour", "building:material");
    colours.roof = colourOf(tags, "roof:colour", "roof:material");
    if (colours.roof.a() == 0.0f && pitchedRoof)
        colours.roof = mapped(pitchedRoofTiles);
    return colours;
}
