#include "globe/HorizonCullCallback.h"
#include "globe/MapNode.h"
#include "globe/SpatialReference.h"
#include "globe/TerrainEngine.h"
#include "globe/TileBuilder.h"
#include "globe/TileKey.h"
#include "globe/TilePagedLOD.h"
#include "globe/TileReaderWriter.h"

#include <gtest/gtest.h>
#include <osg/Geode>
#include <osg/Geometry>
#include <osg/MatrixTransform>
#include <osg/Uniform>
#include <osgDB/ReadFile>

#include <algorithm>
#include <cmath>
#include <random>

namespace
{
const globe::SpatialReference* wgs84()
{
    return globe::SpatialReference::get("wgs84");
}

osg::ref_ptr<globe::Map> monacoMap()
{
    osg::ref_ptr<globe::Map> map = new globe::Map;
    map->addElevationLayer(new globe::ElevationLayer(
        "SRTM", globe::GDALOptions{std::string(ORVALIS_SOURCE_DIR) + "/samples/monaco.tif", "gdal"}));
    return map;
}

// The mesh of a tile node: its transform to the tile centre and its geometry.
struct TileMesh
{
    const osg::MatrixTransform* transform = nullptr;
    const osg::Geometry* geometry = nullptr;
};

TileMesh meshOf(const osg::Node* tile)
{
    const osg::Node* node = tile->asGroup()->getChild(0);
    TileMesh mesh;
    mesh.transform = dynamic_cast<const osg::MatrixTransform*>(node);
    if (mesh.transform)
        mesh.geometry = mesh.transform->getChild(0)->asGeode()->getDrawable(0)->asGeometry();
    return mesh;
}

const osg::Vec3Array* verticesOf(const TileMesh& mesh)
{
    return static_cast<const osg::Vec3Array*>(mesh.geometry->getVertexArray());
}

// The mesh's posts: longitudes of the first row, latitudes of the first column.
void gridOf(const TileMesh& mesh, std::vector<double>& lons, std::vector<double>& lats)
{
    const osg::Vec3d centre = mesh.transform->getMatrix().getTrans();
    const osg::Vec3Array& v = *verticesOf(mesh);
    const auto geographic = [&](unsigned k) {
        osg::Vec3d lonLatHeight;
        wgs84()->transformFromWorld(osg::Vec3d(v[k]) + centre, lonLatHeight);
        return lonLatHeight;
    };
    lons.clear();
    lats.clear();
    const double south = geographic(0).y();
    for (unsigned k = 0; std::abs(geographic(k).y() - south) < 1e-9; ++k)
        lons.push_back(geographic(k).x());
    const double west = lons.front();
    for (unsigned k = 0; k < v.size() && std::abs(geographic(k).x() - west) < 1e-9; k += lons.size())
        lats.push_back(geographic(k).y());
}

// Height of the drawn mesh above the ellipsoid at lon/lat: the vertical line
// through the point meets the triangle of its grid cell.
double meshHeight(const TileMesh& mesh, double lon, double lat)
{
    std::vector<double> lons, lats;
    gridOf(mesh, lons, lats);
    const unsigned i = std::upper_bound(lons.begin(), lons.end() - 1, lon) - lons.begin() - 1;
    const unsigned j = std::upper_bound(lats.begin(), lats.end() - 1, lat) - lats.begin() - 1;
    const double fx = (lon - lons[i]) / (lons[i + 1] - lons[i]), fy = (lat - lats[j]) / (lats[j + 1] - lats[j]);
    const unsigned columns = lons.size();
    const unsigned sw = j * columns + i, se = sw + 1, nw = sw + columns, ne = nw + 1;
    const bool lower = fx >= fy;
    const osg::Vec3d centre = mesh.transform->getMatrix().getTrans();
    const osg::Vec3Array& v = *verticesOf(mesh);
    const osg::Vec3d a = osg::Vec3d(v[sw]) + centre, b = osg::Vec3d(lower ? v[se] : v[ne]) + centre,
                     c = osg::Vec3d(lower ? v[ne] : v[nw]) + centre;
    const osg::Vec3d normal = (b - a) ^ (c - a);
    osg::Vec3d bottom, top;
    wgs84()->transformToWorld(osg::Vec3d(lon, lat, -1000.0), bottom);
    wgs84()->transformToWorld(osg::Vec3d(lon, lat, 5000.0), top);
    const double t = ((a - bottom) * normal) / ((top - bottom) * normal);
    osg::Vec3d lonLatHeight;
    wgs84()->transformFromWorld(bottom + (top - bottom) * t, lonLatHeight);
    return lonLatHeight.z();
}

globe::TileKey keyAt(unsigned level, double lon, double lat)
{
    const double width = 180.0 / (1u << level);
    return globe::TileKey(level, unsigned((lon + 180.0) / width), unsigned((lat + 90.0) / width));
}
} // namespace

