#pragma once

#include <QImage>
#include <osg/Camera>

// A camera's final draw callback that reads the finished frame back once asked to:
// the picture the user sees, taken before the buffers are swapped.
class FrameGrabber : public osg::Camera::DrawCallback
{
public:
    // The next frame drawn is kept.
    void grabNext() { armed = true; picture = QImage(); }
    bool hasPicture() const { return !picture.isNull(); }
    const QImage& getPicture() const { return picture; }

    void operator()(osg::RenderInfo& renderInfo) const override;

private:
    // The draw runs on the GUI thread, as the test does: no lock needed.
    mutable bool armed = false;
    mutable QImage picture;
};
