#include "generation/UpdateCallback.h"

#include "FrameTestSupport.h"

#include <OpenThreads/ScopedLock>
#include <gtest/gtest.h>
#include <osg/Group>
#include <osgUtil/IncrementalCompileOperation>
#include <osgUtil/UpdateVisitor>

namespace
{
using Nodes = std::vector<osg::Node*>;

// Counts the update traversals that reach the node it is installed on.
class CountingCallback : public osg::NodeCallback
{
public:
    void operator()(osg::Node* node, osg::NodeVisitor* visitor) override
    {
        ++calls;
        traverse(node, visitor);
    }
    int calls = 0;
};

class UpdateCallbackTest : public ::testing::Test
{
protected:
    // A fresh transform under the root, served by a callback with this budget and
    // clock; by default the transform's own, one second per attach or detach.
    UpdateCallback* install(double budgetSeconds, UpdateCallback::Clock clock = nullptr)
    {
        root = new osg::Group;
        transform = new CostedTransform;
        root->addChild(transform.get());
        osg::ref_ptr<UpdateCallback> callback =
            new UpdateCallback(handover, budgetSeconds, clock ? std::move(clock) : transform->clock());
        transform->setUpdateCallback(callback.get());
        return callback.get();
    }

    void frame()
    {
        osgUtil::UpdateVisitor visitor;
        root->accept(visitor);
    }

    Nodes children() const
    {
        Nodes nodes;
        for (unsigned int i = 0; i < transform->getNumChildren(); ++i)
            nodes.push_back(transform->getChild(i));
        return nodes;
    }

    NodeHandover::Nodes pushNodes(int count)
    {
        NodeHandover::Nodes nodes;
        for (int i = 0; i < count; ++i)
        {
            nodes.push_back(new osg::Node);
            handover->pushFinished(nodes.back().get());
        }
        return nodes;
    }

    osg::ref_ptr<NodeHandover> handover = new NodeHandover;
    osg::ref_ptr<osg::Group> root;
    osg::ref_ptr<CostedTransform> transform;
};

// Three nodes' worth of budget per traversal.
TEST_F(UpdateCallbackTest, AttachesOldestFirstAndDetachesNewestFirstAsFarAsTheBudgetGoes)
{
    install(3.0);
    osg::ref_ptr<CountingCallback> counter = new CountingCallback;
    osg::ref_ptr<osg::Node> existing = new osg::Node;
    existing->setUpdateCallback(counter.get());
    transform->addChild(existing.get());

    NodeHandover::Nodes n = pushNodes(8);
    DeletionWatch watch;
    for (const auto& node : n)
        node->addObserver(&watch);
    frame();
    EXPECT_EQ(children(), (Nodes{existing.get(), n[0].get(), n[1].get(), n[2].get()}));
    // An evicted cell with one node shown and one still waiting: the waiting one is
    // taken back and never attached.
    handover->takeBack({n[1], n[4]});
    frame();
    EXPECT_EQ(children(), (Nodes{existing.get(), n[0].get(), n[2].get(), n[3].get(), n[5].get(), n[6].get()}));
    frame();
    EXPECT_EQ(children(), (Nodes{existing.get(), n[0].get(), n[2].get(), n[3].get(), n[5].get(), n[6].get(),
                                 n[7].get()}));
    EXPECT_FALSE(handover->hasChanges());
    EXPECT_EQ(counter->calls, 3);

    handover->takeBack({n[0], n[2], n[3], n[5], n[6], n[7]});
    frame();
    EXPECT_EQ(children(), (Nodes{existing.get(), n[0].get(), n[2].get(), n[3].get()}));
    frame();
    EXPECT_EQ(children(), Nodes{existing.get()});

    // Detached nodes were handed back, not let go on this thread; the taken-back one
    // only ever had this test's reference.
    n.clear();
    EXPECT_EQ(watch.deleted, 1);
    EXPECT_TRUE(handover->releaseHandedBack());
    EXPECT_EQ(watch.deleted, 8);
}

TEST_F(UpdateCallbackTest, AtLeastOneNodeEachWayPerTraversalWhateverTheBudgetOrClock)
{
    double now = 0.0;
    const std::pair<double, UpdateCallback::Clock> cases[] = {
        {0.0, nullptr}, {0.004, [&now] { return now += 1.0; }}}; // no budget; a clock jumping past it
    for (const auto& budgetClock : cases)
    {
        SCOPED_TRACE(budgetClock.first);
        install(budgetClock.first, budgetClock.second);
        const NodeHandover::Nodes n = pushNodes(3);
        frame();
        EXPECT_EQ(children(), Nodes{n[0].get()});
        frame();
        handover->takeBack({n[0], n[1]});
        frame();
        EXPECT_EQ(children(), (Nodes{n[0].get(), n[2].get()}));
    }
}

// Stands in for the draw thread without a GL context: with no context a compile set
// has nothing to compile, so finishing it is moving it to the compiled list.
void finishCompiling(osgUtil::IncrementalCompileOperation& compile)
{
    OpenThreads::ScopedLock<OpenThreads::Mutex> toCompileLock(*compile.getToCompiledMutex());
    OpenThreads::ScopedLock<OpenThreads::Mutex> compiledLock(*compile.getCompiledMutex());
    compile.getCompiled().splice(compile.getCompiled().end(), compile.getToCompile());
}

TEST_F(UpdateCallbackTest, WithIncrementalCompileNodesJoinWhenMergedAndEvictedOnesNever)
{
    osg::ref_ptr<osgUtil::IncrementalCompileOperation> compile = new osgUtil::IncrementalCompileOperation;
    // A clock that stands still: the budget never runs out.
    UpdateCallback* callback = install(1.0, [] { return 0.0; });
    callback->setIncrementalCompile(compile.get());
    // As the viewer does: merge first, then the update traversal.
    const auto compiledFrame = [&] {
        compile->mergeCompiledSubgraphs(nullptr);
        frame();
    };

    const NodeHandover::Nodes n = pushNodes(4);
    compiledFrame();
    EXPECT_EQ(callback->compilingCount(), 4u);

    // n[1] is evicted while still compiling, n[2] once compiled but before its merge.
    handover->takeBack({n[1]});
    compiledFrame();
    finishCompiling(*compile);
    handover->takeBack({n[2]});
    compiledFrame();
    EXPECT_EQ(callback->compilingCount(), 0u);
    finishCompiling(*compile);
    compiledFrame();
    EXPECT_EQ(children(), (Nodes{n[0].get(), n[3].get()}));
    EXPECT_TRUE(handover->releaseHandedBack());
    EXPECT_EQ(n[1]->referenceCount(), 1);
    EXPECT_EQ(n[2]->referenceCount(), 1);
}
} // namespace
