#pragma once

#include "globe/Viewpoint.h"

#include <osg/CoordinateSystemNode>
#include <osg/Node>
#include <osg/observer_ptr>
#include <osg/ref_ptr>
#include <osgGA/CameraManipulator>

#include <memory>

namespace globe
{
class ElevationQuery;

// Camera manipulator for the geocentric globe. The camera circles a focal point
// on the terrain at a heading, pitch and range:
//  - left drag pans along the surface, middle drag (or left+right) rotates and
//    tilts, right drag and the wheel zoom, the arrow keys pan;
//  - a double click zooms in toward the point under the pointer (right button: out);
//  - space flies home.
// Every movement of the focal point across the surface goes through pan(), so a
// subclass that restricts pan() restricts all of them. The focal point is kept
// on the terrain of the map found under the node given to setNode(); the eye
// never goes below the ground there and the range stays within the settings.
class EarthManipulator : public osgGA::CameraManipulator
{
public:
    class Settings : public osg::Referenced
    {
    public:
        Settings();

        // Closest and farthest distance of the eye from the focal point, in metres.
        void setMinMaxDistance(double minDistance, double maxDistance);
        double getMinDistance() const { return _minDistance; }
        double getMaxDistance() const { return _maxDistance; }

        // Steepest and flattest pitch, in degrees (-90 looks straight down).
        void setMinMaxPitch(double minPitch, double maxPitch);
        double getMinPitch() const { return _minPitch; }
        double getMaxPitch() const { return _maxPitch; }

        // Scale of the mouse drags and of one wheel step.
        void setMouseSensitivity(double sensitivity) { _mouseSensitivity = sensitivity; }
        double getMouseSensitivity() const { return _mouseSensitivity; }
        void setScrollSensitivity(double sensitivity) { _scrollSensitivity = sensitivity; }
        double getScrollSensitivity() const { return _scrollSensitivity; }

    private:
        double _minDistance;
        double _maxDistance;
        double _minPitch;
        double _maxPitch;
        double _mouseSensitivity;
        double _scrollSensitivity;
    };

    EarthManipulator();

    const char* className() const override { return "EarthManipulator"; }

    Settings* getSettings() const { return _settings.get(); }
    void applySettings(Settings* settings);

    // The current pose (during a flight, the pose of this moment).
    Viewpoint getViewpoint() const;
    // Jumps to the viewpoint when duration is 0, otherwise flies there in that many seconds.
    virtual void setViewpoint(const Viewpoint& viewpoint, double duration = 0.0);
    void setHomeViewpoint(const Viewpoint& viewpoint, double duration = 0.0);
    bool isFlying() const { return _flight.active; }

    // Mouse-sized movements: dx and dy in normalized window units (the window spans 2).
    // pan: drags the ground, moving the focal point by 0.3 range per unit against (dx, dy).
    virtual void pan(double dx, double dy);
    // zoom: multiplies the range by e^dy (dx is unused).
    virtual void zoom(double dx, double dy);
    // rotate: turns the heading by 90 degrees and the pitch by 45 degrees per unit.
    virtual void rotate(double dx, double dy);
    // Moves the focal point by metres east and north through pan().
    void panBy(double east, double north);

    using osgGA::CameraManipulator::handle;
    bool handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa) override;
    // Zooms toward (or, with the right button, away from) the point under the pointer.
    virtual bool handlePointAction(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa);
    void getUsage(osg::ApplicationUsage& usage) const override;

    void setByMatrix(const osg::Matrixd& matrix) override;
    void setByInverseMatrix(const osg::Matrixd& matrix) override;
    osg::Matrixd getMatrix() const override;
    osg::Matrixd getInverseMatrix() const override;

    void setNode(osg::Node* node) override;
    const osg::Node* getNode() const override { return _node.get(); }
    osg::Node* getNode() override { return _node.get(); }

    void home(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa) override;
    void home(double currentTime) override;

protected:
    ~EarthManipulator() override;

private:
    struct Flight
    {
        bool active = false;
        Viewpoint from;
        Viewpoint to;
        double duration = 0.0;
        double startTime = -1.0;
    };

    const osg::EllipsoidModel& ellipsoid() const;
    bool terrainHeight(double lon, double lat, double& height) const;
    osg::Matrixd cameraMatrix(const Viewpoint& pose) const;
    bool eyeClearOfGround(const Viewpoint& pose) const;
    void applyPose(const Viewpoint& requested);
    void updateFlight(double time);
    Viewpoint flightPose(double t) const;
    bool intersectGround(const osg::Vec3d& start, const osg::Vec3d& direction, osg::Vec3d& hit) const;

    osg::ref_ptr<Settings> _settings;
    osg::observer_ptr<osg::Node> _node;
    std::unique_ptr<ElevationQuery> _elevation;
    Viewpoint _pose;
    Viewpoint _homeViewpoint;
    bool _hasHomeViewpoint;
    double _homeDuration;
    Flight _flight;
    double _lastX;
    double _lastY;
};
} // namespace globe
