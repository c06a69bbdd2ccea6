#pragma once

#include <osg/Image>
#include <osg/Matrixd>
#include <osg/Node>
#include <osg/Vec3d>
#include <osg/ref_ptr>
#include <osgUtil/Statistics>
#include <osgViewer/Viewer>

namespace globe
{
// Renders a globe scene off screen with the viewer's own machinery (database
// pager included), so that benchmarks and tests can look at the terrain
// without a window. The camera keeps the main view's near/far ratio.
class TerrainSnapshot
{
public:
    TerrainSnapshot(osg::Node* scene, int width, int height);
    ~TerrainSnapshot();

    // False when no graphics context could be made (no display).
    bool isValid() const { return _valid; }

    // Looks at a focal point (longitude, latitude, altitude) from range metres,
    // heading degrees clockwise from north, pitch degrees (negative looks down).
    void lookAt(const osg::Vec3d& focalLonLatAlt, double heading, double pitch, double range);
    static osg::Matrixd viewMatrix(const osg::Vec3d& focalLonLatAlt, double heading, double pitch, double range);

    // Renders until the database pager has had nothing to do for a few frames, at
    // most maxFrames. Returns the number of frames rendered.
    unsigned renderUntilLoaded(unsigned maxFrames);
    // Renders one frame to completion; returns its duration in milliseconds.
    double renderFrame();
    // Renders one frame and returns its picture (RGB, rows bottom-up).
    osg::ref_ptr<osg::Image> capture();

    // Drawables and vertices the last frame drew.
    unsigned drawnDrawables() const;
    unsigned drawnVertices() const;
    // Near and far plane of the last frame.
    void lastNearFar(double& zNear, double& zFar) const;

    osgViewer::Viewer* getViewer() const { return _viewer.get(); }

private:
    osgUtil::Statistics lastFrameStatistics() const;

    osg::ref_ptr<osgViewer::Viewer> _viewer;
    osg::ref_ptr<osg::Image> _image;
    bool _valid = false;
};
} // namespace globe
