#include "generation/UpdateCallback.h"

#include <osg/Timer>

namespace
{
double osgSeconds()
{
    return osg::Timer::instance()->time_s();
}
} // namespace

UpdateCallback::UpdateCallback(osg::ref_ptr<NodeHandover> handover_, double budgetSeconds_, Clock clock_)
    : handover(std::move(handover_)), budgetSeconds(budgetSeconds_), clock(clock_ ? std::move(clock_) : osgSeconds)
{
}

UpdateCallback::~UpdateCallback() = default;

void UpdateCallback::setIncrementalCompile(osgUtil::IncrementalCompileOperation* compile)
{
    incrementalCompile = compile;
}

void UpdateCallback::operator()(osg::Node* node, osg::NodeVisitor* visitor)
{
    osg::Group* group = node->asGroup();
    forgetCompiled();
    const double deadline = clock() + budgetSeconds;
    attachWithin(group, deadline);
    detachWithin(group, deadline);
    traverse(node, visitor);
}

void UpdateCallback::attachWithin(osg::Group* group, double deadline)
{
    osg::ref_ptr<osg::Node> added;
    do
    {
        if (!handover->takeFinished(added))
            return;
        attach(group, added.get());
    } while (clock() < deadline);
}

// With a compile operation the node joins the group when the operation merges its
// compiled subgraphs, in the update traversal of a later frame.
void UpdateCallback::attach(osg::Group* group, osg::Node* node)
{
    osg::ref_ptr<osgUtil::IncrementalCompileOperation> compile;
    if (!incrementalCompile.lock(compile))
    {
        group->addChild(node);
        return;
    }
    osg::ref_ptr<osgUtil::IncrementalCompileOperation::CompileSet> compileSet =
        new osgUtil::IncrementalCompileOperation::CompileSet(group, node);
    compiling[node] = compileSet;
    compile->add(compileSet.get());
}

// A node still compiling is withdrawn, so that it is never merged after its cell
// is gone. The detached node may be the one just attached: no reference of this
// thread may outlive the hand-back, or its last release could happen here.
void UpdateCallback::detachWithin(osg::Group* group, double deadline)
{
    osg::ref_ptr<osg::Node> removed;
    do
    {
        if (!handover->takeEvicted(removed))
            return;
        const auto pending = compiling.find(removed.get());
        if (pending != compiling.end())
        {
            osg::ref_ptr<osgUtil::IncrementalCompileOperation> compile;
            if (incrementalCompile.lock(compile))
                compile->remove(pending->second.get());
            pending->second->_subgraphToCompile = nullptr;
            compiling.erase(pending);
        }
        group->removeChild(removed.get());
        handover->handBack(removed);
    } while (clock() < deadline);
}

// Merged nodes have a parent now; their compile sets are no longer needed.
void UpdateCallback::forgetCompiled()
{
    for (auto entry = compiling.begin(); entry != compiling.end();)
    {
        if (entry->first->getNumParents() > 0)
            entry = compiling.erase(entry);
        else
            ++entry;
    }
}
