#include "generation/DataThread.h"

#include "SyntheticCity.h"
#include "app/AppSettings.h"
#include "generation/CellRings.h"
#include "generation/WaterArea.h"
#include "geometry/Building.h"

#include <OpenThreads/ScopedLock>
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <sstream>

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

class CellRangeSetting : public ::testing::Test
{
protected:
    void TearDown() override { appSettings().cellRange = 5; }
};

using DataThreadQueue = CellRangeSetting;

TEST_F(DataThreadQueue, CellsAroundTheCameraInRingOrder)
{
    DataThread thread;
    thread.setCameraCell(10, 20);
    const Cells first12 = {{10, 20}, {9, 21}, {9, 20}, {9, 19}, {10, 21}, {10, 19},
                           {11, 21}, {11, 20}, {11, 19}, {12, 22}, {11, 22}, {10, 22}};
    const Cells order = generationOrder(thread);
    ASSERT_EQ(order.size(), 81u);
    EXPECT_EQ(Cells(order.begin(), order.begin() + 12), first12);

    // Cells off the grid (negative ones at a corner) survive packing.
    DataThread corner;
    corner.setCameraCell(0, 0);
    const Cells around0 = generationOrder(corner);
    EXPECT_EQ(around0[1], std::make_pair(-1, 1));
    EXPECT_EQ(around0.back(), std::make_pair(-4, -4));
    EXPECT_EQ(DataThread::unpackCell(DataThread::packCell(-7, 2147483647)), std::make_pair(-7, 2147483647));
    EXPECT_EQ(DataThread::packCell(3, -1), 0xFFFFFFFF00000003ull);
}

TEST_F(DataThreadQueue, RangeDecidesTheBlockSize)
{
    const std::pair<int, std::size_t> rangeCells[] = {{-1, 0}, {0, 0}, {1, 1}, {5, 81}, {7, 121}, {10, 121}};
    for (const auto& rangeCell : rangeCells)
    {
        SCOPED_TRACE(rangeCell.first);
        appSettings().cellRange = rangeCell.first;
        DataThread thread;
        thread.setCameraCell(3, 4);
        EXPECT_EQ(thread.workList.size(), rangeCell.second);
        if (rangeCell.second == 1)
        {
            EXPECT_EQ(generationOrder(thread).front(), std::make_pair(3, 4));
        }
    }
}

TEST_F(DataThreadQueue, BatchesQueueBehindOneAnother)
{
    appSettings().cellRange = 2;
    DataThread thread;
    thread.setCameraCell(10, 20);
    thread.setCameraCell(11, 20);
    thread.setCameraCell(10, 20);
    const Cells order = generationOrder(thread);
    ASSERT_EQ(order.size(), 27u);

    Cells expected;
    for (int column : {10, 11, 10})
    {
        const Cells batch = cellRings(column, 20, 2);
        expected.insert(expected.end(), batch.begin(), batch.end());
    }
    EXPECT_EQ(order, expected);
    // Nothing removes a cell that is already waiting.
    EXPECT_EQ(std::count(order.begin(), order.end(), std::make_pair(10, 20)), 3);
    EXPECT_EQ(std::count(order.begin(), order.end(), std::make_pair(12, 21)), 1);
}

std::size_t waitingCells(DataThread& thread)
{
    OpenThreads::ScopedLock<OpenThreads::Mutex> lock(*thread.workMutex);
    return thread.workList.size();
}

// Spins until the thread has taken every waiting cell, or has ended.
void waitUntilTaken(DataThread& thread)
{
    while (waitingCells(thread) > 0 && thread.isRunning())
        OpenThreads::Thread::YieldCurrentThread();
}

// The real generator on a small extract; the thread is declared after the city so
// that it ends before what it uses is destroyed.
class DataThreadRun : public CellRangeSetting
{
protected:
    DataThreadRun() : city("thread_city.osm", 4, 1500), thread(new DataThread)
    {
        thread->generator = city.generator.get();
    }

    // Stops the thread the way scene release does and lets it go (its destructor
    // joins it, after which everything it wrote may be read); returns the number
    // of cells it left waiting.
    std::size_t stopAndWait()
    {
        thread->stopRequested = true;
        while (thread->isRunning())
            OpenThreads::Thread::YieldCurrentThread();
        const std::size_t left = waitingCells(*thread);
        thread.reset();
        return left;
    }

    SyntheticCity city;
    std::unique_ptr<DataThread> thread;
};

TEST_F(DataThreadRun, WaterFirstThenCellsInQueueOrderUntilStopped)
{
    CoutCapture capture;
    thread->startThread();
    // With no cell queued the only node that can come is the water, after "START".
    osg::ref_ptr<osg::Node> first;
    while (!thread->takeAddedNode(first))
        OpenThreads::Thread::YieldCurrentThread();
    EXPECT_NE(dynamic_cast<WaterArea*>(first.get()), nullptr);
    EXPECT_EQ(capture.text(), "START\n");

    // An idle thread keeps polling: cells queued later are still taken, batch after batch.
    appSettings().cellRange = 2;
    thread->setCameraCell(5, 1);
    thread->setCameraCell(5, 5);
    waitUntilTaken(*thread);
    EXPECT_TRUE(thread->isRunning());
    EXPECT_EQ(capture.text(), "START\n");

    EXPECT_EQ(stopAndWait(), 0u);
    EXPECT_EQ(capture.text(), "START\nSTOP\n");
    Cells expected = cellRings(5, 1, 2);
    const Cells second = cellRings(5, 5, 2);
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(cellsOf(city.generator->cellCache), expected);
}

TEST_F(DataThreadRun, CellInProgressIsFinishedBeforeTheThreadEnds)
{
    CoutCapture capture;
    const std::pair<int, int> crowded = city.crowdedCell();
    ASSERT_GE(city.store->buildingsInCell(crowded.first, crowded.second).size(), 1500u);

    appSettings().cellRange = 1;
    thread->setCameraCell(crowded.first, crowded.second);
    thread->startThread();
    waitUntilTaken(*thread);
    // Set while the crowded cell is (normally) still being built; the cell queued
    // after the flag must never be taken.
    thread->stopRequested = true;
    thread->setCameraCell(0, 0);
    EXPECT_EQ(stopAndWait(), 1u);

    EXPECT_EQ(cellsOf(city.generator->cellCache), Cells{crowded});
    ASSERT_FALSE(city.generator->cellCache.empty());
    EXPECT_NE(dynamic_cast<const Building*>(city.generator->cellCache.front().nodes.front().get()), nullptr);
    EXPECT_EQ(city.generator->addedNodes.back(), city.generator->cellCache.front().nodes.back());
    EXPECT_EQ(capture.text(), "START\nSTOP\n");
}
} // namespace
