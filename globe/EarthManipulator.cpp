#include "globe/EarthManipulator.h"

#include "globe/ElevationQuery.h"
#include "globe/MapNode.h"

#include <osg/ApplicationUsage>
#include <osg/Math>
#include <osg/View>
#include <osgUtil/IntersectionVisitor>
#include <osgUtil/LineSegmentIntersector>

#include <algorithm>
#include <cmath>

namespace globe
{
namespace
{
// Ground distance of one normalized unit of drag, as a share of the range.
const double panScale = 0.3;
// Nearest the eye may come to the ground beneath it, in metres.
const double groundClearance = 10.0;
const double arrowKeyStep = 0.1;
const double pointZoomFactor = 0.5;

double wrapDegrees(double degrees)
{
    const double wrapped = std::fmod(degrees + 180.0, 360.0);
    return (wrapped < 0.0 ? wrapped + 360.0 : wrapped) - 180.0;
}

// Shortest signed turn from a to b, in degrees.
double angleDifference(double a, double b)
{
    return wrapDegrees(b - a);
}

double smoothStep(double t)
{
    return t * t * (3.0 - 2.0 * t);
}

osg::Matrixd localToWorld(const osg::EllipsoidModel& ellipsoid, const osg::Vec3d& lonLatAlt)
{
    osg::Matrixd matrix;
    ellipsoid.computeLocalToWorldTransformFromLatLongHeight(osg::DegreesToRadians(lonLatAlt.y()),
                                                            osg::DegreesToRadians(lonLatAlt.x()), lonLatAlt.z(),
                                                            matrix);
    return matrix;
}

osg::Vec3d toLonLatAlt(const osg::EllipsoidModel& ellipsoid, const osg::Vec3d& world)
{
    double lat = 0.0, lon = 0.0, height = 0.0;
    ellipsoid.convertXYZToLatLongHeight(world.x(), world.y(), world.z(), lat, lon, height);
    return osg::Vec3d(osg::RadiansToDegrees(lon), osg::RadiansToDegrees(lat), height);
}

// Nearest point ahead where the ray meets the ellipsoid's surface.
bool intersectEllipsoid(const osg::EllipsoidModel& ellipsoid, const osg::Vec3d& start, const osg::Vec3d& direction,
                        osg::Vec3d& hit)
{
    // In units of the radii the ellipsoid is the unit sphere.
    const osg::Vec3d scale(1.0 / ellipsoid.getRadiusEquator(), 1.0 / ellipsoid.getRadiusEquator(),
                           1.0 / ellipsoid.getRadiusPolar());
    const osg::Vec3d o(start.x() * scale.x(), start.y() * scale.y(), start.z() * scale.z());
    const osg::Vec3d d(direction.x() * scale.x(), direction.y() * scale.y(), direction.z() * scale.z());
    const double a = d * d;
    const double b = 2.0 * (o * d);
    const double c = o * o - 1.0;
    const double discriminant = b * b - 4.0 * a * c;
    if (a <= 0.0 || discriminant < 0.0)
        return false;
    const double root = std::sqrt(discriminant);
    double t = (-b - root) / (2.0 * a);
    if (t < 0.0)
        t = (-b + root) / (2.0 * a);
    if (t < 0.0)
        return false;
    hit = start + direction * t;
    return true;
}

class MapNodeFinder : public osg::NodeVisitor
{
public:
    MapNodeFinder() : osg::NodeVisitor(osg::NodeVisitor::TRAVERSE_ALL_CHILDREN) {}

    void apply(osg::Node& node) override
    {
        if (found)
            return;
        found = dynamic_cast<MapNode*>(&node);
        if (!found)
            traverse(node);
    }