TEST(TileKey, AddressesTheGeographicQuadtree)
{
    const globe::TileKey root(0, 1, 0);
    EXPECT_DOUBLE_EQ(root.west(), 0.0);
    EXPECT_DOUBLE_EQ(root.east(), 180.0);
    EXPECT_DOUBLE_EQ(root.south(), -90.0);
    EXPECT_DOUBLE_EQ(root.north(), 90.0);
    const globe::TileKey northEast = root.child(3);
    EXPECT_EQ(northEast.level(), 1u);
    EXPECT_DOUBLE_EQ(northEast.west(), 90.0);
    EXPECT_DOUBLE_EQ(northEast.south(), 0.0);
    EXPECT_DOUBLE_EQ(root.child(0).west(), 0.0);
    EXPECT_DOUBLE_EQ(root.child(0).south(), -90.0);

    const globe::TileKey key = keyAt(16, 7.42, 43.735);
    EXPECT_LE(key.west(), 7.42);
    EXPECT_GT(key.east(), 7.42);
    globe::TileKey parsed(0, 0, 0);
    ASSERT_TRUE(globe::TileKey::parse(key.str(), parsed));
    EXPECT_EQ(parsed.level(), key.level());
    EXPECT_EQ(parsed.x(), key.x());
    EXPECT_EQ(parsed.y(), key.y());
    for (const char* bad : {"", "1_2", "1_4_0", "0_0_1", "2_1_1x", "a_b_c", "99_0_0"})
        EXPECT_FALSE(globe::TileKey::parse(bad, parsed)) << bad;
}

TEST(TerrainEngine, FinestTilesFollowTheElevationQuery)
{
    const auto map = monacoMap();
    globe::TerrainOptions options;
    osg::ref_ptr<globe::TileBuilder> builder = new globe::TileBuilder(map.get(), options);
    const globe::ElevationQuery query(map.get());
    const unsigned level = builder->getMaxLevel();
    EXPECT_GE(level, 15u);

    // The steep slopes above Monaco and the flat harbour.
    std::mt19937 random(3);
    double worst = 0.0;
    for (const auto& [lon, lat] : {std::pair{7.42, 43.735}, std::pair{7.405, 43.75}, std::pair{7.44, 43.76},
                                   std::pair{7.35, 43.73}, std::pair{7.5, 43.8}})
    {
        const globe::TileKey key = keyAt(level, lon, lat);
        osg::ref_ptr<osg::Node> tile = builder->createTile(key, nullptr);
        const TileMesh mesh = meshOf(tile.get());
        ASSERT_NE(mesh.geometry, nullptr);
        std::uniform_real_distribution<double> u(0.0, 1.0);
        for (int i = 0; i < 400; ++i)
        {
            const double x = key.west() + u(random) * key.width(), y = key.south() + u(random) * key.width();
            double expected = 0.0;
            query.getElevation(globe::GeoPoint(wgs84(), x, y), expected);
            worst = std::max(worst, std::abs(meshHeight(mesh, x, y) - expected));
        }
    }
    EXPECT_LT(worst, 1.0);
}

