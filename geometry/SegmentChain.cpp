#include "geometry/SegmentChain.h"

#include <iostream>

bool SegmentChain::chainSegments()
{
    chain.clear();
    chained = false;
    if (segments.empty())
        return false;
    chain.push_back(segments.front());
    for (std::size_t step = 1; step < segments.size(); ++step)
    {
        osg::Vec3Array* next = findSuccessor(chain.back().get());
        if (next == nullptr)
        {
            std::cout << " Sorst failed! " << std::endl;
            return false;
        }
        chain.push_back(next);
    }
    chained = true;
    return true;
}

osg::Vec3Array* SegmentChain::findSuccessor(const osg::Vec3Array* segment) const
{
    if (segment == nullptr || segment->empty())
        return nullptr;
    const osg::Vec3& end = segment->back();
    for (const auto& candidate : segments)
    {
        if (candidate.get() == segment || candidate->empty())
            continue;
        if (candidate->back() == end || candidate->front() == end)
            return candidate.get();
    }
    return nullptr;
}

osg::ref_ptr<osg::Vec3Array> SegmentChain::joinedVertices() const
{
    osg::ref_ptr<osg::Vec3Array> joined = new osg::Vec3Array;
    for (const auto& segment : chained ? chain : segments)
        joined->insert(joined->end(), segment->begin(), segment->end());
    return joined;
}
