#include "globe/TerrainSnapshot.h"

#include "globe/PagerThreads.h"
#include "globe/SpatialReference.h"

#include <osg/Camera>
#include <osg/GraphicsContext>
#include <osg/Math>
#include <osgDB/DatabasePager>
#include <osgUtil/SceneView>
#include <osgViewer/Renderer>

#include <chrono>
#include <cmath>

namespace globe
{
namespace
{
// The near/far ratio of the program's main view.
constexpr double nearFarRatio = 0.0001;
constexpr double verticalFieldOfView = 30.0;
// Frames the pager must stay idle before the terrain counts as loaded.
constexpr unsigned idleFrames = 3;

// Waits for the frame's drawing to finish, so that timings cover the rendering,
// and reads the picture back when one is wanted.
class FinishCallback : public osg::Camera::DrawCallback
{
public:
    explicit FinishCallback(osg::ref_ptr<osg::Image>& image) : _image(image) {}

    void operator()(osg::RenderInfo& renderInfo) const override
    {
        if (_image.valid())
        {
            const osg::Viewport* viewport = renderInfo.getCurrentCamera()->getViewport();
            _image->readPixels(int(viewport->x()), int(viewport->y()), int(viewport->width()),
                               int(viewport->height()), GL_RGB, GL_UNSIGNED_BYTE);
        }
        glFinish();
    }

private:
    osg::ref_ptr<osg::Image>& _image;
};
} // namespace

TerrainSnapshot::TerrainSnapshot(osg::Node* scene, int width, int height) : _viewer(new osgViewer::Viewer)
{
    osg::ref_ptr<osg::GraphicsContext::Traits> traits = new osg::GraphicsContext::Traits;
    traits->width = width;
    traits->height = height;
    traits->pbuffer = true;
    traits->doubleBuffer = false;
    traits->depth = 24;
    traits->readDISPLAY();
    traits->setUndefinedScreenDetailsToDefaultScreen();
    osg::ref_ptr<osg::GraphicsContext> context = osg::GraphicsContext::createGraphicsContext(traits.get());
    if (!context.valid())
        return;

    osg::Camera* camera = _viewer->getCamera();
    camera->setGraphicsContext(context.get());
    camera->setViewport(0, 0, width, height);
    camera->setProjectionMatrixAsPerspective(verticalFieldOfView, double(width) / height, 1.0, 1e7);
    camera->setNearFarRatio(nearFarRatio);
    camera->setClearColor(osg::Vec4(0.0f, 0.0f, 0.0f, 1.0f));
    camera->setDrawBuffer(GL_FRONT);
    camera->setReadBuffer(GL_FRONT);
    camera->setFinalDrawCallback(new FinishCallback(_image));
    _viewer->setThreadingModel(osgViewer::Viewer::SingleThreaded);
    _viewer->setSceneData(scene);
    _viewer->realize();
    _valid = _viewer->isRealized();
}

TerrainSnapshot::~TerrainSnapshot()
{
    stopPagerThreads(_viewer->getDatabasePager());
}

osg::Matrixd TerrainSnapshot::viewMatrix(const osg::Vec3d& focalLonLatAlt, double heading, double pitch, double range)
{
    osg::Matrixd localToWorld;
    SpatialReference::get("wgs84")->createLocalToWorld(focalLonLatAlt, localToWorld);
    const double h = osg::DegreesToRadians(heading);
    const double p = osg::DegreesToRadians(pitch);
    // In the focal point's east-north-up frame.
    const osg::Vec3d look(std::sin(h) * std::cos(p), std::cos(h) * std::cos(p), std::sin(p));
    const osg::Vec3d up(-std::sin(h) * std::sin(p), -std::cos(h) * std::sin(p), std::cos(p));
    const osg::Vec3d focal = localToWorld.getTrans();
    const osg::Vec3d eye = (-look * range) * localToWorld;
    const osg::Vec3d worldUp = osg::Matrixd::transform3x3(up, localToWorld);
    return osg::Matrixd::lookAt(eye, focal, worldUp);
}

void TerrainSnapshot::lookAt(const osg::Vec3d& focalLonLatAlt, double heading, double pitch, double range)
{
    _viewer->getCamera()->setViewMatrix(viewMatrix(focalLonLatAlt, heading, pitch, range));
}

unsigned TerrainSnapshot::renderUntilLoaded(unsigned maxFrames)
{
    unsigned frames = 0;
    unsigned idle = 0;
    while (frames < maxFrames && idle < idleFrames)
    {
        renderFrame();
        ++frames;
        const osgDB::DatabasePager* pager = _viewer->getDatabasePager();
        idle = pager && pager->getRequestsInProgress() ? 0 : idle + 1;
    }
    return frames;
}

double TerrainSnapshot::renderFrame()
{
    const auto start = std::chrono::steady_clock::now();
    _viewer->frame();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

osg::ref_ptr<osg::Image> TerrainSnapshot::capture()
{
    _image = new osg::Image;
    renderFrame();
    osg::ref_ptr<osg::Image> picture = _image;
    _image = nullptr;
    return picture;
}

osgUtil::Statistics TerrainSnapshot::lastFrameStatistics() const
{
    osgUtil::Statistics statistics;
    auto* renderer = dynamic_cast<osgViewer::Renderer*>(_viewer->getCamera()->getRenderer());
    if (renderer && renderer->getSceneView(0) && renderer->getSceneView(0)->getRenderStage())
        renderer->getSceneView(0)->getRenderStage()->getStats(statistics);
    return statistics;
}

unsigned TerrainSnapshot::drawnDrawables() const
{
    return lastFrameStatistics().numDrawables;
}

unsigned TerrainSnapshot::drawnVertices() const
{
    return lastFrameStatistics()._vertexCount;
}

void TerrainSnapshot::lastNearFar(double& zNear, double& zFar) const
{
    double fovy = 0.0, aspect = 0.0;
    _viewer->getCamera()->getProjectionMatrixAsPerspective(fovy, aspect, zNear, zFar);
}
} // namespace globe
