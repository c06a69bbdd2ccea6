#pragma once

#include <OpenThreads/Mutex>
#include <OpenThreads/Thread>
#include <osg/Node>
#include <osg/ref_ptr>

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <utility>
#include <vector>

class GeometryGenerator;

// The background thread: generates the water of the extract once, then the cells
// queued around the camera, one at a time, in the order they were queued. Finished
// nodes pass to the scene through the generator's queues, guarded by addedMutex and
// removedMutex; no code holds two of the three mutexes at once.
class DataThread : public OpenThreads::Thread
{
public:
    // One cell of the work list: the column in the low 32 bits, the row in the high ones.
    using PackedCell = std::uint64_t;

    DataThread();
    // Stops the thread if it still runs and waits for it; do not join it elsewhere.
    ~DataThread() override;

    DataThread(const DataThread&) = delete;
    DataThread& operator=(const DataThread&) = delete;

    void run() override;

    // Queues the cells around (column, row), Cell Range rings of them, behind the
    // cells still waiting. Called on the GUI thread.
    void setCameraCell(int column, int row);
    // Inserts the rings around (column, row) at the front of the list, so that taking
    // from the back yields them in ring order. The caller holds workMutex.
    static void queueCellsAround(std::deque<PackedCell>& list, int column, int row, int range);

    static PackedCell packCell(int column, int row);
    static std::pair<int, int> unpackCell(PackedCell cell);

    // Move the oldest node of the generator's addedNodes (the newest of removedNodes)
    // into node; false, leaving node as it was, when the queue is empty. Finished
    // nodes are shown in the order they were built, so the water and the cells
    // nearest the camera come first however far generation runs ahead of the frames.
    bool takeAddedNode(osg::ref_ptr<osg::Node>& node);
    bool takeRemovedNode(osg::ref_ptr<osg::Node>& node);

    // Takes over a node the scene has let go of, leaving node null. Its state sets are
    // linked into the generator's shared programs and uniforms, whose parent lists
    // this thread writes while it builds new nodes; so the node is destroyed here,
    // between two cells, never on the GUI thread while a cell is being built.
    void releaseLater(osg::ref_ptr<osg::Node>& node);

    std::unique_ptr<OpenThreads::Mutex> addedMutex;
    std::unique_ptr<OpenThreads::Mutex> removedMutex;
    std::unique_ptr<OpenThreads::Mutex> workMutex;
    GeometryGenerator* generator = nullptr;
    std::deque<PackedCell> workList;
    std::atomic<bool> stopRequested{false};

    // Cells of the current batch: the cells queued since the list last ran dry,
    // and how many of them are generated. A batch is done when both are equal.
    struct Progress
    {
        int generated = 0;
        int queued = 0;
    };
    Progress progress() const;
    // Finished nodes waiting to be attached.
    int waitingNodeCount() const;

private:
    bool takeCell(int& column, int& row);
    void releaseDetachedNodes();

    // Guarded by removedMutex.
    std::vector<osg::ref_ptr<osg::Node>> detachedNodes;
    std::atomic<bool> started{false};
    // Guarded by workMutex.
    Progress batch;
};
