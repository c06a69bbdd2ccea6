#include "geometry/SceneExporter.h"

#include "OsmFileBuilder.h"
#include "TestTerrain.h"
#include "geometry/GeometryGenerator.h"
#include "geometry/StreetRibbons.h"
#include "geometry/Streets.h"
#include "osm/OsmParser.h"

#include <gtest/gtest.h>
#include <osg/TriangleFunctor>
#include <osgDB/ReadFile>
#include <tiny_gltf.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace
{
using testTerrain::blockLat;
using testTerrain::blockLon;
namespace fs = std::filesystem;

struct TriangleCounter
{
    std::size_t* count = nullptr;
    void operator()(const osg::Vec3&, const osg::Vec3&, const osg::Vec3&) { ++*count; }
};

// What the scene draws: the triangles of every geometry, and for street line strips
// the five triangles the street program makes of each segment.
std::size_t drawnTriangles(osg::Node& node)
{
    struct Counter : osg::NodeVisitor
    {
        Counter() : osg::NodeVisitor(TRAVERSE_ALL_CHILDREN) {}
        void apply(osg::Geometry& geometry) override
        {
            if (geometry.getVertexAttribArray(Streets::widthAttribute) != nullptr)
            {
                for (unsigned p = 0; p < geometry.getNumPrimitiveSets(); ++p)
                    count += 5 * (geometry.getPrimitiveSet(p)->getNumIndices() - 1);
                return;
            }
            osg::TriangleFunctor<TriangleCounter> triangles;
            triangles.count = &count;
            geometry.accept(triangles);
        }
        std::size_t count = 0;
    } counter;
    node.accept(counter);
    return counter.count;
}

// Everything in the directory: a file written whole leaves nothing else.
std::set<std::string> entriesOf(const fs::path& directory)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory))
        names.insert(entry.path().filename().string());
    return names;
}

// Water, buildings and streets of every kind (a bridge among them) around block
// (3, 2) on the synthetic terrain.
class SceneExporterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        testTerrain::findSourceShaders();
        origin = testTerrain::sceneOriginAt(blockLon(3), blockLat(2));
        OsmFileBuilder osm;
        osm.square("101", blockLon(3), blockLat(2), 0.0005, true, {{"building", "yes"}});
        osm.square("102", blockLon(3) + 0.002, blockLat(2), 0.0004, false, {{"building", "yes"}, {"height", "20"}});
        osm.square("103", blockLon(3), blockLat(2) - 0.002, 0.0006, true, {{"natural", "water"}});
        osm.line("201", {{blockLon(3) - 0.001, blockLat(2) + 0.001}, {blockLon(3), blockLat(2) + 0.0012},
                         {blockLon(3) + 0.001, blockLat(2) + 0.001}}, {{"highway", "residential"}});
        osm.line("202", {{blockLon(3) - 0.001, blockLat(2) + 0.0015}, {blockLon(3) + 0.001, blockLat(2) + 0.0015}},
                 {{"highway", "primary"}, {"bridge", "yes"}, {"width", "12"}});
        osm.line("203", {{blockLon(3) - 0.001, blockLat(2) - 0.001}, {blockLon(3) + 0.001, blockLat(2) - 0.0011}},
                 {{"waterway", "stream"}});
        // One file per test: the tests of the suite may run at the same time.
        const std::string extract =
            std::string("exporter_") + testing::UnitTest::GetInstance()->current_test_info()->name() + ".osm";
        osm.write(extract);
        int columns = 0;
        int rows = 0;
        testing::internal::CaptureStdout();
        store.reset(new OsmParser(extract, columns, rows, 0.005));
        generator.reset(new GeometryGenerator(testTerrain::mapNode(), store.get(), origin, -1));
        generator->setColorScheme(2);
        scene = new osg::Group;
        scene->addChild(generator->generateWater());
        // The buildings span one cell; the streets start in the cells around it.
        for (int column = -2; column <= 2; ++column)
            for (int row = -2; row <= 2; ++row)
                for (const auto& node : generator->generateCell(column, row).built)
                    scene->addChild(node.get());
        testing::internal::GetCapturedStdout();
        fs::remove_all(directory);
        fs::create_directories(directory);
    }

    void TearDown() override { fs::remove_all(directory); }

    SceneExporter exported() const
    {
        SceneExporter exporter(origin);
        exporter.add(*scene);
        return exporter;
    }

    osg::Matrixd origin;
    std::unique_ptr<OsmParser> store;
    std::unique_ptr<GeometryGenerator> generator;
    osg::ref_ptr<osg::Group> scene;
    // One folder per test: the tests of the suite may run at the same time.
    const fs::path directory =
        fs::absolute(std::string("exporter_output_") + testing::UnitTest::GetInstance()->current_test_info()->name());
};
} // namespace

