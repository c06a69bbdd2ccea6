#pragma once

#include <string>

class QWidget;

// What the benches that open a real window share. Each throws std::runtime_error
// with a message for the user when it cannot go on.

// A display to open windows on (run under xvfb-run without one).
void requireDisplay();
// The shaders are found in shaders/ beside the program, as the viewer finds them.
void addShaderPathBesideProgram();
// The scene itself would draw an unreadable terrain as the bare ellipsoid; a bench
// run on it would measure the wrong thing.
void checkTerrain(const std::string& path);
// Runs the event loop until the widget's window is exposed.
void waitForExpose(QWidget& widget);
