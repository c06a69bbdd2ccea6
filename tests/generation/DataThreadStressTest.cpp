#include "generation/DataThread.h"

#include "FrameTestSupport.h"
#include "SyntheticCity.h"
#include "generation/UpdateCallback.h"
#include "geometry/WaterArea.h"

#include <OpenThreads/ScopedLock>
#include <gtest/gtest.h>
#include <osg/MatrixTransform>
#include <osg/Observer>
#include <osgUtil/UpdateVisitor>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <thread>

namespace
{
// Counts destroyed nodes, and those destroyed on the frame thread while the data
// thread was still building cells.
class DeletionLog : public osg::Observer
{
public:
    void objectDeleted(void*) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        ++deleted;
        if (std::this_thread::get_id() == frameThread && dataThreadRunning)
            ++deletedOnFrameThreadWhileRunning;
    }

    std::mutex mutex;
    const std::thread::id frameThread = std::this_thread::get_id();
    std::atomic<bool> dataThreadRunning{true};
    int deleted = 0;
    int deletedOnFrameThreadWhileRunning = 0;
};

// Runs after the update callback on every traversal and compares the transform's
// children with those of the previous traversal.
class ChildrenWatch : public osg::NodeCallback
{
public:
    explicit ChildrenWatch(DeletionLog* log_) : log(log_) {}

    void operator()(osg::Node* node, osg::NodeVisitor* visitor) override
    {
        const osg::Group* group = node->asGroup();
        std::set<osg::Node*> now;
        for (unsigned int i = 0; i < group->getNumChildren(); ++i)
            now.insert(const_cast<osg::Node*>(group->getChild(i)));
        std::size_t came = 0;
        for (osg::Node* child : now)
            if (shown.count(child) == 0)
            {
                ++came;
                child->addObserver(log);
            }
        const std::size_t went = shown.size() + came - now.size();
        attached += came;
        detached += went;
        mostAttachedAtOnce = std::max(mostAttachedAtOnce, came);
        mostDetachedAtOnce = std::max(mostDetachedAtOnce, went);
        shown.swap(now);
        traverse(node, visitor);
    }

    std::size_t attached = 0;
    std::size_t detached = 0;
    std::size_t mostAttachedAtOnce = 0;
    std::size_t mostDetachedAtOnce = 0;

private:
    DeletionLog* log;
    // Compared by address only; a node that has left may be gone already.
    std::set<osg::Node*> shown;
};

std::size_t waitingCells(DataThread& thread)
{
    OpenThreads::ScopedLock<OpenThreads::Mutex> lock(thread.workMutex);
    return thread.workList.size();
}

// Thousands of cells built and evicted again (only two stay cached) while the
// frame thread attaches and detaches them within its budget: every node is
// destroyed on the data thread, never on the frame thread while the shared uniforms
// and programs are in use there, and the scene ends up holding exactly what it should.
TEST(DataThreadStress, CellsComeAndGoWhileFramesRun)
{
    DeletionLog log;
    SyntheticCity city("stress_city.osm", 10, 0, 2);
    osg::ref_ptr<NodeHandover> handover = new NodeHandover;
    osg::ref_ptr<osg::Group> root = new osg::Group;
    osg::ref_ptr<CostedTransform> transform = new CostedTransform;
    osg::ref_ptr<ChildrenWatch> watch = new ChildrenWatch(&log);
    std::unique_ptr<DataThread> thread(new DataThread(city.generator.get(), handover, 1));
    // Every attach or detach costs a second of the callback's clock: two per traversal.
    const std::size_t budgetNodes = 2;
    osg::ref_ptr<UpdateCallback> callback =
        new UpdateCallback(handover, static_cast<double>(budgetNodes), transform->clock());
    callback->addNestedCallback(watch.get());
    transform->setUpdateCallback(callback.get());
    root->addChild(transform.get());

    const int cells = 2000;
    osgUtil::UpdateVisitor visitor;
    auto frame = [&] { root->accept(visitor); };

    // A camera that moves on as soon as the last cell is taken and every node built
    // so far is shown: a cell is then attached before the cell two behind it evicts
    // it, while the next one is being built.
    thread->startThread();
    int queued = 0;
    ASSERT_TRUE(repeatUntil(
        [&] {
            if (queued < cells && waitingCells(*thread) == 0 && handover->waitingCount() == 0)
            {
                thread->setCameraCell(queued * 7 % city.columnCount, queued * 3 % city.rowCount);
                ++queued;
            }
            frame();
            return queued == cells && waitingCells(*thread) == 0;
        },
        600.0));
    thread->requestStop();
    ASSERT_TRUE(repeatUntil([&] {
        frame();
        return !thread->isRunning();
    }));
    log.dataThreadRunning = false;
    ASSERT_TRUE(repeatUntil([&] {
        frame();
        return !handover->hasChanges();
    }));

    EXPECT_LE(watch->mostAttachedAtOnce, budgetNodes);
    EXPECT_LE(watch->mostDetachedAtOnce, budgetNodes);
    EXPECT_GT(watch->attached, static_cast<std::size_t>(cells));
    {
        std::lock_guard<std::mutex> lock(log.mutex);
        EXPECT_EQ(log.deletedOnFrameThreadWhileRunning, 0);
    }

    // Shown at the end: the water and the two cached cells, each node once.
    GeometryGenerator& generator = *city.generator;
    std::multiset<osg::Node*> children;
    for (unsigned int i = 0; i < transform->getNumChildren(); ++i)
        children.insert(transform->getChild(i));
    std::multiset<osg::Node*> expected;
    ASSERT_EQ(generator.cellCache.size(), 2u);
    for (const CellEntry& entry : generator.cellCache)
        for (const auto& node : entry.nodes)
            expected.insert(node.get());
    ASSERT_EQ(children.size(), expected.size() + 1);
    for (osg::Node* child : expected)
    {
        const auto shown = children.find(child);
        ASSERT_NE(shown, children.end());
        children.erase(shown);
    }
    EXPECT_NE(dynamic_cast<WaterArea*>(*children.begin()), nullptr);
    EXPECT_EQ(watch->detached, watch->attached - expected.size() - 1);

    // With the data thread gone, what it had not yet released may go here.
    thread.reset();
    handover->releaseHandedBack();
    std::lock_guard<std::mutex> lock(log.mutex);
    EXPECT_EQ(static_cast<std::size_t>(log.deleted), watch->detached);
}
} // namespace
