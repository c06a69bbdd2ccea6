#include "generation/DataThread.h"

#include "FrameTestSupport.h"
#include "SyntheticCity.h"
#include "generation/CellRings.h"
#include "geometry/Building.h"
#include "geometry/CellQueries.h"
#include "geometry/WaterArea.h"

#include <OpenThreads/ScopedLock>
#include <gtest/gtest.h>

#include <pthread.h>
#include <time.h>

#include <atomic>
#include <future>
#include <iostream>
#include <memory>
#include <sstream>
#include <thread>

namespace
{
using Cells = std::vector<std::pair<int, int>>;

// The waiting cells in the order the thread will generate them (it takes from the back).
Cells generationOrder(const DataThread& thread)
{
    Cells cells;
    for (auto cell = thread.workList.rbegin(); cell != thread.workList.rend(); ++cell)
        cells.push_back(DataThread::unpackCell(*cell));
    return cells;
}

Cells cellsOf(const std::vector<CellEntry>& cache)
{
    Cells cells;
    for (const CellEntry& entry : cache)
        cells.emplace_back(entry.column, entry.row);
    return cells;
}

// Sends std::cout to a buffer for the life of the object.
class CoutCapture
{
public:
    CoutCapture() : previous(std::cout.rdbuf(buffer.rdbuf())) {}
    ~CoutCapture() { std::cout.rdbuf(previous); }
    std::string text() const { return buffer.str(); }

private:
    std::ostringstream buffer;
    std::streambuf* previous;
};

TEST(DataThreadQueue, CellsAroundTheCameraInRingOrder)
{
    DataThread thread(nullptr, new NodeHandover, 5);
    thread.setCameraCell(10, 20);
    const Cells first12 = {{10, 20}, {9, 21}, {9, 20}, {9, 19}, {10, 21}, {10, 19},
                           {11, 21}, {11, 20}, {11, 19}, {12, 22}, {11, 22}, {10, 22}};
    const Cells order = generationOrder(thread);
    ASSERT_EQ(order.size(), 81u);
    EXPECT_EQ(Cells(order.begin(), order.begin() + 12), first12);

    // Cells off the grid (negative ones at a corner) survive packing.
    DataThread corner(nullptr, new NodeHandover, 5);
    corner.setCameraCell(0, 0);
    const Cells around0 = generationOrder(corner);
    EXPECT_EQ(around0[1], std::make_pair(-1, 1));
    EXPECT_EQ(around0.back(), std::make_pair(-4, -4));
    EXPECT_EQ(DataThread::unpackCell(DataThread::packCell(-7, 2147483647)), std::make_pair(-7, 2147483647));
    EXPECT_EQ(DataThread::packCell(3, -1), 0xFFFFFFFF00000003ull);
}

TEST(DataThreadQueue, RangeDecidesTheBlockSize)
{
    const std::pair<int, std::size_t> rangeCells[] = {{-1, 0}, {0, 0}, {1, 1}, {5, 81}, {7, 121}, {10, 121}};
    for (const auto& rangeCell : rangeCells)
    {
        SCOPED_TRACE(rangeCell.first);
        DataThread thread(nullptr, new NodeHandover, rangeCell.first);
        thread.setCameraCell(3, 4);
        EXPECT_EQ(thread.workList.size(), rangeCell.second);
        if (rangeCell.second == 1)
        {
            EXPECT_EQ(generationOrder(thread).front(), std::make_pair(3, 4));
        }
    }
}

TEST(DataThreadQueue, ANewBatchReplacesTheCellsStillWaiting)
{
    DataThread thread(nullptr, new NodeHandover, 2);
    thread.setCameraCell(10, 20);
    thread.setCameraCell(11, 20);
    // Column 9 is out of range now; columns 10 and 11 wait once, in the new ring order.
    EXPECT_EQ(generationOrder(thread), cellRings(11, 20, 2));
    thread.setCameraCell(10, 20);
    EXPECT_EQ(generationOrder(thread), cellRings(10, 20, 2));
    EXPECT_EQ(thread.progress().queued, 9);
    EXPECT_EQ(thread.progress().generated, 0);
}

std::size_t waitingCells(DataThread& thread)
{
    OpenThreads::ScopedLock<OpenThreads::Mutex> lock(thread.workMutex);
    return thread.workList.size();
}

NodeHandover::Nodes takeAllFinished(NodeHandover& handover)
{
    NodeHandover::Nodes nodes;
    osg::ref_ptr<osg::Node> node;
    while (handover.takeFinished(node))
        nodes.push_back(node);
    return nodes;
}

// Holds the data thread in the first cell it builds until opened.
class GatedQueries : public CellQueries
{
public:
    using CellQueries::CellQueries;
    std::vector<TaggedWay> taggedBuildingsInCell(int column, int row) override
    {
        if (!entered.exchange(true))
            opening.wait();
        return CellQueries::taggedBuildingsInCell(column, row);
    }
    void open() { opener.set_value(); }
    std::atomic<bool> entered{false};

private:
    std::promise<void> opener;
    std::shared_future<void> opening = opener.get_future().share();
};

// Notes the thread that asks the store for a cell's buildings.
class ThreadNotingQueries : public CellQueries
{
public:
    using CellQueries::CellQueries;
    std::vector<TaggedWay> taggedBuildingsInCell(int column, int row) override
    {
        thread = pthread_self();
        id = std::this_thread::get_id();
        return CellQueries::taggedBuildingsInCell(column, row);
    }
    pthread_t thread{};
    std::thread::id id;
};

// True once the thread has used no CPU time at all for 50 ms: a blocked thread does
// that at once, one that spins or polls never does (and fails after the bound).
bool comesToRest(pthread_t thread)
{
    clockid_t clock;
    timespec before{}, after{};
    if (pthread_getcpuclockid(thread, &clock) != 0 || clock_gettime(clock, &before) != 0)
        return false;
    for (int window = 0; window < 100; before = after, ++window)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        clock_gettime(clock, &after);
        if (after.tv_sec == before.tv_sec && after.tv_nsec == before.tv_nsec)
            return true;
    }
    return false;
}

