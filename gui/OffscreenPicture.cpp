#include "gui/OffscreenPicture.h"

#include <osg/Camera>
#include <osg/GraphicsContext>
#include <osg/Image>
#include <osgViewer/Viewer>

#include <algorithm>
#include <cstring>

namespace Tarn {
namespace GUI {

namespace
{
// A slave of the viewer's camera, so it follows its view and projection, drawn before
// it into a frame buffer object that is read back into picture.
osg::ref_ptr<osg::Camera> pictureCamera(const osg::Camera& master, osg::Image* picture)
{
    osg::ref_ptr<osg::Camera> camera = new osg::Camera;
    camera->setCullSettings(master);
    camera->setGraphicsContext(const_cast<osg::GraphicsContext*>(master.getGraphicsContext()));
    camera->setViewport(0, 0, picture->s(), picture->t());
    osg::Vec4 clear = master.getClearColor();
    // Opaque, so that a picture left untouched (a refused buffer) can be told.
    clear.a() = 1.0f;
    camera->setClearColor(clear);
    camera->setClearMask(master.getClearMask());
    camera->setRenderOrder(osg::Camera::PRE_RENDER);
    camera->setRenderTargetImplementation(osg::Camera::FRAME_BUFFER_OBJECT);
    // Not multisampled: llvmpipe leaves such a buffer incomplete, and a picture larger
    // than the window has the finer edges anyway. The render stage adds the depth buffer.
    camera->attach(osg::Camera::COLOR_BUFFER, picture);
    return camera;
}

bool untouched(const osg::Image& picture)
{
    const unsigned char* data = picture.data();
    return std::all_of(data, data + picture.getTotalSizeInBytes(), [](unsigned char byte) { return byte == 0; });
}
} // namespace

QImage OffscreenPicture::render(osgViewer::Viewer& viewer, int width, int height)
{
    osg::Camera* master = viewer.getCamera();
    if (width <= 0 || height <= 0 || master->getGraphicsContext() == nullptr)
        return QImage();
    osg::ref_ptr<osg::Image> picture = new osg::Image;
    picture->allocateImage(width, height, 1, GL_RGBA, GL_UNSIGNED_BYTE);
    std::memset(picture->data(), 0, picture->getTotalSizeInBytes());

    osg::ref_ptr<osg::Camera> camera = pictureCamera(*master, picture.get());
    viewer.addSlave(camera.get(), true);
    viewer.frame();
    viewer.removeSlave(viewer.findSlaveIndexForCamera(camera.get()));
    if (untouched(*picture))
        return QImage();
    // GL rows run from the bottom up.
    const QImage rows(picture->data(), width, height, static_cast<int>(picture->getRowSizeInBytes()),
                      QImage::Format_RGBA8888);
    return rows.mirrored().convertToFormat(QImage::Format_RGB888);
}

} // namespace GUI
} // namespace Tarn
