#pragma once

#include <QImage>

// How many pixels of a picture of the city look like each thing in it, told apart
// by hue so that the lighting (the shaders scale a colour by 0.5 to 1) does not matter.
struct PixelCensus
{
    // Buildings in the "Model Color" scheme, (0.9, 0.4, 0.4) lit.
    int modelBuildings = 0;
    // Terrain, (0.4, 0.7, 0.4) lit.
    int terrain = 0;
    // Streets of the white and grey kinds: light, without hue.
    int streets = 0;
    // The sea, (0.1, 0.1, 1.0) lit, or its sun glint's blue-white.
    int water = 0;

    static PixelCensus of(const QImage& picture);

    // True when a pixel's colour is `colour` (0 to 1) times a light factor of 0.5 to 1,
    // within `tolerance` levels; the factor is returned.
    static bool isLit(QRgb pixel, const float colour[3], int tolerance, float* factor = nullptr);
};