    MapNode* found = nullptr;
};
} // namespace

EarthManipulator::Settings::Settings()
    : _minDistance(1.0)
    , _maxDistance(5.0e7)
    , _minPitch(-90.0)
    , _maxPitch(-10.0)
    , _mouseSensitivity(1.0)
    , _scrollSensitivity(0.2)
{
}

void EarthManipulator::Settings::setMinMaxDistance(double minDistance, double maxDistance)
{
    _minDistance = std::max(0.0, std::min(minDistance, maxDistance));
    _maxDistance = std::max(minDistance, maxDistance);
}

void EarthManipulator::Settings::setMinMaxPitch(double minPitch, double maxPitch)
{
    _minPitch = osg::clampBetween(std::min(minPitch, maxPitch), -90.0, 90.0);
    _maxPitch = osg::clampBetween(std::max(minPitch, maxPitch), -90.0, 90.0);
}

EarthManipulator::EarthManipulator()
    : _settings(new Settings)
    , _pose(0.0, 0.0, 0.0, 0.0, -90.0, 2.0e7)
    , _hasHomeViewpoint(false)
    , _homeDuration(0.0)
    , _lastX(0.0)
    , _lastY(0.0)
{
    applyPose(_pose);
}

EarthManipulator::~EarthManipulator() = default;

void EarthManipulator::applySettings(Settings* settings)
{
    if (settings)
        _settings = settings;
    applyPose(_pose);
}

const osg::EllipsoidModel& EarthManipulator::ellipsoid() const
{
    return *SpatialReference::get("wgs84")->getEllipsoid();
}

bool EarthManipulator::terrainHeight(double lon, double lat, double& height) const
{
    height = 0.0;
    if (!_elevation)
        return false;
    // Where no layer has data the terrain is the ellipsoid itself (height 0).
    _elevation->getElevation(GeoPoint(SpatialReference::get("wgs84"), lon, lat), height);
    return true;
}

osg::Matrixd EarthManipulator::cameraMatrix(const Viewpoint& pose) const
{
    // Looking straight down with north up is the local frame itself; pitch tilts
    // the view up about east, heading turns it clockwise about up, and the eye
    // sits range behind the focal point.
    return osg::Matrixd::translate(0.0, 0.0, pose.getRange()) *
           osg::Matrixd::rotate(osg::DegreesToRadians(90.0 + pose.getPitch()), osg::X_AXIS) *
           osg::Matrixd::rotate(osg::DegreesToRadians(-pose.getHeading()), osg::Z_AXIS) *
           localToWorld(ellipsoid(), pose.getFocalPoint());
}

bool EarthManipulator::eyeClearOfGround(const Viewpoint& pose) const
{
    const osg::Vec3d eye = toLonLatAlt(ellipsoid(), cameraMatrix(pose).getTrans());
    double ground = 0.0;
    terrainHeight(eye.x(), eye.y(), ground);
    return eye.z() >= ground + groundClearance;
}

void EarthManipulator::applyPose(const Viewpoint& requested)
{
    Viewpoint pose = requested;
    osg::Vec3d focal(wrapDegrees(pose.x()), osg::clampBetween(pose.y(), -90.0, 90.0), pose.z());
    double ground = 0.0;
    if (terrainHeight(focal.x(), focal.y(), ground))
        focal.z() = ground;
    pose.setFocalPoint(focal);
    pose.setHeading(wrapDegrees(pose.getHeading()));
    pose.setPitch(osg::clampBetween(pose.getPitch(), _settings->getMinPitch(), _settings->getMaxPitch()));
    pose.setRange(osg::clampBetween(pose.getRange(), _settings->getMinDistance(), _settings->getMaxDistance()));

    if (_elevation && !eyeClearOfGround(pose))
    {
        // Steepen the view just enough to lift the eye over the ground in front of it.
        double clear = _settings->getMinPitch();
        double blocked = pose.getPitch();
        Viewpoint probe = pose;
        for (int i = 0; i < 30; ++i)
        {
            probe.setPitch(0.5 * (clear + blocked));
            (eyeClearOfGround(probe) ? clear : blocked) = probe.getPitch();
        }
        pose.setPitch(clear);
    }
    _pose = pose;
}

Viewpoint EarthManipulator::getViewpoint() const
{
    return Viewpoint(_pose.x(), _pose.y(), _pose.z(), _pose.getHeading(), _pose.getPitch(), _pose.getRange(),
                     SpatialReference::get("wgs84"));
}

void EarthManipulator::setViewpoint(const Viewpoint& viewpoint, double duration)
{
    _flight = Flight();
    if (duration <= 0.0)
    {
        applyPose(viewpoint);
        return;
    }
    _flight.active = true;
    _flight.from = _pose;
    _flight.to = viewpoint;
    _flight.duration = duration;
}

void EarthManipulator::setHomeViewpoint(const Viewpoint& viewpoint, double duration)
{
    _homeViewpoint = viewpoint;
    _homeDuration = duration;
    _hasHomeViewpoint = true;
}

Viewpoint EarthManipulator::flightPose(double t) const
{
    const Viewpoint& from = _flight.from;
    const Viewpoint& to = _flight.to;
    const double s = smoothStep(t);
    auto lerp = [s](double a, double b) { return a + (b - a) * s; };

    // Long flights climb in the middle so that the way is seen from above.
    const osg::Vec3d a = localToWorld(ellipsoid(), osg::Vec3d(from.x(), from.y(), 0.0)).getTrans();
    const osg::Vec3d b = localToWorld(ellipsoid(), osg::Vec3d(to.x(), to.y(), 0.0)).getTrans();
    const double climb = std::max(0.0, 0.5 * (a - b).length() - std::max(from.getRange(), to.getRange()));

    return Viewpoint(from.x() + angleDifference(from.x(), to.x()) * s, lerp(from.y(), to.y()), lerp(from.z(), to.z()),
                     from.getHeading() + angleDifference(from.getHeading(), to.getHeading()) * s,
                     lerp(from.getPitch(), to.getPitch()),
                     lerp(from.getRange(), to.getRange()) + climb * 4.0 * s * (1.0 - s));
}

void EarthManipulator::updateFlight(double time)
{
    if (!_flight.active)
        return;
    if (_flight.startTime < 0.0)
        _flight.startTime = time;
    const double t = (time - _flight.startTime) / _flight.duration;
    if (t >= 1.0)
    {
        const Viewpoint target = _flight.to;
        _flight = Flight();
        applyPose(target);
        return;
    }
    applyPose(flightPose(std::max(0.0, t)));
}

void EarthManipulator::pan(double dx, double dy)
{
    const double heading = osg::DegreesToRadians(_pose.getHeading());
    const double scale = -panScale * _pose.getRange();
    const double right = scale * dx;
    const double forward = scale * dy;
    const osg::Vec3d moved = osg::Vec3d(right * std::cos(heading) + forward * std::sin(heading),
                                        -right * std::sin(heading) + forward * std::cos(heading), 0.0) *
                             localToWorld(ellipsoid(), osg::Vec3d(_pose.x(), _pose.y(), 0.0));
    const osg::Vec3d lonLat = toLonLatAlt(ellipsoid(), moved);
    Viewpoint next = _pose;
    next.setFocalPoint(osg::Vec3d(lonLat.x(), lonLat.y(), _pose.z()));
    applyPose(next);
}

void EarthManipulator::panBy(double east, double north)
{
    const double heading = osg::DegreesToRadians(_pose.getHeading());
    const double scale = -panScale * _pose.getRange();
    const double right = east * std::cos(heading) - north * std::sin(heading);
    const double forward = east * std::sin(heading) + north * std::cos(heading);
    pan(right / scale, forward / scale);
}

void EarthManipulator::zoom(double /*dx*/, double dy)
{
    Viewpoint next = _pose;
    next.setRange(_pose.getRange() * std::exp(dy));
    applyPose(next);
}

void EarthManipulator::rotate(double dx, double dy)
{
    Viewpoint next = _pose;
    next.setHeading(_pose.getHeading() + 90.0 * dx);
    next.setPitch(_pose.getPitch() + 45.0 * dy);
    applyPose(next);
}

bool EarthManipulator::handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa)
{
    using Event = osgGA::GUIEventAdapter;
    const double sensitivity = _settings->getMouseSensitivity();
    switch (ea.getEventType())
    {
    case Event::FRAME:
        if (_flight.active)
        {
            updateFlight(ea.getTime());
            aa.requestRedraw();
        }
        return false;
    case Event::PUSH:
        _flight = Flight();
        _lastX = ea.getXnormalized();
        _lastY = ea.getYnormalized();
        return true;
    case Event::DRAG:
    {
        const double dx = (ea.getXnormalized() - _lastX) * sensitivity;
        const double dy = (ea.getYnormalized() - _lastY) * sensitivity;
        _lastX = ea.getXnormalized();
        _lastY = ea.getYnormalized();
        const unsigned buttons = ea.getButtonMask();
        if (buttons == Event::LEFT_MOUSE_BUTTON)
            pan(dx, dy);
        else if (buttons == Event::MIDDLE_MOUSE_BUTTON ||
                 buttons == (Event::LEFT_MOUSE_BUTTON | Event::RIGHT_MOUSE_BUTTON))
            rotate(dx, dy);
        else if (buttons == Event::RIGHT_MOUSE_BUTTON)
            zoom(dx, dy);
        else
            return false;
        aa.requestRedraw();
        return true;
    }
    case Event::SCROLL:
    {
        const Event::ScrollingMotion motion = ea.getScrollingMotion();
        if (motion != Event::SCROLL_UP && motion != Event::SCROLL_DOWN)
            return false;
        _flight = Flight();
        const double step = _settings->getScrollSensitivity();
        zoom(0.0, motion == Event::SCROLL_UP ? -step : step);
        aa.requestRedraw();
        return true;
    }
    case Event::DOUBLECLICK:
        _flight = Flight();
        return handlePointAction(ea, aa);
    case Event::KEYDOWN:
        switch (ea.getKey())
        {
        case Event::KEY_Space:
            home(ea, aa);
            return true;
        case Event::KEY_Left:
            pan(arrowKeyStep, 0.0);
            break;
        case Event::KEY_Right:
            pan(-arrowKeyStep, 0.0);
            break;
        case Event::KEY_Up:
            pan(0.0, -arrowKeyStep);
            break;
        case Event::KEY_Down:
            pan(0.0, arrowKeyStep);
            break;
        default:
            return false;
        }
        _flight = Flight();
        aa.requestRedraw();
        return true;
    default:
        return false;
    }
}

