#include "globe/ElevationQuery.h"
#include "globe/MapNode.h"
#include "globe/SpatialReference.h"
#include "globe/TerrainSnapshot.h"

#include <gtest/gtest.h>
#include <osgDB/WriteFile>

#include <cmath>
#include <cstdlib>

namespace
{
constexpr int width = 640;
constexpr int height = 360;
constexpr unsigned maxLoadFrames = 1000;

struct Pose
{
    double lon, lat, heading, pitch, range;
};

osg::ref_ptr<globe::MapNode> createMapNode(bool withTerrain)
{
    osg::ref_ptr<globe::Map> map = new globe::Map;
    if (!withTerrain)
        return new globe::MapNode(map.get());
    map->addElevationLayer(new globe::ElevationLayer(
        "SRTM", globe::GDALOptions{std::string(ORVALIS_SOURCE_DIR) + "/samples/monaco.tif", "gdal"}));
    globe::TerrainOptions options;
    options.color = osg::Vec4f(0.4f, 0.7f, 0.4f, 1.0f);
    options.firstLOD = 4;
    return new globe::MapNode(map.get(), globe::MapNodeOptions(options));
}

// Renders the map node from the pose once its tiles are in; the picture is kept
// beside the test for people to look at.
osg::ref_ptr<osg::Image> render(globe::MapNode* mapNode, const Pose& pose, const std::string& name,
                                double* nearPlane = nullptr)
{
    globe::TerrainSnapshot snapshot(mapNode, width, height);
    if (!snapshot.isValid())
        return nullptr;
    double focalHeight = 0.0;
    globe::ElevationQuery(mapNode->getMap())
        .getElevation(globe::GeoPoint(globe::SpatialReference::get("wgs84"), pose.lon, pose.lat), focalHeight);
    snapshot.lookAt(osg::Vec3d(pose.lon, pose.lat, focalHeight), pose.heading, pose.pitch, pose.range);
    EXPECT_LT(snapshot.renderUntilLoaded(maxLoadFrames), maxLoadFrames);
    osg::ref_ptr<osg::Image> picture = snapshot.capture();
    osgDB::writeImageFile(*picture, std::string(ORVALIS_BINARY_DIR) + "/tests/" + name);
    if (nearPlane)
    {
        double zFar = 0.0;
        snapshot.lastNearFar(*nearPlane, zFar);
    }
    return picture;
}

const unsigned char* pixel(const osg::Image& image, int x, int y)
{
    return image.data(x, y);
}

bool isBackground(const unsigned char* p)
{
    return p[0] == 0 && p[1] == 0 && p[2] == 0;
}

// Mean brightness change between neighbouring terrain pixels: shading that
// follows hills varies, a smooth ellipsoid hardly does.
double shadingVariation(const osg::Image& image)
{
    double sum = 0.0;
    int count = 0;
    for (int y = 0; y < image.t(); ++y)
    {
        for (int x = 1; x < image.s(); ++x)
        {
            const unsigned char* a = pixel(image, x - 1, y);
            const unsigned char* b = pixel(image, x, y);
            if (isBackground(a) || isBackground(b))
                continue;
            sum += std::abs(int(a[1]) - int(b[1]));
            ++count;
        }
    }
    return count ? sum / count : 0.0;
}

int backgroundPixels(const osg::Image& image, int fromRow, int toRow)
{
    int count = 0;
    for (int y = fromRow; y < toRow; ++y)
        for (int x = 0; x < image.s(); ++x)
            count += isBackground(pixel(image, x, y));
    return count;
}
} // namespace

TEST(TerrainRendering, MonacoShowsReliefWhereTheBareGlobeIsSmooth)
{
    // Looking north over Monaco at the hills behind it from 40 km.
    const Pose pose{7.42, 43.70, 0.0, -35.0, 40000.0};
    osg::ref_ptr<globe::MapNode> terrain = createMapNode(true);
    osg::ref_ptr<osg::Image> relief = render(terrain.get(), pose, "globe-monaco-relief.png");
    if (!relief)
        GTEST_SKIP() << "no OpenGL context";
    osg::ref_ptr<osg::Image> bare = render(createMapNode(false).get(), pose, "globe-monaco-bare.png");
    ASSERT_TRUE(bare.valid());

    // The view is filled by the ground in both cases.
    EXPECT_EQ(backgroundPixels(*relief, 0, height), 0);
    EXPECT_EQ(backgroundPixels(*bare, 0, height), 0);
    const double reliefVariation = shadingVariation(*relief);
    const double bareVariation = shadingVariation(*bare);
    EXPECT_GT(reliefVariation, 4.0 * bareVariation);
    EXPECT_LT(bareVariation, 1.0);

    // The terrain keeps its colour: green over red and blue.
    const unsigned char* centre = pixel(*relief, width / 2, height / 2);
    EXPECT_GT(centre[1], centre[0]);
    EXPECT_GT(centre[1], centre[2]);
}

TEST(TerrainRendering, CameraJustAboveTheGroundIsNotClipped)
{
    // From the harbour up the slopes to the north, the eye about 100 m above the ground.
    const Pose pose{7.4215, 43.7365, 20.0, -20.0, 300.0};
    osg::ref_ptr<globe::MapNode> terrain = createMapNode(true);
    const globe::ElevationQuery query(terrain->getMap());
    const globe::SpatialReference* srs = globe::SpatialReference::get("wgs84");
    double focalHeight = 0.0, groundBelowEye = 0.0;
    query.getElevation(globe::GeoPoint(srs, pose.lon, pose.lat), focalHeight);
    const osg::Matrixd view =
        globe::TerrainSnapshot::viewMatrix(osg::Vec3d(pose.lon, pose.lat, focalHeight), pose.heading, pose.pitch,
                                           pose.range);
    osg::Vec3d eye;
    srs->transformFromWorld(osg::Matrixd::inverse(view).getTrans(), eye);
    query.getElevation(globe::GeoPoint(srs, eye.x(), eye.y()), groundBelowEye);
    ASSERT_NEAR(eye.z() - groundBelowEye, 100.0, 50.0);

    double zNear = 0.0;
    osg::ref_ptr<osg::Image> picture = render(terrain.get(), pose, "globe-monaco-100m.png", &zNear);
    if (!picture)
        GTEST_SKIP() << "no OpenGL context";
    // The ground in front of the camera is drawn everywhere: the near plane cuts nothing away.
    EXPECT_EQ(backgroundPixels(*picture, 0, height / 2), 0);
    EXPECT_GT(zNear, 0.0);
    EXPECT_LT(zNear, 50.0);
}
