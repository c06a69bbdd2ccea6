#include "geometry/BuildingHeights.h"

#include "geometry/TagNumber.h"
#include "osm/KeptTags.h"

#include <algorithm>

namespace
{
const double metresPerLevel = 3.0;

double levelsMetres(std::string_view text)
{
    return tagMetres(text) * metresPerLevel;
}

double roofHeightOf(const Tags& tags, double defaultRoofHeight, bool flatRoof)
{
    if (flatRoof)
        return 0.0;
    if (const double tagged = tagLength(tagValue(tags, "roof:height")); tagged > 0.0)
        return tagged;
    if (const double levels = levelsMetres(tagValue(tags, "roof:levels")); levels > 0.0)
        return levels;
    return std::max(defaultRoofHeight, 0.0);
}

// The height of the walls when only levels or the size rule are known.
double wallHeightOf(const Tags& tags, const WayInfo& record, double sizeRuleHeight)
{
    if (const double levels = levelsMetres(tagValue(tags, "building:levels")); levels > 0.0)
        return levels;
    if (record.levels > 0)
        return record.levels * metresPerLevel;
    return sizeRuleHeight;
}
} // namespace

BuildingHeights BuildingHeights::read(const Tags& tags, const WayInfo& record, double sizeRuleHeight,
                                      double defaultRoofHeight, bool flatRoof)
{
    BuildingHeights heights;
    heights.bottom = tagLength(tagValue(tags, "min_height"));
    if (heights.bottom <= 0.0)
        heights.bottom = levelsMetres(tagValue(tags, "building:min_level"));
    const double roof = roofHeightOf(tags, defaultRoofHeight, flatRoof);

    double height = tagLength(tagValue(tags, "height"));
    if (height <= 0.0)
        height = tagLength(record.height);
    if (height > 0.0)
    {
        heights.top = height;
        heights.eaves = std::max(heights.bottom, height - roof);
    }
    else
    {
        heights.eaves = std::max(heights.bottom, wallHeightOf(tags, record, sizeRuleHeight));
        heights.top = heights.eaves + roof;
    }
    heights.bottom = std::min(heights.bottom, heights.top);
    return heights;
}