bool EarthManipulator::handlePointAction(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa)
{
    const osg::View* view = aa.asView();
    if (!view || !view->getCamera())
        return false;
    // The pointer's ray, from the eye through the pointer (normalized coordinates).
    const osg::Matrixd inverseViewProjection =
        osg::Matrixd::inverse(getInverseMatrix() * view->getCamera()->getProjectionMatrix());
    const osg::Vec3d nearPoint = osg::Vec3d(ea.getXnormalized(), ea.getYnormalized(), -1.0) * inverseViewProjection;
    const osg::Vec3d farPoint = osg::Vec3d(ea.getXnormalized(), ea.getYnormalized(), 1.0) * inverseViewProjection;
    osg::Vec3d direction = farPoint - nearPoint;
    direction.normalize();
    osg::Vec3d target;
    if (!intersectGround(getMatrix().getTrans(), direction, target))
        return false;

    // Moving the focal point part of the way to the target while the range
    // shrinks by the same factor keeps the target under the pointer.
    const double factor =
        ea.getButton() == osgGA::GUIEventAdapter::RIGHT_MOUSE_BUTTON ? 1.0 / pointZoomFactor : pointZoomFactor;
    const osg::Vec3d local =
        target * osg::Matrixd::inverse(localToWorld(ellipsoid(), osg::Vec3d(_pose.x(), _pose.y(), 0.0)));
    panBy(local.x() * (1.0 - factor), local.y() * (1.0 - factor));
    zoom(0.0, std::log(factor));
    aa.requestRedraw();
    return true;
}

