#include "generation/DataThread.h"

#include "generation/CellRings.h"
#include "geometry/GeometryGenerator.h"

#include <OpenThreads/ScopedLock>

#include <iostream>
#include <tuple>

namespace
{
using Lock = OpenThreads::ScopedLock<OpenThreads::Mutex>;
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
        int column = 0;
        int row = 0;
        const bool generated = takeCell(column, row);
        if (generated)
            generateCell(column, row);
        const bool released = handover->releaseHandedBack();
        if (!generated && !released && !stopRequested)
            handover->waitForWake(seen);
    }
    std::cout << "STOP" << std::endl;
}

void DataThread::generateCell(int column, int row)
{
    GeometryGenerator::CellNodes nodes = generator->generateCell(column, row);
    for (const osg::ref_ptr<osg::Node>& node : nodes.built)
        handover->pushFinished(node.get());
    handover->takeBack(nodes.evicted);
    Lock lock(workMutex);
    ++batch.generated;
}

bool DataThread::takeCell(int& column, int& row)
{
    Lock lock(workMutex);
    if (workList.empty())
        return false;
    std::tie(column, row) = unpackCell(workList.back());
    workList.pop_back();
    return true;
}

void DataThread::setCameraCell(int column, int row)
{
    {
        Lock lock(workMutex);
        if (batch.generated == batch.queued)
            batch = Progress();
        const std::size_t before = workList.size();
        queueCellsAround(workList, column, row, cellRange);
        batch.queued += static_cast<int>(workList.size() - before);
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

void DataThread::queueCellsAround(std::deque<PackedCell>& list, int column, int row, int range)
{
    for (const auto& cell : cellRings(column, row, range))
        list.push_front(packCell(cell.first, cell.second));
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
