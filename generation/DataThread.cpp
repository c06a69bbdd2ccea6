#include "generation/DataThread.h"

#include "app/AppSettings.h"
#include "generation/CellRings.h"
#include "geometry/GeometryGenerator.h"

#include <OpenThreads/ScopedLock>

#include <iostream>
#include <tuple>

namespace
{
using Lock = OpenThreads::ScopedLock<OpenThreads::Mutex>;

enum class End { Oldest, Newest };

bool take(std::vector<osg::ref_ptr<osg::Node>>& queue, OpenThreads::Mutex& mutex, End end, osg::ref_ptr<osg::Node>& node)
{
    Lock lock(mutex);
    if (queue.empty())
        return false;
    const auto taken = end == End::Oldest ? queue.begin() : queue.end() - 1;
    node = *taken;
    queue.erase(taken);
    return true;
}
} // namespace

DataThread::DataThread()
    : addedMutex(new OpenThreads::Mutex(OpenThreads::Mutex::MUTEX_NORMAL)),
      removedMutex(new OpenThreads::Mutex(OpenThreads::Mutex::MUTEX_NORMAL)),
      workMutex(new OpenThreads::Mutex(OpenThreads::Mutex::MUTEX_NORMAL))
{
}

DataThread::~DataThread()
{
    // Joining also reaps a thread that has already left run().
    if (isRunning() || started)
    {
        stopRequested = true;
        join();
    }
}

void DataThread::run()
{
    started = true;
    std::cout << "START" << std::endl;
    generator->generateWater(addedMutex.get());
    while (!stopRequested)
    {
        int column = 0;
        int row = 0;
        if (takeCell(column, row))
        {
            generator->generateCell(column, row, addedMutex.get(), removedMutex.get());
            Lock lock(*workMutex);
            ++batch.generated;
        }
        releaseDetachedNodes();
        YieldCurrentThread();
    }
    std::cout << "STOP" << std::endl;
}

bool DataThread::takeCell(int& column, int& row)
{
    Lock lock(*workMutex);
    if (workList.empty())
        return false;
    std::tie(column, row) = unpackCell(workList.back());
    workList.pop_back();
    return true;
}

void DataThread::setCameraCell(int column, int row)
{
    Lock lock(*workMutex);
    if (batch.generated == batch.queued)
        batch = Progress();
    const std::size_t before = workList.size();
    queueCellsAround(workList, column, row, appSettings().cellRange.load());
    batch.queued += static_cast<int>(workList.size() - before);
}

DataThread::Progress DataThread::progress() const
{
    Lock lock(*workMutex);
    return batch;
}

int DataThread::waitingNodeCount() const
{
    Lock lock(*addedMutex);
    return static_cast<int>(generator->addedNodes.size());
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

bool DataThread::takeAddedNode(osg::ref_ptr<osg::Node>& node)
{
    return take(generator->addedNodes, *addedMutex, End::Oldest, node);
}

bool DataThread::takeRemovedNode(osg::ref_ptr<osg::Node>& node)
{
    return take(generator->removedNodes, *removedMutex, End::Newest, node);
}

// Swapped in under the mutex: the caller's reference must be gone before this
// thread can release the list, or the caller could end up holding the last one.
void DataThread::releaseLater(osg::ref_ptr<osg::Node>& node)
{
    Lock lock(*removedMutex);
    detachedNodes.emplace_back();
    detachedNodes.back().swap(node);
}

// The nodes are swapped out under the mutex and destroyed outside it.
void DataThread::releaseDetachedNodes()
{
    std::vector<osg::ref_ptr<osg::Node>> released;
    {
        Lock lock(*removedMutex);
        released.swap(detachedNodes);
    }
}
