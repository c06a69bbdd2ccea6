#pragma once

#include <osgGA/GUIEventHandler>

#include <functional>

// Tells of a click in the view: the left button pressed and released without the
// pointer moving more than a few pixels in between (a drag turns the camera
// instead). Events always pass on. Runs on the thread that runs the viewer's events.
class ClickHandler : public osgGA::GUIEventHandler
{
public:
    // Window coordinates of the release, origin at the bottom left.
    using Clicked = std::function<void(float x, float y)>;
    explicit ClickHandler(Clicked clicked);

    using osgGA::GUIEventHandler::handle;
    bool handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa) override;

private:
    Clicked clicked;
    bool pressed = false;
    float pressX = 0.0f;
    float pressY = 0.0f;
};
