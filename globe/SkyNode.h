#pragma once

#include "globe/DateTime.h"

#include <osg/CoordinateSystemNode>
#include <osg/Group>
#include <osg/Light>
#include <osg/Vec3d>
#include <osg/ref_ptr>

namespace osg
{
class View;
}

namespace globe
{
class MapNode;
class SkyDome;

// The sky over the globe and the sun that lights it. Its children are the
// scene; the sky itself (atmosphere and sun disc) is drawn behind them. Once
// attached to a view, the view's light is the sun: a directional light given in
// world (ECEF) coordinates, so every shader finds it in eye space as
// gl_LightSource[n].position.
class SkyNode : public osg::Group
{
public:
    static SkyNode* create(MapNode* mapNode);

    void setDateTime(const DateTime& dateTime);
    const DateTime& getDateTime() const { return _dateTime; }

    void setSunVisible(bool visible);
    bool getSunVisible() const { return _sunVisible; }

    // Makes the sun the light lightNum of the view, positioned in world coordinates.
    void attach(osg::View* view, int lightNum = 0);

    // Unit vector from the earth's centre toward the sun, in ECEF coordinates.
    const osg::Vec3d& getSunDirection() const { return _sunDirection; }
    osg::Light* getSunLight() const { return _light.get(); }

    void traverse(osg::NodeVisitor& nv) override;
    void resizeGLObjectBuffers(unsigned int maxSize) override;
    void releaseGLObjects(osg::State* state = nullptr) const override;

protected:
    ~SkyNode() override;

private:
    explicit SkyNode(MapNode* mapNode);

    void updateForEye(const osg::Vec3d& eyeWorld, const osg::Matrixd& viewMatrix, const osg::Matrixd& projection);

    osg::ref_ptr<const osg::EllipsoidModel> _ellipsoid;
    DateTime _dateTime;
    bool _sunVisible;
    osg::Vec3d _sunDirection;
    osg::ref_ptr<osg::Light> _light;
    osg::ref_ptr<SkyDome> _dome;
};
} // namespace globe
