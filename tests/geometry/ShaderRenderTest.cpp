#include "geometry/GeometryGenerator.h"

#include "OsmFileBuilder.h"
#include "TestTerrain.h"
#include "geometry/Streets.h"
#include "globe/SpatialReference.h"
#include "osm/OsmParser.h"

#include <gtest/gtest.h>
#include <memory>
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
// primary road bridging a pond, a stream and a few trees.
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
                       {{"building", "yes"}, {"building:levels", std::to_string(2 + (i * 3 + j * 2) % 5)},
                        {"building:colour", "firebrick"}});
        }
    osm.line("1", {at(-22, 0), at(-8, 0), at(0, 1), at(6, 8), at(6, 16)}, {{"highway", "residential"}});
    osm.line("2", {at(-3, -18), at(-3, -4)}, {{"highway", "primary"}, {"bridge", "yes"}});
    osm.line("3", {at(-3, -28), at(-3, -18)}, {{"highway", "primary"}});
    osm.line("4", {at(-3, -4), at(-3, 0)}, {{"highway", "primary"}});
    osm.line("5", {at(16, -30), at(12, -24), at(9, -17), at(5, -13)}, {{"waterway", "stream"}});
    osm.line("6", {at(-8, -18), at(4, -18), at(6, -11), at(2, -5), at(-8, -5), at(-10, -12), at(-8, -18)},
             {{"natural", "water"}});
    for (int i = 0; i < 4; ++i)
    {
        const auto spot = at(10, -4 - 3 * i);
        osm.node(std::to_string(2000 + i), spot.first, spot.second, {{"natural", "tree"}});
    }
    osm.write(path);
}

// Every node the generator makes for the file, water first, under the scene's
// frame at the given origin. Ways belong to the cell of their first node, which
// may lie outside the buildings' grid, so the cells around it are generated too.
// No cell is evicted, so none has to be detached.
struct GeneratedScene
{
    GeneratedScene(const std::string& path, const osg::Matrixd& origin)
    {
        int columns = 0, rows = 0;
        testing::internal::CaptureStdout();
        store.reset(new OsmParser(path, columns, rows, 0.005));
        testing::internal::GetCapturedStdout();
        generator.reset(new GeometryGenerator(testTerrain::mapNode(), store.get(), origin, -1));
        local = new osg::MatrixTransform(origin);
        if (const osg::ref_ptr<osg::Node> water = generator->generateWater())
            local->addChild(water.get());
        for (int column = columns / 2 - 5; column <= columns / 2 + 5; ++column)
            for (int row = rows / 2 - 5; row <= rows / 2 + 5; ++row)
                for (const auto& node : generator->generateCell(column, row).built)
                    local->addChild(node.get());
    }

    std::unique_ptr<OsmParser> store;
    std::unique_ptr<GeometryGenerator> generator;
    osg::ref_ptr<osg::MatrixTransform> local;
};

// A window on the scene's local frame, looking from the local eye point at the
// local centre, north up on the screen when looking straight down; the sun comes
// from the local direction given.
struct SceneRender
{
    SceneRender(osg::MatrixTransform* scene, const osg::Vec3d& eye, const osg::Vec3d& centre, const osg::Vec3d& up,
                const osg::Vec3d& sunDirection)
        : localToWorld(scene->getMatrix())
    {
        viewer.setThreadingModel(osgViewer::Viewer::SingleThreaded);
        viewer.setUpViewInWindow(0, 0, width, height);
        viewer.setSceneData(scene);
        osg::Camera* camera = viewer.getCamera();
        camera->setClearColor(osg::Vec4(0.32f, 0.42f, 0.30f, 1.0f));
        camera->setProjectionMatrixAsPerspective(35.0, double(width) / height, 5.0, 5000.0);
        camera->setComputeNearFarMode(osg::CullSettings::DO_NOT_COMPUTE_NEAR_FAR);
        camera->setFinalDrawCallback(capture.get());
        camera->setViewMatrixAsLookAt(world(eye), world(centre), worldDirection(up));
        viewer.setLightingMode(osg::View::SKY_LIGHT);
        osg::Vec3d sun = worldDirection(sunDirection);
        sun.normalize();
        viewer.getLight()->setPosition(osg::Vec4(sun, 0.0));
    }

    // False without an OpenGL window.
    bool draw()
    {
        viewer.realize();
        if (!viewer.isRealized())
            return false;
        for (int i = 0; i < 3; ++i)
            viewer.frame();
        return true;
    }