TEST(TerrainEngine, TileMeshIsLocalWithSkirtsAndNormals)
{
    const auto map = monacoMap();
    globe::TerrainOptions options;
    options.tileSize = 8;
    options.skirtRatio = 0.05f;
    options.minSkirtHeight = 20.0f;
    osg::ref_ptr<globe::TileBuilder> builder = new globe::TileBuilder(map.get(), options);

    for (unsigned level : {3u, 9u, 14u})
    {
        const globe::TileKey key = keyAt(level, 7.42, 43.735);
        osg::ref_ptr<osg::Node> tile = builder->createTile(key, nullptr);
        const TileMesh mesh = meshOf(tile.get());
        ASSERT_NE(mesh.geometry, nullptr);
        const osg::Vec3Array& vertices = *verticesOf(mesh);
        const auto& normals = *static_cast<const osg::Vec3Array*>(mesh.geometry->getNormalArray());
        const unsigned posts = options.tileSize + 1;
        ASSERT_EQ(vertices.size(), posts * posts + 4 * options.tileSize + 1);
        ASSERT_EQ(normals.size(), vertices.size());

        // Vertices are small offsets from the tile's centre on the ellipsoid.
        const osg::Vec3d centre = mesh.transform->getMatrix().getTrans();
        osg::Vec3d centreGeo;
        wgs84()->transformFromWorld(centre, centreGeo);
        EXPECT_NEAR(centreGeo.z(), 0.0, 1e-3);
        const double widthMetres = key.width() * 111319.49;
        const osg::Vec3d up = wgs84()->getEllipsoid()->computeLocalUpVector(centre.x(), centre.y(), centre.z());
        for (unsigned k = 0; k < posts * posts; ++k)
        {
            EXPECT_LT(vertices[k].length(), widthMetres) << k;
            EXPECT_NEAR(normals[k].length(), 1.0f, 1e-4f);
            EXPECT_GT(normals[k] * osg::Vec3f(up), 0.2f);
        }
        // Every skirt vertex hangs straight below an outline post, as deep as the options ask.
        const double skirt = std::max(0.05 * widthMetres, 20.0);
        const osg::Vec3f firstSkirt = vertices[posts * posts];
        EXPECT_NEAR((vertices[0] - firstSkirt).length(), skirt, skirt * 1e-4);
        osg::Vec3d post, bottom;
        wgs84()->transformFromWorld(osg::Vec3d(vertices[0]) + centre, post);
        wgs84()->transformFromWorld(osg::Vec3d(firstSkirt) + centre, bottom);
        EXPECT_NEAR(post.z() - bottom.z(), skirt, skirt * 1e-3 + 0.01);
    }
}

TEST(TerrainEngine, OptionsActOnTheTiles)
{
    const auto map = monacoMap();
    globe::TerrainOptions options;
    options.firstLOD = 2;
    options.minTileRangeFactor = 5.0f;
    options.minExpiryTime = 0.5f;
    options.quickReleaseGLObjects = true;
    options.color = osg::Vec4f(0.4f, 0.7f, 0.4f, 1.0f);
    options.enableLighting = false;
    options.enableBlending = true;
    osg::ref_ptr<globe::MapNode> mapNode = new globe::MapNode(map.get(), globe::MapNodeOptions(options));
    EXPECT_EQ(mapNode->getMap(), map.get());

    const osg::Group* terrain = mapNode->getTerrain();
    ASSERT_EQ(terrain->getNumChildren(), 2u * 4u * 4u);
    const auto* root = dynamic_cast<const globe::TilePagedLOD*>(terrain->getChild(0));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->getNumFileNames(), 2u);
    EXPECT_EQ(root->getFileName(1), "2_0_0.globetile");
    EXPECT_FLOAT_EQ(root->getMinimumExpiryTime(1), 0.5f);
    EXPECT_FLOAT_EQ(root->getMaxRange(1), 5.0f * root->getRadius());
    EXPECT_FLOAT_EQ(root->getMinRange(0), root->getMaxRange(1));

    const osg::StateSet* state = terrain->getStateSet();
    ASSERT_NE(state, nullptr);
    osg::Vec4f color;
    bool lighting = true;
    ASSERT_TRUE(state->getUniform("terrainColor")->get(color));
    EXPECT_EQ(color, options.color);
    ASSERT_TRUE(state->getUniform("terrainLighting")->get(lighting));
    EXPECT_FALSE(lighting);
    EXPECT_EQ(state->getMode(GL_BLEND) & osg::StateAttribute::ON, osg::StateAttribute::ON);
    EXPECT_EQ(state->getRenderingHint(), int(osg::StateSet::TRANSPARENT_BIN));

    // Without elevation the finest level only has to follow the ellipsoid's curve.
    osg::ref_ptr<globe::TileBuilder> bare = new globe::TileBuilder(new globe::Map, globe::TerrainOptions());
    EXPECT_LT(bare->getMaxLevel(), globe::TileBuilder(map.get(), options).getMaxLevel());
    globe::TerrainOptions shallow;
    shallow.maxLOD = 7;
    EXPECT_EQ(globe::TileBuilder(map.get(), shallow).getMaxLevel(), 7u);
}

