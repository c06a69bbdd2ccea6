#include "globe/TilePagedLOD.h"

namespace globe
{
bool TilePagedLOD::removeExpiredChildren(double expiryTime, unsigned int expiryFrame, osg::NodeList& removedChildren)
{
    const size_t before = removedChildren.size();
    const bool removed = osg::PagedLOD::removeExpiredChildren(expiryTime, expiryFrame, removedChildren);
    if (_quickReleaseGLObjects)
        for (size_t i = before; i < removedChildren.size(); ++i)
            removedChildren[i]->releaseGLObjects();
    return removed;
}
} // namespace globe
