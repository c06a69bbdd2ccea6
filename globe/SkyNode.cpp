#include "globe/SkyNode.h"

#include "globe/MapNode.h"
#include "globe/SkyDome.h"
#include "globe/SpatialReference.h"

#include <libnova/precession.h>
#include <libnova/sidereal_time.h>
#include <libnova/solar.h>
#include <libnova/transform.h>
#include <libnova/utility.h>

#include <osg/View>
#include <osgUtil/CullVisitor>

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>

namespace globe
{
namespace
{
// Unit vector toward the sun in ECEF. libnova's solar longitude is referred to
// the J2000 equinox, so the position is precessed to the date and turned into
// the earth frame with the mean sidereal time that belongs to that equinox.
osg::Vec3d sunDirectionAt(const DateTime& dateTime)
{
    const double julianDay = dateTime.getJulianDay();
    ln_helio_posn geometric{};
    ln_get_solar_geom_coords(julianDay, &geometric);
    // Annual aberration: the sun appears 20.5" behind its geometric place.
    ln_lnlat_posn ecliptic{geometric.L - 20.4898 / 3600.0 / geometric.R, geometric.B};
    ln_equ_posn j2000{};
    ln_get_equ_from_ecl(&ecliptic, JD2000, &j2000);
    ln_equ_posn ofDate{};
    ln_get_equ_prec(&j2000, julianDay, &ofDate);

    const double hourAngle = osg::DegreesToRadians(ofDate.ra - ln_get_mean_sidereal_time(julianDay) * 15.0);
    const double declination = osg::DegreesToRadians(ofDate.dec);
    return osg::Vec3d(std::cos(declination) * std::cos(hourAngle), std::cos(declination) * std::sin(hourAngle),
                      std::sin(declination));
}

// Colours of the sky and of the sunlight for one elevation of the sun (degrees).
struct Atmosphere
{
    double elevation;
    osg::Vec3f zenith;
    osg::Vec3f horizon;
    osg::Vec3f glow;
    osg::Vec3f diffuse;
    osg::Vec3f ambient;
};

// Night, astronomical and nautical twilight, sunset, low and high sun. The
// ambient light never drops to zero, so the night scene stays readable.
const std::array<Atmosphere, 7> atmosphereTable{{
    {-18.0, {0.01f, 0.015f, 0.04f}, {0.02f, 0.03f, 0.06f}, {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, {0.10f, 0.11f, 0.16f}},
    {-12.0, {0.02f, 0.04f, 0.12f}, {0.08f, 0.08f, 0.16f}, {0.20f, 0.08f, 0.04f}, {0.0f, 0.0f, 0.0f}, {0.12f, 0.12f, 0.18f}},
    {-6.0, {0.07f, 0.12f, 0.30f}, {0.35f, 0.25f, 0.30f}, {0.55f, 0.22f, 0.06f}, {0.0f, 0.0f, 0.0f}, {0.14f, 0.14f, 0.20f}},
    {-2.0, {0.12f, 0.20f, 0.44f}, {0.70f, 0.45f, 0.35f}, {0.60f, 0.28f, 0.08f}, {0.0f, 0.0f, 0.0f}, {0.18f, 0.17f, 0.21f}},
    {2.0, {0.16f, 0.30f, 0.58f}, {0.85f, 0.60f, 0.40f}, {0.55f, 0.28f, 0.08f}, {0.60f, 0.42f, 0.25f}, {0.24f, 0.22f, 0.24f}},
    {10.0, {0.20f, 0.38f, 0.75f}, {0.72f, 0.76f, 0.80f}, {0.22f, 0.14f, 0.05f}, {0.90f, 0.82f, 0.68f}, {0.30f, 0.30f, 0.32f}},
    {25.0, {0.20f, 0.42f, 0.85f}, {0.65f, 0.80f, 0.95f}, {0.06f, 0.06f, 0.04f}, {1.0f, 0.97f, 0.92f}, {0.32f, 0.32f, 0.35f}},
}};

// Eye altitudes (metres) between which the sky fades from full colour to space.
const double atmosphereBase = 20000.0;
const double atmosphereTop = 300000.0;

Atmosphere atmosphereAt(double elevation)
{
    if (elevation <= atmosphereTable.front().elevation)
        return atmosphereTable.front();
    if (elevation >= atmosphereTable.back().elevation)
        return atmosphereTable.back();
    const auto upper = std::find_if(atmosphereTable.begin(), atmosphereTable.end(),
                                    [elevation](const Atmosphere& a) { return a.elevation >= elevation; });
    const Atmosphere& high = *upper;
    const Atmosphere& low = *std::prev(upper);
    const float t = float((elevation - low.elevation) / (high.elevation - low.elevation));
    auto mix = [t](const osg::Vec3f& a, const osg::Vec3f& b) { return a * (1.0f - t) + b * t; };
    return {elevation,
            mix(low.zenith, high.zenith),
            mix(low.horizon, high.horizon),
            mix(low.glow, high.glow),
            mix(low.diffuse, high.diffuse),
            mix(low.ambient, high.ambient)};
}

const osg::EllipsoidModel* ellipsoidOf(MapNode* mapNode)
{
    const SpatialReference* srs =
        mapNode && mapNode->getMap() ? mapNode->getMap()->getSRS() : SpatialReference::get("wgs84");
    return srs ? srs->getEllipsoid() : nullptr;
}
} // namespace

SkyNode* SkyNode::create(MapNode* mapNode)
{
    return new SkyNode(mapNode);
}

SkyNode::SkyNode(MapNode* mapNode)
    : _ellipsoid(ellipsoidOf(mapNode))
    , _dateTime(2015, 4, 1, 12.0)
    , _sunVisible(true)
    , _light(new osg::Light(0))
    , _dome(new SkyDome)
{
    setName("SkyNode");
    if (!_ellipsoid)
        _ellipsoid = new osg::EllipsoidModel;
    _light->setDataVariance(osg::Object::DYNAMIC);
    // The sky is recoloured in every cull traversal.
    setCullingActive(false);
    setDateTime(_dateTime);
    const Atmosphere day = atmosphereAt(90.0);
    _dome->setColors(day.zenith, day.horizon, day.glow);
}

SkyNode::~SkyNode() = default;

void SkyNode::setDateTime(const DateTime& dateTime)
{
    _dateTime = dateTime;
    _sunDirection = sunDirectionAt(dateTime);
    _light->setPosition(osg::Vec4(osg::Vec3(_sunDirection), 0.0f));
}

void SkyNode::setSunVisible(bool visible)
{
    _sunVisible = visible;
    _dome->setSunVisible(visible);
}

void SkyNode::attach(osg::View* view, int lightNum)
{
    if (!view)
        return;
    _light->setLightNum(lightNum);
    view->setLightingMode(osg::View::SKY_LIGHT);
    view->setLight(_light.get());
    osg::StateSet* state = getOrCreateStateSet();
    state->setMode(GL_LIGHTING, osg::StateAttribute::ON);
    state->setMode(GL_LIGHT0 + lightNum, osg::StateAttribute::ON);
}

void SkyNode::updateForEye(const osg::Vec3d& eyeWorld, const osg::Matrixd& viewMatrix,
                           const osg::Matrixd& projection)
{
    const osg::Vec3d up = _ellipsoid->computeLocalUpVector(eyeWorld.x(), eyeWorld.y(), eyeWorld.z());
    const double elevation = osg::RadiansToDegrees(std::asin(osg::clampBetween(up * _sunDirection, -1.0, 1.0)));
    const Atmosphere atmosphere = atmosphereAt(elevation);
    // Climbing out of the atmosphere, the sky fades into black space.
    double lat = 0.0, lon = 0.0, altitude = 0.0;
    _ellipsoid->convertXYZToLatLongHeight(eyeWorld.x(), eyeWorld.y(), eyeWorld.z(), lat, lon, altitude);
    const float air = 1.0f - float(osg::clampBetween((altitude - atmosphereBase) / (atmosphereTop - atmosphereBase), 0.0, 1.0));

    osg::Vec3d upEye = osg::Matrixd::transform3x3(up, viewMatrix);
    osg::Vec3d sunEye = osg::Matrixd::transform3x3(_sunDirection, viewMatrix);
    upEye.normalize();
    sunEye.normalize();
    _dome->setView(projection, upEye, sunEye);
    _dome->setColors(atmosphere.zenith * air, atmosphere.horizon * air, atmosphere.glow * air);

    _light->setAmbient(osg::Vec4(atmosphere.ambient, 1.0f));
    _light->setDiffuse(osg::Vec4(atmosphere.diffuse, 1.0f));
    _light->setSpecular(osg::Vec4(atmosphere.diffuse, 1.0f));
}

void SkyNode::traverse(osg::NodeVisitor& nv)
{
    if (auto* cv = nv.asCullVisitor())
    {
        const osg::Matrixd viewMatrix = *cv->getModelViewMatrix();
        updateForEye(osg::Matrixd::inverse(viewMatrix).getTrans(), viewMatrix, *cv->getProjectionMatrix());
        _dome->accept(nv);
    }
    osg::Group::traverse(nv);
}

void SkyNode::resizeGLObjectBuffers(unsigned int maxSize)
{
    osg::Group::resizeGLObjectBuffers(maxSize);
    _dome->resizeGLObjectBuffers(maxSize);
}

void SkyNode::releaseGLObjects(osg::State* state) const
{
    osg::Group::releaseGLObjects(state);
    _dome->releaseGLObjects(state);
}
} // namespace globe