// The real generator on a small extract; the thread is declared after the city so
// that it ends before what it uses is destroyed.
class DataThreadRun : public ::testing::Test
{
protected:
    // One file per test: the tests of the suite may run at the same time.
    DataThreadRun()
        : city(std::string("thread_") + testing::UnitTest::GetInstance()->current_test_info()->name() + ".osm", 4,
               1500)
    {
    }

    void makeThread(int cellRange) { thread.reset(new DataThread(city.generator.get(), handover, cellRange)); }

    // Stops the thread the way scene release does and lets it go (its destructor
    // joins it, after which everything it wrote may be read); returns the number
    // of cells it left waiting. A thread that does not stop is left running.
    std::size_t stopAndWait()
    {
        thread->requestStop();
        if (!repeatUntil([&] { return !thread->isRunning(); }))
        {
            ADD_FAILURE() << "the data thread did not stop";
            thread.release();
            return 0;
        }
        const std::size_t left = waitingCells(*thread);
        thread.reset();
        return left;
    }

    bool batchGenerated() const
    {
        const DataThread::Progress progress = thread->progress();
        return progress.queued > 0 && progress.generated == progress.queued;
    }

    bool waitForBatch()
    {
        return repeatUntil([&] { return batchGenerated() || !thread->isRunning(); });
    }

    SyntheticCity city;
    osg::ref_ptr<NodeHandover> handover = new NodeHandover;
    std::unique_ptr<DataThread> thread;
};

TEST_F(DataThreadRun, WaterFirstThenCellsInQueueOrderUntilStopped)
{
    CoutCapture capture;
    makeThread(2);
    thread->startThread();
    // With no cell queued the only node that can come is the water, after "START".
    osg::ref_ptr<osg::Node> first;
    ASSERT_TRUE(repeatUntil([&] { return handover->takeFinished(first); }));
    EXPECT_NE(dynamic_cast<WaterArea*>(first.get()), nullptr);
    EXPECT_EQ(capture.text(), "START\n");

    // Cells queued later are still taken, batch after batch.
    thread->setCameraCell(5, 1);
    ASSERT_TRUE(waitForBatch());
    thread->setCameraCell(5, 5);
    ASSERT_TRUE(waitForBatch());
    EXPECT_TRUE(thread->isRunning());
    EXPECT_EQ(capture.text(), "START\n");

    EXPECT_EQ(stopAndWait(), 0u);
    EXPECT_EQ(capture.text(), "START\nSTOP\n");
    Cells expected = cellRings(5, 1, 2);
    const Cells second = cellRings(5, 5, 2);
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(cellsOf(city.generator->cellCache), expected);
    // Handed over in the order they were built.
    NodeHandover::Nodes built;
    for (const CellEntry& entry : city.generator->cellCache)
        built.insert(built.end(), entry.nodes.begin(), entry.nodes.end());
    EXPECT_EQ(takeAllFinished(*handover), built);
}

TEST_F(DataThreadRun, CellInProgressIsFinishedBeforeTheThreadEnds)
{
    CoutCapture capture;
    const std::pair<int, int> crowded = city.crowdedCell();
    ASSERT_GE(city.store->buildingsInCell(crowded.first, crowded.second).size(), 1500u);

    makeThread(1);
    thread->setCameraCell(crowded.first, crowded.second);
    thread->startThread();
    ASSERT_TRUE(repeatUntil([&] { return waitingCells(*thread) == 0 || !thread->isRunning(); }));
    // Requested while the crowded cell is (normally) still being built; the cell
    // queued after the request must never be taken.
    thread->requestStop();
    thread->setCameraCell(0, 0);
    EXPECT_EQ(stopAndWait(), 1u);

    EXPECT_EQ(cellsOf(city.generator->cellCache), Cells{crowded});
    ASSERT_FALSE(city.generator->cellCache.empty());
    const NodeHandover::Nodes& cellNodes = city.generator->cellCache.front().nodes;
    EXPECT_NE(dynamic_cast<const Building*>(cellNodes.front().get()), nullptr);
    // Everything it built was handed over: the water, then the cell.
    const NodeHandover::Nodes finished = takeAllFinished(*handover);
    ASSERT_EQ(finished.size(), cellNodes.size() + 1);
    EXPECT_EQ(NodeHandover::Nodes(finished.begin() + 1, finished.end()), cellNodes);
    EXPECT_EQ(capture.text(), "START\nSTOP\n");
}

