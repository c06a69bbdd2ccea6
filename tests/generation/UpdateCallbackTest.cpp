#include "generation/UpdateCallback.h"

#include "SyntheticCity.h"
#include "generation/DataThread.h"

#include <gtest/gtest.h>
#include <osg/Group>
#include <osg/MatrixTransform>
#include <osg/Observer>
#include <osgUtil/UpdateVisitor>

#include <atomic>
#include <thread>

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

// Notes on which thread the watched object was destroyed.
class DeletionWatch : public osg::Observer
{
public:
    void objectDeleted(void*) override
    {
        deletedOn = std::this_thread::get_id();
        deleted = true;
    }
    std::atomic<bool> deleted{false};
    std::thread::id deletedOn;
};

class UpdateCallbackTest : public ::testing::Test
{
protected:
    UpdateCallbackTest() : city("update_city.osm", 1), root(new osg::Group), transform(new osg::MatrixTransform)
    {
        thread.generator = city.generator.get();
        transform->setDataVariance(osg::Object::DYNAMIC);
        transform->setUpdateCallback(new UpdateCallback(&thread));
        root->addChild(transform.get());
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

    SyntheticCity city;
    DataThread thread;
    osg::ref_ptr<osg::Group> root;
    osg::ref_ptr<osg::MatrixTransform> transform;
};

TEST_F(UpdateCallbackTest, AttachesOneNodePerTraversalOldestFirstAndKeepsTraversing)
{
    osg::ref_ptr<CountingCallback> counter = new CountingCallback;
    osg::ref_ptr<osg::Node> existing = new osg::Node;
    existing->setUpdateCallback(counter.get());
    transform->addChild(existing.get());

    frame();
    EXPECT_EQ(children(), Nodes{existing.get()});
    EXPECT_EQ(counter->calls, 1);

    osg::ref_ptr<osg::Node> a = new osg::Node, b = new osg::Node, c = new osg::Node;
    city.generator->addedNodes = {a, b, c};
    frame();
    EXPECT_EQ(children(), (Nodes{existing.get(), a.get()}));
    frame();
    frame();
    EXPECT_EQ(children(), (Nodes{existing.get(), a.get(), b.get(), c.get()}));
    EXPECT_TRUE(city.generator->addedNodes.empty());
    EXPECT_EQ(counter->calls, 4);

    // One detach per traversal too, newest first, together with an attach.
    osg::ref_ptr<osg::Node> d = new osg::Node;
    city.generator->addedNodes = {d};
    city.generator->removedNodes = {a, c};
    frame();
    EXPECT_EQ(children(), (Nodes{existing.get(), a.get(), b.get(), d.get()}));
    frame();
    EXPECT_EQ(children(), (Nodes{existing.get(), b.get(), d.get()}));
    EXPECT_TRUE(city.generator->removedNodes.empty());
}

TEST_F(UpdateCallbackTest, NodeRemovedBeforeItWasAttachedComesLater)
{
    osg::ref_ptr<osg::Node> a = new osg::Node, b = new osg::Node;
    city.generator->addedNodes = {b, a};
    city.generator->removedNodes = {a};
    frame();
    EXPECT_EQ(children(), Nodes{b.get()});
    EXPECT_TRUE(city.generator->removedNodes.empty());
    frame();
    EXPECT_EQ(children(), (Nodes{b.get(), a.get()}));
}

TEST_F(UpdateCallbackTest, DetachedNodeIsDestroyedOnTheDataThread)
{
    DeletionWatch watch;
    {
        osg::ref_ptr<osg::Node> node = new osg::Node;
        node->addObserver(&watch);
        city.generator->addedNodes = {node};
        frame();
        city.generator->removedNodes = {node};
    }
    frame();
    EXPECT_TRUE(children().empty());
    // The scene let go of it, but the data thread has not yet.
    EXPECT_FALSE(watch.deleted);

    thread.startThread();
    while (!watch.deleted && thread.isRunning())
        std::this_thread::yield();
    thread.stopRequested = true;
    EXPECT_TRUE(watch.deleted);
    EXPECT_NE(watch.deletedOn, std::this_thread::get_id());
}
} // namespace
