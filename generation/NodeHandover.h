#pragma once

#include <osg/Node>
#include <osg/Referenced>
#include <osg/ref_ptr>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

// The exchange of generated nodes between the data thread and the thread that
// draws: finished nodes wait here to be attached, oldest first; nodes of evicted
// cells wait to be detached; detached nodes come back to be destroyed on the data
// thread. It also wakes the data thread when there is something for it to do.
// Every method may be called from any thread; the comments say who calls it.
class NodeHandover : public osg::Referenced
{
public:
    using Nodes = std::vector<osg::ref_ptr<osg::Node>>;

    NodeHandover();

    // Data thread: a finished node, attached after every node pushed before it.
    void pushFinished(osg::Node* node);
    // Data thread: the nodes of an evicted cell. Those still waiting are taken back
    // (attached after their cell is gone, nothing would ever detach them); the
    // others wait to be detached.
    void takeBack(const Nodes& nodes);

    // Frame thread: the oldest finished node, or the newest node to detach; false,
    // leaving node as it was, when there is none.
    bool takeFinished(osg::ref_ptr<osg::Node>& node);
    bool takeEvicted(osg::ref_ptr<osg::Node>& node);
    // Frame thread: a node the scene has let go of, leaving node null. Its state sets
    // are linked into the generator's shared programs and uniforms, whose parent lists
    // the data thread writes while it builds; so it is destroyed on the data thread.
    void handBack(osg::ref_ptr<osg::Node>& node);

    // Data thread: destroys the nodes handed back; false when there were none.
    bool releaseHandedBack();

    // Finished nodes not yet taken.
    int waitingCount() const;
    // Something waits to be attached or detached.
    bool hasChanges() const;

    // The data thread's sleep: it reads wakeCount() before looking for work, and
    // waitForWake returns at once when wake() was called since then.
    unsigned wakeCount() const;
    void waitForWake(unsigned seen);
    void wake();

protected:
    ~NodeHandover() override;

private:
    void wakeLocked();

    mutable std::mutex mutex;
    std::condition_variable woken;
    unsigned wakes = 0;
    std::deque<osg::ref_ptr<osg::Node>> finished;
    Nodes evicted;
    Nodes handedBack;
};
