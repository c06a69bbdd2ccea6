#include "app/MyKeyboardEventHandler.h"

#include "globe/DateTime.h"
#include "globe/SkyNode.h"

#include <iostream>

namespace
{
const double hourStep = 0.1;
} // namespace

MyKeyboardEventHandler::MyKeyboardEventHandler() = default;

// The steps add up in double precision; the hour is not rounded to tenths.
bool MyKeyboardEventHandler::handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter&)
{
    if (ea.getEventType() != osgGA::GUIEventAdapter::KEYDOWN)
        return false;
    if (ea.getKey() == 'j')
    {
        hour -= hourStep;
        if (hour <= 0.0)
            hour = 0.0;
        showHour();
        std::cout << "hour -- " << hour << std::endl;
    }
    else if (ea.getKey() == 'u')
    {
        hour += hourStep;
        if (hour >= 24.0)
            hour = 24.0;
        showHour();
        std::cout << "hour ++: " << hour << std::endl;
    }
    return false;
}

void MyKeyboardEventHandler::showHour()
{
    if (sky)
        sky->setDateTime(globe::DateTime(2015, 4, 1, hour));
}
