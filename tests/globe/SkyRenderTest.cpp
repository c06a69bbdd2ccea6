#include "globe/EarthManipulator.h"
#include "globe/ElevationLayer.h"
#include "globe/Map.h"
#include "globe/MapNode.h"
#include "globe/SkyNode.h"
#include "globe/SpatialReference.h"
#include "globe/TerrainSnapshot.h"

#include <gtest/gtest.h>
#include <osg/Geode>
#include <osg/Geometry>
#include <osg/MatrixTransform>
#include <osg/Program>
#include <osg/ShapeDrawable>
#include <osgDB/FileUtils>
#include <osgDB/WriteFile>

#include <algorithm>
#include <cmath>
#include <string>

namespace
{
const int width = 320;
const int height = 240;
const double monacoLon = 7.42;
const double monacoLat = 43.74;

// The building program of the city: brightness is the first light's position
// (taken as a direction) against the eye-space normal, never below 0.5.
const char* const buildingVertex =
    "varying vec3 normal;\nvoid main()\n{\n normal = normalize(gl_NormalMatrix * gl_Normal);\n"
    " gl_Position = gl_ProjectionMatrix * gl_ModelViewMatrix * gl_Vertex; \n}\n";
const char* const buildingFragment =
    "varying vec3 normal;\nuniform vec3 color;\nvoid main()\n{\n"
    " float intensity = dot(vec3(gl_LightSource[0].position), normal);\n"
    " gl_FragColor = max(0.5 , intensity)  * vec4(color, 1.0);\n}\n";

osg::Vec3f pixel(const osg::Image& image, int x, int y)
{
    const unsigned char* p = image.data(x, y);
    return osg::Vec3f(p[0], p[1], p[2]) / 255.0f;
}

float brightness(const osg::Vec3f& rgb)
{
    return (rgb.x() + rgb.y() + rgb.z()) / 3.0f;
}

// Mean colour of a band of rows (fractions of the height, 0 = bottom).
osg::Vec3f bandColor(const osg::Image& image, double from, double to)
{
    osg::Vec3f sum;
    int count = 0;
    for (int y = int(from * height); y < int(to * height); ++y)
        for (int x = 0; x < width; x += 4, ++count)
            sum += pixel(image, x, y);
    return sum / float(count);
}

osg::Matrixd enuAt(double lon, double lat, double alt)
{
    osg::Matrixd localToWorld;
    globe::SpatialReference::get("wgs84")->createLocalToWorld(osg::Vec3d(lon, lat, alt), localToWorld);
    return localToWorld;
}

void saveForInspection(const osg::Image& image, const std::string& name)
{
    const std::string folder = std::string(ORVALIS_BINARY_DIR) + "/tests/screenshots";
    osgDB::makeDirectory(folder);
    osgDB::writeImageFile(image, folder + "/" + name);
}

// A horizontal 30 m square at local x whose normals point the given local way.
osg::Geometry* squareWithNormal(float x, const osg::Vec3& normal)
{
    auto* vertices = new osg::Vec3Array;
    for (const osg::Vec2& corner : {osg::Vec2(-15, -15), osg::Vec2(15, -15), osg::Vec2(15, 15), osg::Vec2(-15, 15)})
        vertices->push_back(osg::Vec3(x + corner.x(), corner.y(), 0.0f));
    auto* normals = new osg::Vec3Array(osg::Array::BIND_OVERALL);
    normals->push_back(normal);
    auto* square = new osg::Geometry;
    square->setUseDisplayList(false);
    square->setUseVertexBufferObjects(true);
    square->setVertexArray(vertices);
    square->setNormalArray(normals);
    square->addPrimitiveSet(new osg::DrawArrays(GL_TRIANGLE_FAN, 0, 4));
    return square;
}

osg::ref_ptr<globe::MapNode> monacoMapNode()
{
    osg::ref_ptr<globe::Map> map = new globe::Map;
    map->addElevationLayer(new globe::ElevationLayer(
        "SRTM", globe::GDALOptions{std::string(ORVALIS_SOURCE_DIR) + "/samples/monaco.tif", "gdal"}));
    globe::TerrainOptions terrain;
    terrain.color = osg::Vec4f(0.4f, 0.7f, 0.4f, 1.0f);
    return new globe::MapNode(map.get(), globe::MapNodeOptions(terrain));
}
} // namespace

