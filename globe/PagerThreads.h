#pragma once

namespace osgDB
{
class DatabasePager;
}

namespace globe
{
// Stops the pager (null: nothing) and joins the threads it started. osgDB's cancel only
// waits until they have left their loops, and a thread never joined keeps its stack
// mapped (some 8 MB) for the life of the process. Called by the thread that owns the
// pager's viewer, as it lets the viewer go.
void stopPagerThreads(osgDB::DatabasePager* pager);
} // namespace globe
