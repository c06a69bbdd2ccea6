#include "app/MyKeyboardEventHandler.h"

#include "globe/DateTime.h"
#include "globe/SkyNode.h"

#include <algorithm>
#include <iostream>

namespace
{
const double hourStep = 0.1;
} // namespace

MyKeyboardEventHandler::MyKeyboardEventHandler() = default;

// The steps add up in double precision; the hour is not rounded to tenths.
bool MyKeyboardEventHandler::handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa)
{
    if (ea.getEventType() != osgGA::GUIEventAdapter::KEYDOWN)
        return false;
    if (ea.getKey() == 'j')
    {
        setHour(hour - hourStep);
        std::cout << "hour -- " << hour << std::endl;
        aa.requestRedraw();
    }
    else if (ea.getKey() == 'u')
    {
        setHour(hour + hourStep);
        std::cout << "hour ++: " << hour << std::endl;
        aa.requestRedraw();
    }
    return false;
}

void MyKeyboardEventHandler::setHour(double localHour)
{
    hour = std::min(std::max(localHour, 0.0), 24.0);
    if (sky)
        sky->setDateTime(clock.utc(hour));
}
