#pragma once

namespace osgViewer
{
class View;
}

namespace globe
{
// The usual viewer helpers for a globe view: on-screen statistics (s), window
// size and full screen (f, <, >), state toggles (w polygon mode, l lighting,
// b back faces, t textures), LOD scale (*, /), help (h) and a screenshot (c).
// None of them takes the time-of-day keys j and u.
class MapNodeHelper
{
public:
    static void configureView(osgViewer::View* view);
};
} // namespace globe
