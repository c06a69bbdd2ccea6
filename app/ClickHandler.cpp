#include "app/ClickHandler.h"

#include <cmath>

namespace
{
const float dragPixels = 4.0f;
} // namespace

ClickHandler::ClickHandler(Clicked clicked_) : clicked(std::move(clicked_)) {}

bool ClickHandler::handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter&)
{
    const bool left = ea.getButton() == osgGA::GUIEventAdapter::LEFT_MOUSE_BUTTON;
    switch (ea.getEventType())
    {
    case osgGA::GUIEventAdapter::PUSH:
        pressed = left;
        pressX = ea.getX();
        pressY = ea.getY();
        break;
    case osgGA::GUIEventAdapter::DRAG:
        if (std::hypot(ea.getX() - pressX, ea.getY() - pressY) > dragPixels)
            pressed = false;
        break;
    case osgGA::GUIEventAdapter::RELEASE:
        if (pressed && left && std::hypot(ea.getX() - pressX, ea.getY() - pressY) <= dragPixels)
        {
            const bool down = ea.getMouseYOrientation() == osgGA::GUIEventAdapter::Y_INCREASING_DOWNWARDS;
            clicked(ea.getX() - ea.getXmin(), down ? ea.getYmax() - ea.getY() : ea.getY() - ea.getYmin());
        }
        pressed = false;
        break;
    default:
        break;
    }
    return false;
}
