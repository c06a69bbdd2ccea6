#pragma once

#include "app/MainWindow.h"
#include "app/OrvalisApplication.h"
#include "app/SceneContext.h"

#include <string>

// The viewer's main window on its own scene, shown and exposed, for the benches that
// measure the real program rather than a viewer of their own. GUI thread only; one
// at a time, as it owns the application object.
class BenchWindow
{
public:
    BenchWindow();

    // The files given as on the command line, once the batch is shown and the terrain
    // pager has nothing left to load; throws when that does not come.
    void open(const std::string& osmPath, const std::string& terrainPath);
    // Waits as open does, for the scene the window holds now.
    void waitUntilSettled() const;

    OrvalisApplication application;
    SceneContext scene;
    MainWindow window{&scene};
};
