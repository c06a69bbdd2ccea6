#pragma once

#include "generation/UpdateCallback.h"

#include <osg/MatrixTransform>
#include <osg/Observer>

#include <atomic>
#include <chrono>
#include <thread>

// Calls step until it returns true; false once a generous bound has passed, so that
// a thread that never delivers fails the test instead of hanging it.
template <class Step>
bool repeatUntil(Step step, double boundSeconds = 120.0)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(boundSeconds);
    while (!step())
    {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::yield();
    }
    return true;
}

// A transform whose children cost time: every child attached or detached advances
// the clock it hands out by one second, however often that clock is read.
class CostedTransform : public osg::MatrixTransform
{
public:
    bool addChild(osg::Node* child) override
    {
        const bool added = osg::MatrixTransform::addChild(child);
        changes += added ? 1 : 0;
        return added;
    }
    bool removeChildren(unsigned int pos, unsigned int count) override
    {
        const unsigned int before = getNumChildren();
        const bool removed = osg::MatrixTransform::removeChildren(pos, count);
        changes += before - getNumChildren();
        return removed;
    }
    // Read only from update traversals of this transform, which it outlives.
    UpdateCallback::Clock clock()
    {
        return [this] { return static_cast<double>(changes); };
    }

private:
    unsigned int changes = 0;
};

// Counts the deletions of the objects it watches and notes the thread of the last one.
class DeletionWatch : public osg::Observer
{
public:
    void objectDeleted(void*) override
    {
        lastOn = std::this_thread::get_id();
        ++deleted;
    }
    std::atomic<int> deleted{0};
    std::thread::id lastOn;
};
