#pragma once

#include "app/LocalSolarClock.h"

#include <osgGA/GUIEventHandler>

namespace globe
{
class SkyNode;
}

// The time-of-day keys: "j" sets the sun a tenth of an hour back, "u" a tenth
// forward, within the scene's day from 0:00 to 24:00 local solar time. Events
// always pass on.
class MyKeyboardEventHandler : public osgGA::GUIEventHandler
{
public:
    MyKeyboardEventHandler();

    using osgGA::GUIEventHandler::handle;
    bool handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa) override;

    // Not owned: the scene graph keeps the sky alive. Set by scene assembly.
    globe::SkyNode* sky = nullptr;
    // The local solar hour, starting at the hour the sky is given, so the first key
    // continues from there.
    double hour = 9.0;
    LocalSolarClock clock;

    // Sets the hour (clamped to 0..24) and the sky's sun.
    void setHour(double localHour);
};