// The camera moves on while the first cell of the batch is being built.
TEST_F(DataThreadRun, ANewBatchReplacesTheOldOneAndCountsOnlyItsOwnCells)
{
    CoutCapture capture;
    auto* queries = new GatedQueries(city.store.get());
    city.generator->setCellQueries(std::unique_ptr<CellQueries>(queries));
    makeThread(2);
    thread->setCameraCell(5, 1);
    thread->startThread();
    ASSERT_TRUE(repeatUntil([&] { return queries->entered.load(); }));

    // (5, 1), in progress, and columns 5 and 6 are in the new batch too; column 4 is not.
    thread->setCameraCell(6, 1);
    {
        OpenThreads::ScopedLock<OpenThreads::Mutex> lock(thread->workMutex);
        EXPECT_EQ(generationOrder(*thread), cellRings(6, 1, 2));
    }
    queries->open();
    ASSERT_TRUE(repeatUntil([&] { return waitingCells(*thread) == 0 && thread->progress().generated >= 9; }));
    thread->requestStop();
    ASSERT_TRUE(repeatUntil([&] { return !thread->isRunning(); }));
    const DataThread::Progress progress = thread->progress();
    thread.reset();
    EXPECT_EQ(progress.generated, 9);
    EXPECT_EQ(progress.queued, 9);
    // (5, 1) was built for the old batch and found in the cache for the new one.
    EXPECT_EQ(cellsOf(city.generator->cellCache), cellRings(6, 1, 2));
}

// Counts the cells whose buildings the generator asks for: one for every cell built.
class CountingQueries : public CellQueries
{
public:
    using CellQueries::CellQueries;
    std::vector<TaggedWay> taggedBuildingsInCell(int column, int row) override
    {
        ++asked;
        return CellQueries::taggedBuildingsInCell(column, row);
    }
    std::atomic<long> asked{0};
};

// A cache no larger than a batch evicts cells the batch still wants, which are then
// built again; a cell found in the cache counts neither as built nor as evicted.
TEST_F(DataThreadRun, TotalsCountTheCellsBuiltAndEvicted)
{
    CoutCapture capture;
    auto* queries = new CountingQueries(city.store.get());
    city.generator->setCellQueries(std::unique_ptr<CellQueries>(queries));
    city.generator->maxGridCells = 9;
    makeThread(2);
    thread->startThread();
    DataThread::Totals totals;
    for (const auto& [column, row] : Cells{{5, 1}, {5, 5}, {5, 6}})
    {
        thread->setCameraCell(column, row);
        ASSERT_TRUE(waitForBatch());
        totals = thread->totals();
        EXPECT_EQ(totals.built, queries->asked);
    }
    EXPECT_GT(totals.evicted, 0);
    // The cache now holds the last batch whole.
    thread->setCameraCell(5, 6);
    ASSERT_TRUE(waitForBatch());
    EXPECT_EQ(thread->totals().built, totals.built);
    EXPECT_EQ(thread->totals().evicted, totals.evicted);
    EXPECT_EQ(stopAndWait(), 0u);
    EXPECT_EQ(totals.built - totals.evicted, static_cast<long>(city.generator->cellCache.size()));
}

// Each rest below is followed by something only a woken thread could have done.
TEST_F(DataThreadRun, SleepsWhenIdleAndWakesForACellAHandedBackNodeAndAStop)
{
    CoutCapture capture;
    auto* queries = new ThreadNotingQueries(city.store.get());
    city.generator->setCellQueries(std::unique_ptr<CellQueries>(queries));
    makeThread(1);
    thread->setCameraCell(0, 0);
    thread->startThread();
    ASSERT_TRUE(repeatUntil([&] { return batchGenerated(); }));
    const pthread_t dataThread = queries->thread;
    EXPECT_TRUE(comesToRest(dataThread));

    thread->setCameraCell(1, 1);
    ASSERT_TRUE(repeatUntil([&] { return batchGenerated(); }));
    EXPECT_EQ(cellsOf(city.generator->cellCache), (Cells{{0, 0}, {1, 1}}));
    EXPECT_TRUE(comesToRest(dataThread));

    DeletionWatch watch;
    {
        osg::ref_ptr<osg::Node> node = new osg::Node;
        node->addObserver(&watch);
        handover->handBack(node);
    }
    ASSERT_TRUE(repeatUntil([&] { return watch.deleted > 0; }));
    EXPECT_EQ(watch.lastOn, queries->id);
    EXPECT_TRUE(comesToRest(dataThread));

    EXPECT_EQ(stopAndWait(), 0u);
    EXPECT_EQ(capture.text(), "START\nSTOP\n");
}
} // namespace
