#include "PictureDifference.h"

#include <algorithm>
#include <cstdlib>

PictureDifference PictureDifference::between(const QImage& a, const QImage& b, int threshold)
{
    PictureDifference difference;
    if (a.size() != b.size() || a.isNull())
    {
        difference.meanLevels = 255.0;
        difference.changedShare = 1.0;
        return difference;
    }
    double levels = 0.0;
    long changed = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
        {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int d[3] = {std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))};
            levels += d[0] + d[1] + d[2];
            if (std::max({d[0], d[1], d[2]}) > threshold)
                ++changed;
        }
    const double pixels = static_cast<double>(a.width()) * a.height();
    difference.meanLevels = levels / (3.0 * pixels);
    difference.changedShare = changed / pixels;
    return difference;
}
