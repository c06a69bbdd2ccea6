#pragma once

#include "app/AppSettings.h"

// Sets the process-wide Grid Size for one test and puts the old value back.
class GridSizeOverride
{
public:
    explicit GridSizeOverride(double gridSize) : saved(appSettings().gridSize.load())
    {
        appSettings().gridSize = gridSize;
    }
    ~GridSizeOverride() { appSettings().gridSize = saved; }

    GridSizeOverride(const GridSizeOverride&) = delete;
    GridSizeOverride& operator=(const GridSizeOverride&) = delete;

private:
    double saved;
};