    // The pixel a local point is drawn at.
    const unsigned char* pixelAt(const osg::Vec3d& localPoint) const
    {
        const osg::Camera* camera = viewer.getCamera();
        const osg::Vec3d window = world(localPoint) * camera->getViewMatrix() * camera->getProjectionMatrix() *
                                  camera->getViewport()->computeWindowMatrix();
        return capture->image->data(int(window.x()), int(window.y()));
    }

    osg::Vec3d world(const osg::Vec3d& localPoint) const { return localPoint * localToWorld; }

    osg::Vec3d worldDirection(const osg::Vec3d& localDirection) const
    {
        return osg::Matrixd::transform3x3(localDirection, localToWorld);
    }

    osg::Matrixd localToWorld;
    osgViewer::Viewer viewer;
    osg::ref_ptr<CaptureCallback> capture = new CaptureCallback;
};

bool isStreetGrey(const unsigned char* p)
{
    const int r = p[0], g = p[1], b = p[2];
    return r > 120 && std::abs(r - g) < 12 && std::abs(g - b) < 12;
}

TEST(ShaderRender, AllProgramsLinkAndACellIsDrawn)
{
    testTerrain::findSourceShaders();
    writeTown("render_town.osm");
    GeneratedScene town("render_town.osm", testTerrain::sceneOriginAt(blockLon(2), blockLat(2)));
    GeometryGenerator& generator = *town.generator;

    // Looking north-west from the south-east, the sun low in the north-west: its
    // reflection lies on the pond.
    SceneRender render(town.local.get(), {200, -330, 220}, {-50, -80, 52}, {0, 0, 1}, {-0.6, 0.55, 0.5});
    ASSERT_TRUE(render.draw()) << "no OpenGL window: run under a (virtual) X display";

    osg::State* state = render.viewer.getCamera()->getGraphicsContext()->getState();
    for (osg::Program* program :
         {generator.buildingProgram.get(), generator.streetProgram.get(), generator.waterProgram.get(),
          generator.treeProgram.get()})
    {
        osg::Program::PerContextProgram* pcp = program->getPCP(*state);
        ASSERT_NE(pcp, nullptr);
        std::string log;
        pcp->getInfoLog(log);
        EXPECT_TRUE(pcp->isLinked()) << log;
    }
    EXPECT_EQ(generator.streetProgram->getNumShaders(), 3u);
    EXPECT_EQ(generator.waterProgram->getNumShaders(), 2u);

    osg::Image* image = render.capture->image.get();
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
            else if (isStreetGrey(p))
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

namespace
{
// A residential street mapped 6 m wide that turns from east to north, seen from
// 100 m straight above: the outside of the bend is closed by the first segment's
// cap, and the cap ends within the street's half width.
TEST(ShaderRender, StreetBendIsClosedUpClose)
{
    testTerrain::findSourceShaders();
    const double lon = blockLon(2), lat = blockLat(2);
    const double dLon = 0.0001 / 0.6157, dLat = 0.0001 / 1.1132; // about 10 m at 52 N
    OsmFileBuilder osm;
    osm.line("1", {{lon - 3 * dLon, lat}, {lon, lat}, {lon, lat + 3 * dLat}},
             {{"highway", "residential"}, {"width", "6"}});
    osm.write("render_bend.osm");
    GeneratedScene bend("render_bend.osm", testTerrain::sceneOriginAt(lon, lat));
    const osg::Vec3Array* line = nullptr;
    for (unsigned i = 0; i < bend.local->getNumChildren(); ++i)
        if (const auto* street = dynamic_cast<const Streets*>(bend.local->getChild(i)))
            line = dynamic_cast<const osg::Vec3Array*>(street->getDrawable(0)->asGeometry()->getVertexArray());
    ASSERT_TRUE(line && line->size() == 3u);
    const osg::Vec3d corner = (*line)[1];

    SceneRender render(bend.local.get(), corner + osg::Vec3d(0, 0, 100), corner, {0, 1, 0}, {0, 0, 1});
    ASSERT_TRUE(render.draw()) << "no OpenGL window: run under a (virtual) X display";
    ASSERT_TRUE(osgDB::writeImageFile(*render.capture->image, "street_bend.png"));

    const double r = 3.0;
    EXPECT_TRUE(isStreetGrey(render.pixelAt(corner + osg::Vec3d(-5, 0, 0)))) << "the first segment";
    EXPECT_TRUE(isStreetGrey(render.pixelAt(corner + osg::Vec3d(0, 5, 0)))) << "the second segment";
    EXPECT_TRUE(isStreetGrey(render.pixelAt(corner + osg::Vec3d(0.4 * r, -0.4 * r, 0)))) << "outside of the bend";
    EXPECT_FALSE(isStreetGrey(render.pixelAt(corner + osg::Vec3d(1.3 * r, -1.3 * r, 0)))) << "beyond the cap";
}
} // namespace
