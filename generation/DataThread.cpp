#include "generation/DataThread.h"

#include "generation/CellRings.h"
#include "geometry/GeometryGenerator.h"

#include <OpenThreads/ScopedLock>

#include <iostream>
#include <tuple>

namespace
{
using Lock = OpenThreads::ScopedLock<OpenThreads::Mutex>;

// The rings around (column, row) as a work list: taken from the back, in ring order.
std::deque<DataThread::PackedCell> workListAround(int column, int row, int range)
{
    std::deque<DataThread::PackedCell> list;
    for (const auto& cell : cellRings(column, row, range))
        list.push_front(DataThread::packCell(cell.first, cell.second));
    return list;
}
} // namespace

DataThread::DataThread(GeometryGenerator* generator_, osg::ref_ptr<NodeHandover> handover_, int cellRange_)
    : handover(std::move(handover_)), workMutex(OpenThreads::Mutex::MUTEX_NORMAL), generator(generator_),
      cellRange(cellRange_)
{
}

DataThread::~DataThread()
{
    // Joining also reaps a thread that has already left run().
    if (isRunning() || started)
    {
        requestStop();
        join();
    }
}

// The wake count is read before looking for work: whatever arrives after that
// look makes the wait return at once.
void DataThread::run()
{
    started = true;
    std::cout << "START" << std::endl;
    if (osg::ref_ptr<osg::Node> water = generator->generateWater())
        handover->pushFinished(water.get());
    while (!stopRequested)
    {
        const unsigned seen = handover->wakeCount();
        Task task;
        const bool generated = takeCell(task);
        if (generated)
            generateCell(task);
        const bool released = handover->releaseHandedBack();
        if (!generated && !released && !stopRequested)
            handover->waitForWake(seen);
    }
    std::cout << "STOP" << std::endl;
}

void DataThread::generateCell(const Task& task)
{
    GeometryGenerator::CellNodes nodes = generator->generateCell(task.column, task.row);
    for (const osg::ref_ptr<osg::Node>& node : nodes.built)
        handover->pushFinished(node.get());
    handover->takeBack(nodes.evicted);
    Lock lock(workMutex);
    // A cell of a replaced batch does not count: if the current batch holds it, it
    // is queued there again.
    if (task.batchNumber == batchNumber)
        ++batch.generated;
    // Every cell has its Building node, so a cell built or evicted leaves a node here.
    cellTotals.built += nodes.built.empty() ? 0 : 1;
    cellTotals.evicted += nodes.evicted.empty() ? 0 : 1;
}

bool DataThread::takeCell(Task& task)
{
    Lock lock(workMutex);
    if (workList.empty())
        return false;
    std::tie(task.column, task.row) = unpackCell(workList.back());
    task.batchNumber = batchNumber;
    workList.pop_back();
    return true;
}

// Batches replace one another so that a camera moving faster than cells are built
// does not pile up the cells it has left behind.
void DataThread::setCameraCell(int column, int row)
{
    // Built before the lock and the old list freed after it: the thread waits for a swap only.
    std::deque<PackedCell> cells = workListAround(column, row, cellRange);
    {
        Lock lock(workMutex);
        workList.swap(cells);
        ++batchNumber;
        batch.queued = static_cast<int>(workList.size());
        batch.generated = 0;
    }
    handover->wake();
}

void DataThread::requestStop()
{
    stopRequested = true;
    handover->wake();
}

DataThread::Progress DataThread::progress() const
{
    Lock lock(workMutex);
    return batch;
}

DataThread::Totals DataThread::totals() const
{
    Lock lock(workMutex);
    return cellTotals;
}

DataThread::PackedCell DataThread::packCell(int column, int row)
{
    return static_cast<PackedCell>(static_cast<std::uint32_t>(column)) |
           static_cast<PackedCell>(static_cast<std::uint32_t>(row)) << 32;
}

std::pair<int, int> DataThread::unpackCell(PackedCell cell)
{
    return {static_cast<std::int32_t>(static_cast<std::uint32_t>(cell)),
            static_cast<std::int32_t>(static_cast<std::uint32_t>(cell >> 32))};
}
