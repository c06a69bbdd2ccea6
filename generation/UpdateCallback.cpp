#include "generation/UpdateCallback.h"

#include <osg/Timer>

namespace
{
double osgSeconds()
{
    return osg::Timer::instance()->time_s();
}

// Takes and acts on one node, then more while the clock has not reached the deadline.
template <class Take, class Act>
void untilSpent(const UpdateCallback::Clock& clock, double deadline, Take take, Act act)
{
    osg::ref_ptr<osg::Node> node;
    do
    {
        if (!take(node))
            return;
        act(node);
    } while (clock() < deadline);
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
    untilSpent(
        clock, deadline, [this](osg::ref_ptr<osg::Node>& added) { return handover->takeFinished(added); },
        [this, group](osg::ref_ptr<osg::Node>& added) { attach(group, added.get()); });
    untilSpent(
        clock, deadline, [this](osg::ref_ptr<osg::Node>& removed) { return handover->takeEvicted(removed); },
        [this, group](osg::ref_ptr<osg::Node>& removed) { detach(group, removed); });
    traverse(node, visitor);
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
void UpdateCallback::detach(osg::Group* group, osg::ref_ptr<osg::Node>& removed)
{
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
