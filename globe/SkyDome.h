#pragma once

#include <osg/Camera>
#include <osg/Uniform>
#include <osg/Vec3f>
#include <osg/ref_ptr>

namespace globe
{
// The sky behind everything: a full-screen quad whose shader turns each pixel's
// viewing ray into a colour between the horizon and the zenith, a warm glow
// toward the sun and the sun's disc. It is a nested camera with its own
// projection that draws first, without depth, and takes no part in the
// near/far computation of the view it is drawn in.
class SkyDome : public osg::Camera
{
public:
    SkyDome();

    // The view's projection (only the shape of its frustum is used) and, in eye
    // coordinates, the local up direction and the direction toward the sun.
    void setView(const osg::Matrixd& projection, const osg::Vec3f& upEye, const osg::Vec3f& sunEye);
    void setColors(const osg::Vec3f& zenith, const osg::Vec3f& horizon, const osg::Vec3f& glow);
    void setSunVisible(bool visible);

private:
    osg::ref_ptr<osg::Uniform> _inverseProjection;
    osg::ref_ptr<osg::Uniform> _upEye;
    osg::ref_ptr<osg::Uniform> _sunEye;
    osg::ref_ptr<osg::Uniform> _zenithColor;
    osg::ref_ptr<osg::Uniform> _horizonColor;
    osg::ref_ptr<osg::Uniform> _glowColor;
    osg::ref_ptr<osg::Uniform> _sunVisible;
};
} // namespace globe