// Monaco from the hills, looking west along the coast, at three hours of
// 1 April 2015 (UTC): morning sun, dusk (sun 12 degrees down), night.
// The pictures land in tests/screenshots of the build for a person to look at.
TEST(SkyRender, MonacoByDayAtDuskAndAtNight)
{
    osg::ref_ptr<globe::MapNode> mapNode = monacoMapNode();
    osg::ref_ptr<globe::SkyNode> sky = globe::SkyNode::create(mapNode.get());
    sky->setSunVisible(true);
    sky->addChild(mapNode.get());
    globe::TerrainSnapshot snapshot(sky.get(), width, height);
    ASSERT_TRUE(snapshot.isValid()) << "needs a display: run under xvfb-run";
    sky->attach(snapshot.getViewer(), 0);

    osg::ref_ptr<globe::EarthManipulator> manipulator = new globe::EarthManipulator;
    snapshot.getViewer()->setCameraManipulator(manipulator.get(), false);
    manipulator->setViewpoint(globe::Viewpoint(monacoLon, monacoLat, 0.0, 265.0, -10.0, 2500.0));

    struct Shot
    {
        double hour;
        const char* file;
        osg::Vec3f sky;
        osg::Vec3f ground;
    };
    Shot shots[] = {{9.0, "sky-0900-day.png", {}, {}}, {19.0, "sky-1900-dusk.png", {}, {}},
                    {23.0, "sky-2300-night.png", {}, {}}};
    for (Shot& shot : shots)
    {
        sky->setDateTime(globe::DateTime(2015, 4, 1, shot.hour));
        snapshot.renderUntilLoaded(200);
        osg::ref_ptr<osg::Image> image = snapshot.capture();
        ASSERT_TRUE(image.valid() && image->data());
        saveForInspection(*image, shot.file);
        shot.sky = bandColor(*image, 0.92, 1.0);
        shot.ground = bandColor(*image, 0.0, 0.3);
    }
    const Shot& day = shots[0];
    const Shot& dusk = shots[1];
    const Shot& night = shots[2];

    // Blue day sky, darker at dusk, darker still at night but never pure black.
    EXPECT_GT(day.sky.z(), day.sky.x() + 0.1f);
    EXPECT_GT(brightness(day.sky), 0.4f);
    EXPECT_LT(brightness(dusk.sky), brightness(day.sky) - 0.1f);
    EXPECT_LT(brightness(night.sky), brightness(dusk.sky));
    EXPECT_LT(brightness(night.sky), 0.1f);
    // The ground is lit by day and dimmed, not blacked out, at night.
    EXPECT_GT(day.ground.y(), day.ground.x());
    EXPECT_GT(brightness(day.ground), 2.0f * brightness(night.ground));
    EXPECT_GT(brightness(night.ground), 0.04f);
}

// Toward the sun at 9:00 the disc fills the centre of the picture; hidden, the
// same pixel shows the sky.
TEST(SkyRender, SunDiscIsVisibleWhereTheSunIs)
{
    osg::ref_ptr<globe::SkyNode> sky = globe::SkyNode::create(nullptr);
    sky->setDateTime(globe::DateTime(2015, 4, 1, 9.0));
    globe::TerrainSnapshot snapshot(sky.get(), width, height);
    ASSERT_TRUE(snapshot.isValid()) << "needs a display: run under xvfb-run";
    sky->attach(snapshot.getViewer(), 0);

    const osg::Vec3d eye = enuAt(monacoLon, monacoLat, 100.0).getTrans();
    osg::Vec3d up = eye;
    up.normalize();
    snapshot.getViewer()->getCamera()->setViewMatrixAsLookAt(eye, eye + sky->getSunDirection() * 1000.0, up);

    osg::ref_ptr<osg::Image> image = snapshot.capture();
    saveForInspection(*image, "sky-sun-disc.png");
    const osg::Vec3f centre = pixel(*image, width / 2, height / 2);
    EXPECT_GT(centre.x(), 0.95f);
    EXPECT_GT(centre.y(), 0.9f);
    const osg::Vec3f aside = pixel(*image, 10, height / 2);
    EXPECT_GT(aside.z(), aside.x());

    sky->setSunVisible(false);
    image = snapshot.capture();
    const osg::Vec3f hidden = pixel(*image, width / 2, height / 2);
    EXPECT_GT(hidden.z(), hidden.x() + 0.1f);
}

