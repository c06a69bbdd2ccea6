#pragma once

#include <QImage>

// How far two pictures of the same size are apart.
struct PictureDifference
{
    // Mean over all pixels and channels of the absolute difference, in levels.
    double meanLevels = 0.0;
    // Share of the pixels that differ by more than `threshold` levels in a channel.
    double changedShare = 0.0;

    static PictureDifference between(const QImage& a, const QImage& b, int threshold = 24);
};
