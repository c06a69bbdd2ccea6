#include "generation/UpdateCallback.h"

#include "generation/DataThread.h"

#include <osg/Group>

UpdateCallback::UpdateCallback(DataThread* dataThread_) : dataThread(dataThread_)
{
}

UpdateCallback::~UpdateCallback() = default;

void UpdateCallback::operator()(osg::Node* node, osg::NodeVisitor* visitor)
{
    osg::Group* group = node->asGroup();
    attachNext(group);
    detachNext(group);
    traverse(node, visitor);
}

void UpdateCallback::attachNext(osg::Group* group)
{
    osg::ref_ptr<osg::Node> added;
    if (dataThread->takeAddedNode(added))
        group->addChild(added.get());
}

// The detached node may be the one just attached: no reference of this thread may
// outlive the hand-over, or its last release could happen here.
void UpdateCallback::detachNext(osg::Group* group)
{
    osg::ref_ptr<osg::Node> removed;
    if (dataThread->takeRemovedNode(removed))
    {
        group->removeChild(removed.get());
        dataThread->releaseLater(removed);
    }
}
