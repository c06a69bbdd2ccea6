#pragma once

#include <osg/Vec3f>

#include <string_view>

// Colours as mappers write them in building:colour and roof:colour. Any thread may call it.

// A CSS colour name ("darkred", "Light Grey" and "light_grey" read as "lightgrey") or
// #rgb / #rrggbb, as red, green and blue in 0..1; false for anything else.
bool readColourTag(std::string_view text, osg::Vec3f& colour);
