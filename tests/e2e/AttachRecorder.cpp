#include "AttachRecorder.h"

#include <osg/Group>

#include <algorithm>

void AttachRecorder::operator()(osg::Node* node, osg::NodeVisitor* visitor)
{
    osg::Group* group = node->asGroup();
    std::set<const osg::Node*> now;
    unsigned added = 0;
    for (unsigned i = 0; i < group->getNumChildren(); ++i)
    {
        osg::Node* child = group->getChild(i);
        now.insert(child);
        if (present.count(child) == 0)
        {
            attached.emplace_back(child);
            ++added;
        }
    }
    present.swap(now);
    mostInOneTraversal = std::max(mostInOneTraversal, added);
    traverse(node, visitor);
}
