#pragma once

#include <QImage>

namespace osgViewer
{
class Viewer;
}

namespace Tarn {
namespace GUI {

// A picture of what a viewer shows, drawn afresh off the screen at any size: a camera
// rendering to a frame buffer object with the viewer's view, projection and scene.
// The size should keep the window's aspect, or the picture is stretched. GUI thread
// (the thread that draws the viewer's frames).
class OffscreenPicture
{
public:
    // Null when the picture could not be drawn (a size the driver refuses).
    static QImage render(osgViewer::Viewer& viewer, int width, int height);
};

} // namespace GUI
} // namespace Tarn
