#include "generation/NodeHandover.h"

#include <algorithm>

using Lock = std::lock_guard<std::mutex>;

NodeHandover::NodeHandover() = default;
NodeHandover::~NodeHandover() = default;

void NodeHandover::pushFinished(osg::Node* node)
{
    Lock lock(mutex);
    finished.emplace_back(node);
}

void NodeHandover::takeBack(const Nodes& nodes)
{
    Lock lock(mutex);
    for (const osg::ref_ptr<osg::Node>& node : nodes)
    {
        const auto waiting = std::find(finished.begin(), finished.end(), node);
        if (waiting == finished.end())
            evicted.push_back(node);
        else
            finished.erase(waiting);
    }
}

bool NodeHandover::takeFinished(osg::ref_ptr<osg::Node>& node)
{
    Lock lock(mutex);
    if (finished.empty())
        return false;
    node = finished.front();
    finished.pop_front();
    return true;
}

bool NodeHandover::takeEvicted(osg::ref_ptr<osg::Node>& node)
{
    Lock lock(mutex);
    if (evicted.empty())
        return false;
    node = evicted.back();
    evicted.pop_back();
    return true;
}

// Swapped in under the lock: the caller's reference must be gone before the data
// thread can release the list, or the caller could end up holding the last one.
void NodeHandover::handBack(osg::ref_ptr<osg::Node>& node)
{
    Lock lock(mutex);
    handedBack.emplace_back();
    handedBack.back().swap(node);
    wakeLocked();
}

// Swapped out under the lock, destroyed outside it.
bool NodeHandover::releaseHandedBack()
{
    Nodes released;
    {
        Lock lock(mutex);
        released.swap(handedBack);
    }
    return !released.empty();
}

int NodeHandover::waitingCount() const
{
    Lock lock(mutex);
    return static_cast<int>(finished.size());
}

bool NodeHandover::hasChanges() const
{
    Lock lock(mutex);
    return !finished.empty() || !evicted.empty();
}

unsigned NodeHandover::wakeCount() const
{
    Lock lock(mutex);
    return wakes;
}

void NodeHandover::waitForWake(unsigned seen)
{
    std::unique_lock<std::mutex> lock(mutex);
    woken.wait(lock, [&] { return wakes != seen; });
}

void NodeHandover::wake()
{
    Lock lock(mutex);
    wakeLocked();
}

void NodeHandover::wakeLocked()
{
    ++wakes;
    woken.notify_all();
}