TEST(TerrainEngine, PagerReadsChildTilesByName)
{
    const auto map = monacoMap();
    osg::ref_ptr<globe::TileBuilder> builder = new globe::TileBuilder(map.get(), globe::TerrainOptions());
    globe::TileReaderWriter::registerOnce();
    osg::ref_ptr<osgDB::Options> options = new osgDB::Options;
    options->setUserData(builder.get());

    const unsigned before = builder->getTilesBuilt();
    osg::ref_ptr<osg::Node> node = osgDB::readNodeFile("5_33_22.globetile", options.get());
    ASSERT_TRUE(node.valid());
    ASSERT_EQ(node->asGroup()->getNumChildren(), 4u);
    EXPECT_EQ(node->asGroup()->getChild(0)->getName(), "6_66_44");
    EXPECT_EQ(node->asGroup()->getChild(3)->getName(), "6_67_45");
    EXPECT_EQ(builder->getTilesBuilt(), before + 4);

    EXPECT_FALSE(osgDB::readNodeFile("5_99_22.globetile", options.get()));
    EXPECT_FALSE(osgDB::readNodeFile("5_33_22.globetile"));
}

TEST(HorizonCullCallback, HidesOnlyWhatIsBehindTheHorizon)
{
    // A 0.1 degree patch around Monaco, up to 1000 m high.
    std::vector<osg::Vec3d> corners;
    for (double lon : {7.37, 7.47})
        for (double lat : {43.68, 43.78})
        {
            osg::Vec3d world;
            wgs84()->transformToWorld(osg::Vec3d(lon, lat, 1000.0), world);
            corners.push_back(world);
        }
    osg::Vec3d direction;
    wgs84()->transformToWorld(osg::Vec3d(7.42, 43.73, 0.0), direction);
    const globe::HorizonCullCallback callback(corners, direction, *wgs84()->getEllipsoid());

    const auto eye = [](double lon, double lat, double height) {
        osg::Vec3d world;
        wgs84()->transformToWorld(osg::Vec3d(lon, lat, height), world);
        return world;
    };
    EXPECT_FALSE(callback.isOccluded(eye(7.42, 43.73, 500.0)));
    EXPECT_FALSE(callback.isOccluded(eye(7.42, 43.73, 2e7)));
    // About 195 km north: from 2 km up the patch's peaks show (horizons 160 + 113 km), from
    // 10 m up they are below the horizon (11 + 113 km).
    EXPECT_FALSE(callback.isOccluded(eye(7.42, 45.53, 2000.0)));
    EXPECT_TRUE(callback.isOccluded(eye(7.42, 45.53, 10.0)));
    // The other side of the earth, and from below the ellipsoid nothing is hidden.
    EXPECT_TRUE(callback.isOccluded(eye(-172.58, -43.73, 1e6)));
    EXPECT_FALSE(callback.isOccluded(osg::Vec3d(0.0, 0.0, 0.0)));
}
