#include "FrameGrabber.h"

#include <osg/GL>
#include <osg/RenderInfo>
#include <osg/Viewport>

void FrameGrabber::operator()(osg::RenderInfo& renderInfo) const
{
    if (!armed)
        return;
    armed = false;
    const osg::Viewport* viewport = renderInfo.getCurrentCamera()->getViewport();
    QImage image(static_cast<int>(viewport->width()), static_cast<int>(viewport->height()), QImage::Format_RGB888);
    // QImage pads its rows to 4 bytes, as GL does with this alignment.
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(static_cast<GLint>(viewport->x()), static_cast<GLint>(viewport->y()), image.width(), image.height(),
                 GL_RGB, GL_UNSIGNED_BYTE, image.bits());
    // GL's rows go bottom-up.
    picture = image.mirrored();
}
