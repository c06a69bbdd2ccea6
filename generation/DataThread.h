#pragma once

#include "generation/NodeHandover.h"

#include <OpenThreads/Mutex>
#include <OpenThreads/Thread>
#include <osg/ref_ptr>

#include <atomic>
#include <cstdint>
#include <deque>
#include <utility>

class GeometryGenerator;

// The background thread: generates the water of the extract once, then the cells
// around the camera, one at a time, nearest first, and hands what it built to the
// frames through the NodeHandover. With nothing to do it sleeps until a cell is
// queued, a node comes back or a stop is requested.
// setCameraCell, requestStop, progress and the constructor belong to the GUI thread;
// totals may be asked from any thread.
class DataThread : public OpenThreads::Thread
{
public:
    // One cell of the work list: the column in the low 32 bits, the row in the high ones.
    using PackedCell = std::uint64_t;

    // cellRange: how many rings of cells setCameraCell queues.
    DataThread(GeometryGenerator* generator, osg::ref_ptr<NodeHandover> handover, int cellRange);
    // Stops the thread if it still runs and waits for it; do not join it elsewhere.
    ~DataThread() override;

    DataThread(const DataThread&) = delete;
    DataThread& operator=(const DataThread&) = delete;

    void run() override;

    // The cells around (column, row) in ring order become the work list: waiting
    // cells out of their range are dropped, those in it keep one place, in the new order.
    void setCameraCell(int column, int row);
    // The thread leaves run() after the cell in progress. Nodes handed back after
    // that go with the hand-over, once nothing else can be building.
    void requestStop();

    static PackedCell packCell(int column, int row);
    static std::pair<int, int> unpackCell(PackedCell cell);

    // Cells of the current batch, the one the last camera cell queued, and how many
    // of them are generated since. A batch is done when both are equal.
    struct Progress
    {
        int generated = 0;
        int queued = 0;
    };
    Progress progress() const;

    // Cells built and cells the generator's cache let go of since the thread started,
    // whatever the batch (a cell found in the cache is not built again).
    struct Totals
    {
        long built = 0;
        long evicted = 0;
    };
    Totals totals() const;

    const osg::ref_ptr<NodeHandover> handover;
    mutable OpenThreads::Mutex workMutex;
    // Guarded by workMutex.
    std::deque<PackedCell> workList;

private:
    // A cell taken from the work list and the batch that queued it.
    struct Task
    {
        int column = 0;
        int row = 0;
        unsigned batchNumber = 0;
    };
    bool takeCell(Task& task);
    void generateCell(const Task& task);

    GeometryGenerator* const generator;
    const int cellRange;
    // Set through requestStop only, which also wakes the thread.
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> started{false};
    // Guarded by workMutex.
    Progress batch;
    unsigned batchNumber = 0;
    Totals cellTotals;
};
