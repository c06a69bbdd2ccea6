#pragma once

#include "osm/TagTable.h"

#include <string_view>

// A building's roof as tagged: roof:shape, roof:direction, roof:orientation.
// Plain values: any thread may use them.
struct RoofShape
{
    enum class Kind
    {
        Flat,
        Skillion,
        Gabled,
        HalfHipped,
        Hipped,
        Pyramidal,
        Gambrel,
        Mansard,
        Dome,
        Onion,
        Round,
        Saltbox,
        Cone
    };

    Kind kind = Kind::Flat;
    // Compass bearing in degrees (clockwise from north) the roof's water runs off
    // towards; only meaningful when hasDirection.
    bool hasDirection = false;
    double direction = 0.0;
    // roof:orientation=across: the ridge runs along the footprint's short sides.
    bool across = false;

    // Unknown shapes are flat; an unreadable direction is no direction.
    static RoofShape read(const Tags& tags);
    bool isPitched() const { return kind != Kind::Flat; }
};

// A bearing in degrees ("45", "-90", "247,5") or a compass point of up to three
// letters (N, NNE, NE, ..., NNW), normalised to [0, 360); false when unreadable.
bool readRoofDirection(std::string_view text, double& degrees);