// Four squares near Monaco, drawn with the building program, with normals up,
// north, east and down. Their brightness must follow the published sun
// position (Monaco 2015-04-01: 09:00 elevation 38.099, azimuth 127.814;
// 23:00 elevation -40.953, azimuth 348.708), which holds only when light 0 is
// the sun as a direction in world coordinates.
TEST(SkyRender, BuildingShaderSeesTheSunAsLightZero)
{
    osg::ref_ptr<globe::SkyNode> sky = globe::SkyNode::create(nullptr);
    const osg::Matrixd localToWorld = enuAt(monacoLon, monacoLat, 0.0);
    osg::ref_ptr<osg::MatrixTransform> local = new osg::MatrixTransform(localToWorld);
    osg::ref_ptr<osg::Geode> squares = new osg::Geode;
    const osg::Vec3 normals[] = {osg::Vec3(0, 0, 1), osg::Vec3(0, 1, 0), osg::Vec3(1, 0, 0), osg::Vec3(0, 0, -1)};
    for (int i = 0; i < 4; ++i)
        squares->addDrawable(squareWithNormal(-60.0f + 40.0f * i, normals[i]));
    auto* program = new osg::Program;
    program->addShader(new osg::Shader(osg::Shader::VERTEX, buildingVertex));
    program->addShader(new osg::Shader(osg::Shader::FRAGMENT, buildingFragment));
    squares->getOrCreateStateSet()->setAttributeAndModes(program);
    squares->getOrCreateStateSet()->addUniform(new osg::Uniform("color", osg::Vec3f(1.0f, 1.0f, 1.0f)));
    squares->getOrCreateStateSet()->setMode(GL_CULL_FACE, osg::StateAttribute::OFF);
    local->addChild(squares.get());
    sky->addChild(local.get());

    globe::TerrainSnapshot snapshot(sky.get(), width, height);
    ASSERT_TRUE(snapshot.isValid()) << "needs a display: run under xvfb-run";
    sky->attach(snapshot.getViewer(), 0);
    snapshot.lookAt(osg::Vec3d(monacoLon, monacoLat, 0.0), 0.0, -90.0, 200.0);

    auto intensityOf = [](double elevation, double azimuth, const osg::Vec3& normal) {
        const double e = osg::DegreesToRadians(elevation), a = osg::DegreesToRadians(azimuth);
        const osg::Vec3d sun(std::cos(e) * std::sin(a), std::cos(e) * std::cos(a), std::sin(e));
        return std::min(1.0, std::max(0.5, sun * osg::Vec3d(normal)));
    };
    struct Moment
    {
        double hour, elevation, azimuth;
    };
    for (const Moment& moment : {Moment{9.0, 38.099, 127.814}, Moment{23.0, -40.953, 348.708}})
    {
        SCOPED_TRACE(moment.hour);
        sky->setDateTime(globe::DateTime(2015, 4, 1, moment.hour));
        osg::ref_ptr<osg::Image> image = snapshot.capture();
        const osg::Matrixd toWindow = snapshot.getViewer()->getCamera()->getViewMatrix() *
                                      snapshot.getViewer()->getCamera()->getProjectionMatrix() *
                                      snapshot.getViewer()->getCamera()->getViewport()->computeWindowMatrix();
        for (int i = 0; i < 4; ++i)
        {
            const osg::Vec3d centre = osg::Vec3d(-60.0 + 40.0 * i, 0.0, 0.0) * localToWorld * toWindow;
            const float seen = pixel(*image, int(centre.x()), int(centre.y())).x();
            EXPECT_NEAR(seen, intensityOf(moment.elevation, moment.azimuth, normals[i]), 0.02) << "square " << i;
        }
    }
}

// The sky lies behind everything: it must not pull the far plane out to the
// earth's centre or the near plane in to the eye.
TEST(SkyRender, SkyLeavesTheNearFarRangeAlone)
{
    auto nearFarOf = [](osg::Node* root, globe::SkyNode* sky) {
        globe::TerrainSnapshot snapshot(root, width, height);
        EXPECT_TRUE(snapshot.isValid());
        if (sky)
            sky->attach(snapshot.getViewer(), 0);
        snapshot.lookAt(osg::Vec3d(monacoLon, monacoLat, 0.0), 0.0, -30.0, 1000.0);
        snapshot.renderFrame();
        double zNear = 0.0, zFar = 0.0;
        snapshot.lastNearFar(zNear, zFar);
        return osg::Vec2d(zNear, zFar);
    };
    // A 50 m box on the ground, 1 km in front of the camera.
    osg::ref_ptr<osg::MatrixTransform> box = new osg::MatrixTransform(enuAt(monacoLon, monacoLat, 0.0));
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(new osg::ShapeDrawable(new osg::Box(osg::Vec3(0, 0, 25), 50.0f)));
    box->addChild(geode.get());

    const osg::Vec2d alone = nearFarOf(box.get(), nullptr);
    osg::ref_ptr<globe::SkyNode> sky = globe::SkyNode::create(nullptr);
    sky->addChild(box.get());
    const osg::Vec2d withSky = nearFarOf(sky.get(), sky.get());
    EXPECT_GT(alone.x(), 900.0);
    EXPECT_LT(alone.y(), 1100.0);
    EXPECT_NEAR(withSky.x(), alone.x(), 1e-3 * alone.x());
    EXPECT_NEAR(withSky.y(), alone.y(), 1e-3 * alone.y());
}