void EarthManipulator::getUsage(osg::ApplicationUsage& usage) const
{
    usage.addKeyboardMouseBinding("Left drag", "Pan along the surface");
    usage.addKeyboardMouseBinding("Middle drag", "Rotate and tilt");
    usage.addKeyboardMouseBinding("Right drag / wheel", "Zoom");
    usage.addKeyboardMouseBinding("Double click", "Zoom toward the point (right button: away)");
    usage.addKeyboardMouseBinding("Arrows", "Pan");
    usage.addKeyboardMouseBinding("Space", "Home");
}

bool EarthManipulator::intersectGround(const osg::Vec3d& start, const osg::Vec3d& direction, osg::Vec3d& hit) const
{
    osg::ref_ptr<osg::Node> node;
    if (_node.lock(node))
    {
        const double reach = 4.0 * ellipsoid().getRadiusEquator();
        osg::ref_ptr<osgUtil::LineSegmentIntersector> intersector =
            new osgUtil::LineSegmentIntersector(start, start + direction * reach);
        osgUtil::IntersectionVisitor visitor(intersector.get());
        node->accept(visitor);
        if (intersector->containsIntersections())
        {
            hit = intersector->getFirstIntersection().getWorldIntersectPoint();
            return true;
        }
    }
    return intersectEllipsoid(ellipsoid(), start, direction, hit);
}