// Read back as any glTF reader would: the origin in the asset's extras, every triangle
// the scene draws, in the generator's colours, the vertices in metres around the origin.
TEST_F(SceneExporterTest, GlbReadsBackWithTheOriginAndTheScenesTriangles)
{
    const std::size_t drawn = drawnTriangles(*scene);
    ASSERT_GT(drawn, 40u);
    const std::string path = (directory / "city.glb").string();
    exported().write(path);
    EXPECT_EQ(entriesOf(directory), std::set<std::string>{"city.glb"});

    tinygltf::Model model;
    std::string error, warning;
    ASSERT_TRUE(tinygltf::TinyGLTF().LoadBinaryFromFile(&model, &error, &warning, path)) << error;
    const tinygltf::Value& originValue = model.asset.extras.Get("origin");
    EXPECT_NEAR(originValue.Get("longitude").GetNumberAsDouble(), blockLon(3), 1e-9);
    EXPECT_NEAR(originValue.Get("latitude").GetNumberAsDouble(), blockLat(2), 1e-9);
    EXPECT_NEAR(originValue.Get("height").GetNumberAsDouble(), 0.0, 1e-6);

    ASSERT_EQ(model.meshes.size(), 1u);
    const tinygltf::Primitive& primitive = model.meshes[0].primitives.at(0);
    EXPECT_EQ(model.accessors[primitive.indices].count, 3 * drawn);
    const tinygltf::Accessor& positions = model.accessors[primitive.attributes.at("POSITION")];
    for (int axis = 0; axis < 2; ++axis)
    {
        EXPECT_GT(positions.minValues[axis], -500.0);
        EXPECT_LT(positions.maxValues[axis], 500.0);
    }
    // Up is z, in metres: the block's terrain lies 30 + 3 + 20 m up, the buildings above.
    EXPECT_GT(positions.minValues[2], 52.0);
    EXPECT_GT(positions.maxValues[2], 63.0);
    EXPECT_LT(positions.maxValues[2], 150.0);

    const tinygltf::Accessor& colours = model.accessors[primitive.attributes.at("COLOR_0")];
    const tinygltf::BufferView& view = model.bufferViews[colours.bufferView];
    const unsigned char* rgba = model.buffers[0].data.data() + view.byteOffset + colours.byteOffset;
    std::set<std::vector<int>> seen;
    for (std::size_t i = 0; i < colours.count; ++i)
        seen.insert({rgba[4 * i], rgba[4 * i + 1], rgba[4 * i + 2]});
    EXPECT_TRUE(seen.count({230, 102, 102})) << "buildings in the Model scheme";
    EXPECT_TRUE(seen.count({26, 26, 255})) << "water and streams";
}

