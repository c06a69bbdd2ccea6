#pragma once

#include "osm/OsmNode.h"

#include <osg/Referenced>

#include <utility>
#include <vector>

namespace osg
{
class Drawable;
}

// What a mapped feature is drawn as, for telling the user what was picked.
enum class FeatureKind
{
    Building,
    BuildingPart,
    Street,
    Water,
    LandCover
};

// Which mapped feature each run of a merged drawable's vertices comes from, so that
// a hit on the drawable names its feature while a cell keeps one drawable for many
// features. Kept as the drawable's user data. Filled by the thread that builds the
// drawable, read by any thread once the drawable is handed over.
class FeatureSpans : public osg::Referenced
{
public:
    struct Feature
    {
        FeatureKind kind = FeatureKind::Building;
        OsmType type = OsmType::Way;
        OsmId id = 0;
    };

    // The spans of the drawable, made and attached if it has none.
    static FeatureSpans& of(osg::Drawable& drawable);
    // The drawable's spans, or null.
    static const FeatureSpans* find(const osg::Drawable& drawable);

    // Vertices from first on, up to the next span's first, belong to feature. Spans
    // are added in increasing order of their first vertex.
    void add(unsigned first, const Feature& feature);
    // Vertices from end on belong to no feature; the last run stops there.
    void endAt(unsigned end);

    // The feature the vertex belongs to; null before the first span.
    const Feature* featureOf(unsigned vertex) const;
    // The vertices [first, end) of the run that holds the vertex; end is vertexCount
    // for the last run. (0, 0) before the first span.
    std::pair<unsigned, unsigned> runOf(unsigned vertex, unsigned vertexCount) const;

    // The vertices [first, end) of the feature's first run; (0, 0) when it has none.
    std::pair<unsigned, unsigned> runOf(OsmType type, OsmId id, unsigned vertexCount) const;

protected:
    ~FeatureSpans() override;

private:
    using Spans = std::vector<std::pair<unsigned, Feature>>;
    // The first span that begins after the vertex.
    Spans::const_iterator spanAfter(unsigned vertex) const;

    Spans spans;
    unsigned end = ~0u;
};