void EarthManipulator::setByMatrix(const osg::Matrixd& matrix)
{
    const osg::Vec3d eye = matrix.getTrans();
    osg::Vec3d look = osg::Matrixd::transform3x3(osg::Vec3d(0.0, 0.0, -1.0), matrix);
    look.normalize();
    osg::Vec3d focal;
    if (!intersectGround(eye, look, focal))
        focal = eye + look * _pose.getRange();

    const osg::Vec3d lonLatAlt = toLonLatAlt(ellipsoid(), focal);
    const osg::Matrixd worldToLocal = osg::Matrixd::inverse(localToWorld(ellipsoid(), lonLatAlt));
    const osg::Vec3d lookLocal = osg::Matrixd::transform3x3(look, worldToLocal);
    const double heading = osg::RadiansToDegrees(std::atan2(lookLocal.x(), lookLocal.y()));
    const double pitch = osg::RadiansToDegrees(std::asin(osg::clampBetween(lookLocal.z(), -1.0, 1.0)));
    _flight = Flight();
    applyPose(Viewpoint(lonLatAlt.x(), lonLatAlt.y(), lonLatAlt.z(), heading, pitch, (focal - eye).length()));
}

void EarthManipulator::setByInverseMatrix(const osg::Matrixd& matrix)
{
    setByMatrix(osg::Matrixd::inverse(matrix));
}

osg::Matrixd EarthManipulator::getMatrix() const
{
    return cameraMatrix(_pose);
}

osg::Matrixd EarthManipulator::getInverseMatrix() const
{
    return osg::Matrixd::inverse(cameraMatrix(_pose));
}

void EarthManipulator::setNode(osg::Node* node)
{
    _node = node;
    MapNodeFinder finder;
    if (node)
        node->accept(finder);
    _elevation.reset(finder.found ? new ElevationQuery(finder.found->getMap()) : nullptr);
    applyPose(_pose);
}

void EarthManipulator::home(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa)
{
    home(ea.getTime());
    aa.requestRedraw();
}

void EarthManipulator::home(double /*currentTime*/)
{
    if (_hasHomeViewpoint)
    {
        setViewpoint(_homeViewpoint, _homeDuration);
        return;
    }
    // Without a home of its own: the whole globe, seen from above 0 N 0 E.
    setViewpoint(Viewpoint(0.0, 0.0, 0.0, 0.0, -90.0, 3.0 * ellipsoid().getRadiusEquator()));
}
} // namespace globe
