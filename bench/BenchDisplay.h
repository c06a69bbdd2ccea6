#pragma once

#include <string>

class QWidget;

// What the benches that open a real window share. Each throws std::runtime_error
// with a message for the user when it cannot go on.

// A display to open windows on (run under xvfb-run without one).
void requireDisplay();
// The shaders are found in shaders/ beside the program, as the viewer finds them.
void addShaderPathBesideProgram();
// A terrain the scene cannot use is refused before the extract is read.
void checkTerrain(const std::string& path);
// Runs the event loop until the widget's window is exposed.
void waitForExpose(QWidget& widget);
// Runs the event loop for the given time.
void runEventLoop(double seconds);
