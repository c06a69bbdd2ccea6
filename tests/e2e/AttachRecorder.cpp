#include "AttachRecorder.h"

#include <osg/Group>

void AttachRecorder::operator()(osg::Node* node, osg::NodeVisitor* visitor)
{
    osg::Group* group = node->asGroup();
    std::set<const osg::Node*> now;
    for (unsigned i = 0; i < group->getNumChildren(); ++i)
    {
        osg::Node* child = group->getChild(i);
        now.insert(child);
        if (present.count(child) == 0)
            attached.emplace_back(child);
    }
    present.swap(now);
    traverse(node, visitor);
}
