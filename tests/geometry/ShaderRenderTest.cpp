#include "geometry/GeometryGenerator.h"

#include "OsmFileBuilder.h"
#include "TestTerrain.h"
#include "app/SceneOrigin.h"
#include "generation/CellRings.h"
#include "globe/SpatialReference.h"
#include "osm/OsmParser.h"

#include <gtest/gtest.h>
#include <osg/Camera>
#include <osg/Image>
#include <osg/MatrixTransform>
#include <osgDB/WriteFile>
#include <osgViewer/Viewer>

namespace
{
using testTerrain::blockLat;
using testTerrain::blockLon;

const int width = 960;
const int height = 720;

struct CaptureCallback : osg::Camera::DrawCallback
{
    void operator()(osg::RenderInfo&) const override
    {
        image->readPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE);
    }
    osg::ref_ptr<osg::Image> image = new osg::Image;
};

// A small town on flat ground (52 m): houses, a residential street with bends, a
// primary road bridging a pond, and a stream.
void writeTown(const std::string& path)
{
    const double lon = blockLon(2), lat = blockLat(2);
    const double dLon = 0.0001 / 0.6157, dLat = 0.0001 / 1.1132; // about 10 m at 52 N
    auto at = [&](double east, double north) { return std::make_pair(lon + east * dLon, lat + north * dLat); };
    OsmFileBuilder osm;
    int id = 1000;
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 2; ++j)
        {
            const auto centre = at(-18 + 4.5 * i, 2.5 + 4.5 * j);
            osm.square(std::to_string(++id), centre.first, centre.second, 1.4 * dLon, (i + j) % 2 == 0,
                       {{"building", "yes"}, {"building:levels", std::to_string(2 + (i * 3 + j * 2) % 5)}});
        }
    osm.line("1", {at(-22, 0), at(-8, 0), at(0, 1), at(6, 8), at(6, 16)}, {{"highway", "residential"}});
    osm.line("2", {at(-3, -18), at(-3, -4)}, {{"highway", "primary"}, {"bridge", "yes"}});
    osm.line("3", {at(-3, -28), at(-3, -18)}, {{"highway", "primary"}});
    osm.line("4", {at(-3, -4), at(-3, 0)}, {{"highway", "primary"}});
    osm.line("5", {at(16, -30), at(12, -24), at(9, -17), at(5, -13)}, {{"waterway", "stream"}});
    osm.line("6", {at(-8, -18), at(4, -18), at(6, -11), at(2, -5), at(-8, -5), at(-10, -12), at(-8, -18)},
             {{"natural", "water"}});
    osm.write(path);
}

TEST(ShaderRender, AllProgramsLinkAndACellIsDrawn)
{
    testTerrain::findSourceShaders();
    testTerrain::placeSceneOrigin(blockLon(2), blockLat(2));
    writeTown("render_town.osm");
    int columns = 0, rows = 0;
    testing::internal::CaptureStdout();
    OsmParser store("render_town.osm", columns, rows);
    testing::internal::GetCapturedStdout();

    GeometryGenerator generator(testTerrain::mapNode(), &store);
    OpenThreads::Mutex addedMutex, removedMutex;
    generator.generateWater(&addedMutex);
    for (const auto& cell : cellRings(columns / 2, rows / 2, 6))
        generator.generateCell(cell.first, cell.second, &addedMutex, &removedMutex);
    osg::ref_ptr<osg::MatrixTransform> local = new osg::MatrixTransform(sceneOrigin);
    for (const auto& node : generator.addedNodes)
        local->addChild(node.get());

    osgViewer::Viewer viewer;
    viewer.setThreadingModel(osgViewer::Viewer::SingleThreaded);
    viewer.setUpViewInWindow(0, 0, width, height);
    viewer.setSceneData(local.get());
    osg::Camera* camera = viewer.getCamera();
    camera->setClearColor(osg::Vec4(0.32f, 0.42f, 0.30f, 1.0f));
    camera->setProjectionMatrixAsPerspective(35.0, double(width) / height, 5.0, 5000.0);
    camera->setComputeNearFarMode(osg::CullSettings::DO_NOT_COMPUTE_NEAR_FAR);
    osg::ref_ptr<CaptureCallback> capture = new CaptureCallback;
    camera->setFinalDrawCallback(capture.get());

    // Looking north-west from the south-east, the sun low in the north-west: its
    // reflection lies on the pond.
    auto world = [](const osg::Vec3d& localPoint) { return localPoint * sceneOrigin; };
    auto worldDirection = [](const osg::Vec3d& localDirection) {
        return osg::Matrixd::transform3x3(localDirection, sceneOrigin);
    };
    camera->setViewMatrixAsLookAt(world({200, -330, 220}), world({-50, -80, 52}), worldDirection({0, 0, 1}));
    viewer.setLightingMode(osg::View::SKY_LIGHT);
    osg::Vec3d sun = worldDirection(osg::Vec3d(-0.6, 0.55, 0.5));
    sun.normalize();
    viewer.getLight()->setPosition(osg::Vec4(sun, 0.0));

    viewer.realize();
    ASSERT_TRUE(viewer.isRealized()) << "no OpenGL window: run under a (virtual) X display";
    for (int i = 0; i < 3; ++i)
        viewer.frame();

    osg::State* state = camera->getGraphicsContext()->getState();
    for (osg::Program* program :
         {generator.buildingProgram.get(), generator.streetProgram.get(), generator.waterProgram.get()})
    {
        osg::Program::PerContextProgram* pcp = program->getPCP(*state);
        ASSERT_NE(pcp, nullptr);
        std::string log;
        pcp->getInfoLog(log);
        EXPECT_TRUE(pcp->isLinked()) << log;
    }
    EXPECT_EQ(generator.streetProgram->getNumShaders(), 3u);
    EXPECT_EQ(generator.waterProgram->getNumShaders(), 2u);

    osg::Image* image = capture->image.get();
    ASSERT_EQ(image->s(), width);
    ASSERT_TRUE(osgDB::writeImageFile(*image, "geometry_cell.png"));

    // Count what is visible: red buildings, white streets, blue water, and the glint.
    int buildings = 0, streets = 0, water = 0, glint = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            const unsigned char* p = image->data(x, y);
            const int r = p[0], g = p[1], b = p[2];
            if (r > g + 40 && r > b + 40)
                ++buildings;
            else if (r > 120 && std::abs(r - g) < 12 && std::abs(g - b) < 12)
                ++streets;
            else if (b > r + 60 && b > g + 60)
                ++water;
            else if (b > 200 && r > 150 && b > r)
                ++glint;
        }
    EXPECT_GT(buildings, 5000);
    EXPECT_GT(streets, 5000);
    EXPECT_GT(water, 5000);
    EXPECT_GT(glint, 50);
    std::cout << "pixels: buildings " << buildings << ", streets " << streets << ", water " << water << ", glint "
              << glint << std::endl;
}
} // namespace
