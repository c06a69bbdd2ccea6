#include "globe/PagerThreads.h"

#include <osgDB/DatabasePager>

#include <vector>

namespace globe
{
// Only started threads are joined: the rest have no thread behind them.
void stopPagerThreads(osgDB::DatabasePager* pager)
{
    if (!pager)
        return;
    std::vector<OpenThreads::Thread*> started;
    for (unsigned i = 0; i < pager->getNumDatabaseThreads(); ++i)
        if (pager->getDatabaseThread(i)->isRunning())
            started.push_back(pager->getDatabaseThread(i));
    pager->cancel();
    for (OpenThreads::Thread* thread : started)
        thread->join();
}
} // namespace globe