// An OBJ file says where its frame lies on its first line and brings its materials;
// an OSGB file keeps the origin as the root's user values.
TEST_F(SceneExporterTest, ObjAndOsgbCarryTheOrigin)
{
    const SceneExporter exporter = exported();
    const std::string obj = (directory / "city.obj").string();
    exporter.write(obj);
    EXPECT_EQ(entriesOf(directory), (std::set<std::string>{"city.mtl", "city.obj"}));
    std::ifstream in(obj);
    std::string word, longitude, latitude, height;
    in >> word >> word >> word >> longitude;
    in >> word >> latitude >> word >> height;
    EXPECT_EQ(word, "height");
    EXPECT_NEAR(std::stod(longitude), blockLon(3), 1e-7);
    EXPECT_NEAR(std::stod(latitude), blockLat(2), 1e-7);
    EXPECT_NEAR(std::stod(height), 0.0, 1e-6);
    std::size_t faces = 0;
    for (std::string line; std::getline(in, line);)
        faces += line.rfind("f ", 0) == 0 ? 1 : 0;
    EXPECT_EQ(faces, exporter.triangleCount());

    const std::string osgb = (directory / "city.osgb").string();
    exporter.write(osgb);
    osg::ref_ptr<osg::Node> read = osgDB::readNodeFile(osgb);
    ASSERT_TRUE(read.valid());
    double readLongitude = 0.0;
    EXPECT_TRUE(read->getUserValue("origin_longitude", readLongitude));
    EXPECT_NEAR(readLongitude, blockLon(3), 1e-9);
}

// The messages name the file; nothing is left beside it, not even the staged copy.
TEST_F(SceneExporterTest, UnwritablePlacesAreReportedByNameAndLeaveNothing)
{
    const SceneExporter exporter = exported();
    const std::string missing = (directory / "no such folder" / "city.glb").string();
    const std::string occupied = (directory / "taken.glb").string();
    fs::create_directory(occupied);
    for (const std::string& path : {missing, occupied, (directory / "city.txt").string()})
    {
        try
        {
            exporter.write(path);
            ADD_FAILURE() << path << " was written";
        }
        catch (const std::runtime_error& error)
        {
            EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
        }
    }
    EXPECT_EQ(entriesOf(directory), std::set<std::string>{"taken.glb"});
}

// As street.geom draws them: a segment's quad is its width across, the cap reaches
// half the width beyond its end, every triangle faces up, a vertical segment is none.
TEST(StreetRibbonsTest, SegmentsBecomeCappedRibbonsFacingUp)
{
    osg::ref_ptr<osg::Geometry> lines = new osg::Geometry;
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    for (const osg::Vec3f& vertex : {osg::Vec3f(0, 0, 0), osg::Vec3f(10, 0, 0), osg::Vec3f(10, 0, 5), osg::Vec3f(10, 20, 5)})
        vertices->push_back(vertex);
    osg::ref_ptr<osg::FloatArray> widths = new osg::FloatArray;
    for (float width : {4.0f, 4.0f, 6.0f, 6.0f})
        widths->push_back(width);
    lines->setVertexArray(vertices.get());
    lines->setVertexAttribArray(Streets::widthAttribute, widths.get(), osg::Array::BIND_PER_VERTEX);
    lines->addPrimitiveSet(new osg::DrawArrays(GL_LINE_STRIP, 0, 4));
    ASSERT_TRUE(StreetRibbons::isRibbonGeometry(*lines));
    TriangleMesh mesh;
    StreetRibbons::append(*lines, osg::Matrixd::identity(), osg::Vec3f(0, 0, 1), osg::Vec4f(1, 0, 0, 1), mesh);

    ASSERT_EQ(mesh.triangleCount(), 10u);
    osg::BoundingBox first, last;
    for (std::size_t i = 0; i < 7; ++i)
        first.expandBy(mesh.positions[i]);
    for (std::size_t i = 7; i < 14; ++i)
        last.expandBy(mesh.positions[i]);
    EXPECT_FLOAT_EQ(first.yMin(), -2.0f);
    EXPECT_FLOAT_EQ(first.yMax(), 2.0f);
    EXPECT_FLOAT_EQ(first.xMax(), 12.0f);
    EXPECT_FLOAT_EQ(last.xMin(), 7.0f);
    EXPECT_FLOAT_EQ(last.yMax(), 23.0f);
    for (std::size_t t = 0; t < mesh.triangleCount(); ++t)
    {
        const osg::Vec3f& a = mesh.positions[mesh.indices[3 * t]];
        const osg::Vec3f& b = mesh.positions[mesh.indices[3 * t + 1]];
        const osg::Vec3f& c = mesh.positions[mesh.indices[3 * t + 2]];
        EXPECT_GT(((b - a) ^ (c - a)).z(), 0.0f) << "triangle " << t;
    }
}
