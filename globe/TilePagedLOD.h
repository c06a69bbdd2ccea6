#pragma once

#include <osg/PagedLOD>

namespace globe
{
// A terrain tile whose finer children are paged in by the database pager.
// With quick release, the GL objects of children the pager expires are freed
// at once rather than when the pager gets round to deleting them.
class TilePagedLOD : public osg::PagedLOD
{
public:
    explicit TilePagedLOD(bool quickReleaseGLObjects) : _quickReleaseGLObjects(quickReleaseGLObjects) {}

    bool removeExpiredChildren(double expiryTime, unsigned int expiryFrame, osg::NodeList& removedChildren) override;

private:
    bool _quickReleaseGLObjects;
};
} // namespace globe
