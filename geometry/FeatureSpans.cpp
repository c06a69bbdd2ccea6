#include "geometry/FeatureSpans.h"

#include <osg/Drawable>

#include <algorithm>

FeatureSpans::~FeatureSpans() = default;

FeatureSpans& FeatureSpans::of(osg::Drawable& drawable)
{
    if (auto* spans = dynamic_cast<FeatureSpans*>(drawable.getUserData()))
        return *spans;
    auto* spans = new FeatureSpans;
    drawable.setUserData(spans);
    return *spans;
}

const FeatureSpans* FeatureSpans::find(const osg::Drawable& drawable)
{
    return dynamic_cast<const FeatureSpans*>(drawable.getUserData());
}

void FeatureSpans::add(unsigned first, const Feature& feature)
{
    spans.emplace_back(first, feature);
}

void FeatureSpans::endAt(unsigned end_)
{
    end = end_;
}

FeatureSpans::Spans::const_iterator FeatureSpans::spanAfter(unsigned vertex) const
{
    return std::upper_bound(spans.begin(), spans.end(), vertex,
                            [](unsigned v, const auto& span) { return v < span.first; });
}

const FeatureSpans::Feature* FeatureSpans::featureOf(unsigned vertex) const
{
    const auto after = spanAfter(vertex);
    return after == spans.begin() || vertex >= end ? nullptr : &std::prev(after)->second;
}

std::pair<unsigned, unsigned> FeatureSpans::runOf(unsigned vertex, unsigned vertexCount) const
{
    const auto after = spanAfter(vertex);
    if (after == spans.begin() || vertex >= end)
        return {0, 0};
    return {std::prev(after)->first, after == spans.end() ? std::min(vertexCount, end) : after->first};
}

std::pair<unsigned, unsigned> FeatureSpans::runOf(OsmType type, OsmId id, unsigned vertexCount) const
{
    const auto found = std::find_if(spans.begin(), spans.end(), [&](const auto& span) {
        return span.second.type == type && span.second.id == id;
    });
    if (found == spans.end())
        return {0, 0};
    return {found->first, std::next(found) == spans.end() ? std::min(vertexCount, end) : std::next(found)->first};
}
