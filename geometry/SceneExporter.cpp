#include "geometry/SceneExporter.h"

#include "geometry/StagingDirectory.h"
#include "geometry/StreetRibbons.h"
#include "globe/SpatialReference.h"

#include <osg/Geometry>
#include <osg/Material>
#include <osg/NodeVisitor>
#include <osg/TriangleIndexFunctor>
#include <osg/Uniform>
#include <osgDB/FileNameUtils>
#include <osgDB/Registry>
#include <tiny_gltf.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <map>
#include <sstream>
#include <stdexcept>

namespace
{
const osg::Vec4f defaultColour(0.8f, 0.8f, 0.8f, 1.0f);
const osg::Vec3f frameUp(0.0f, 0.0f, 1.0f);

// The uniform of that name nearest to the end of the path (the drawable's own first).
const osg::Uniform* nearestUniform(const osg::NodePath& path, const char* name)
{
    for (auto node = path.rbegin(); node != path.rend(); ++node)
        if (const osg::StateSet* state = (*node)->getStateSet())
            if (const osg::Uniform* uniform = state->getUniform(name))
                return uniform;
    return nullptr;
}

osg::Vec4f colourOf(const osg::Uniform* uniform)
{
    osg::Vec3f rgb;
    osg::Vec4f rgba;
    if (uniform && uniform->getType() == osg::Uniform::FLOAT_VEC3 && uniform->get(rgb))
        return osg::Vec4f(rgb, 1.0f);
    if (uniform && uniform->getType() == osg::Uniform::FLOAT_VEC4 && uniform->get(rgba))
        return rgba;
    return defaultColour;
}

struct IndexCollector
{
    std::vector<unsigned> indices;
    void operator()(unsigned a, unsigned b, unsigned c) { indices.insert(indices.end(), {a, b, c}); }
};

// Every geometry below the node, placed by the transforms between it and the node.
class GatherVisitor : public osg::NodeVisitor
{
public:
    GatherVisitor(const osg::Matrixd& worldToLocal, TriangleMesh& mesh)
        : osg::NodeVisitor(TRAVERSE_ALL_CHILDREN), worldToLocal(worldToLocal), mesh(mesh)
    {
    }

    void apply(osg::Geometry& geometry) override
    {
        const osg::Matrixd toFrame = osg::computeLocalToWorld(getNodePath());
        const osg::Vec4f colour = colourOf(nearestUniform(getNodePath(), "color"));
        if (StreetRibbons::isRibbonGeometry(geometry))
            StreetRibbons::append(geometry, toFrame, ribbonUp(), colour, mesh);
        else
            appendTriangles(geometry, toFrame, colour, mappedShare());
    }

private:
    // As the street program takes it: the geocentric "upVector" in the frame, turned
    // away from the ground; the frame's up without a usable one.
    osg::Vec3f ribbonUp() const
    {
        osg::Vec3f geocentric;
        const osg::Uniform* uniform = nearestUniform(getNodePath(), "upVector");
        if (!uniform || !uniform->get(geocentric))
            return frameUp;
        osg::Vec3f up = osg::Matrixd::transform3x3(osg::Vec3d(geocentric), worldToLocal);
        if (up.length() < 1.0e-6f)
            return frameUp;
        up.normalize();
        return up * frameUp < 0.0f ? -up : up;
    }

    // How much of a vertex's own colour shows over the scheme's, as the building program
    // mixes them; all of it where no program mixes.
    float mappedShare() const
    {
        float share = 1.0f;
        const osg::Uniform* uniform = nearestUniform(getNodePath(), "mappedColours");
        return uniform && uniform->get(share) ? share : 1.0f;
    }

    // Opaque: a vertex colour's alpha weighs it against the scheme colour (buildings)
    // or ranks it (land cover); it is no transparency.
    static osg::Vec4f shownColour(const osg::Vec4f& own, const osg::Vec4f& scheme, float share)
    {
        const float weight = share * own.a();
        osg::Vec4f shown = scheme * (1.0f - weight) + own * weight;
        shown.a() = 1.0f;
        return shown;
    }

    void appendTriangles(osg::Geometry& geometry, const osg::Matrixd& toFrame, const osg::Vec4f& colour,
                         float share)
    {
        const auto* vertices = dynamic_cast<const osg::Vec3Array*>(geometry.getVertexArray());
        if (vertices == nullptr || vertices->empty())
            return;
        // A colour per vertex, or one for all; other colour arrays are not generated.
        const auto* colours = dynamic_cast<const osg::Vec4Array*>(geometry.getColorArray());
        const bool perVertex = colours && colours->getBinding() == osg::Array::BIND_PER_VERTEX &&
                               colours->size() >= vertices->size();
        const osg::Vec4f overall = colours && !colours->empty() && !perVertex ? colours->front() : colour;

        osg::TriangleIndexFunctor<IndexCollector> triangles;
        geometry.accept(triangles);
        // Only the vertices the triangles use: the arrays may hold more (those of a
        // coarse set drawn far off).
        const std::uint32_t unused = ~std::uint32_t(0);
        std::vector<std::uint32_t> exported(vertices->size(), unused);
        for (unsigned i : triangles.indices)
        {
            if (exported[i] == unused)
                exported[i] = mesh.addVertex((*vertices)[i] * toFrame,
                                             perVertex ? shownColour((*colours)[i], colour, share) : overall);
            mesh.indices.push_back(exported[i]);
        }
    }

    osg::Matrixd worldToLocal;
    TriangleMesh& mesh;
};

std::string lowerExtension(const std::string& path)
{
    return osgDB::convertToLowerCase(osgDB::getFileExtension(path));
}

template <typename T>
void appendBytes(std::vector<unsigned char>& buffer, const std::vector<T>& values)
{
    const std::size_t start = buffer.size();
    buffer.resize(start + values.size() * sizeof(T));
    std::memcpy(buffer.data() + start, values.data(), values.size() * sizeof(T));
}

// A buffer view over the buffer's last bytes, and an accessor of it; returns the accessor.
int addAccessor(tinygltf::Model& model, std::size_t byteOffset, int target, int componentType, int type,
                std::size_t count, bool normalized = false)
{
    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteOffset = byteOffset;
    view.byteLength = model.buffers[0].data.size() - byteOffset;
    view.target = target;
    model.bufferViews.push_back(view);
    tinygltf::Accessor accessor;
    accessor.bufferView = static_cast<int>(model.bufferViews.size() - 1);
    accessor.componentType = componentType;
    accessor.type = type;
    accessor.count = count;
    accessor.normalized = normalized;
    model.accessors.push_back(accessor);
    return static_cast<int>(model.accessors.size() - 1);
}

std::vector<std::uint8_t> colourBytes(const std::vector<osg::Vec4f>& colours)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(colours.size() * 4);
    for (const osg::Vec4f& colour : colours)
        for (int c = 0; c < 4; ++c)
            bytes.push_back(static_cast<std::uint8_t>(std::lround(osg::clampBetween(colour[c], 0.0f, 1.0f) * 255.0f)));
    return bytes;
}

// One primitive of all triangles, colours per vertex, under a node that turns the
// frame's z up into glTF's y up; the vertices themselves stay east-north-up.
void addMesh(tinygltf::Model& model, const TriangleMesh& mesh)
{
    model.buffers.emplace_back();
    std::vector<unsigned char>& data = model.buffers[0].data;
    appendBytes(data, mesh.positions);
    tinygltf::Primitive primitive;
    primitive.mode = TINYGLTF_MODE_TRIANGLES;
    const int position = addAccessor(model, 0, TINYGLTF_TARGET_ARRAY_BUFFER, TINYGLTF_COMPONENT_TYPE_FLOAT,
                                     TINYGLTF_TYPE_VEC3, mesh.positions.size());
    osg::BoundingBoxf box;
    for (const osg::Vec3f& p : mesh.positions)
        box.expandBy(p);
    model.accessors[position].minValues = {box.xMin(), box.yMin(), box.zMin()};
    model.accessors[position].maxValues = {box.xMax(), box.yMax(), box.zMax()};
    primitive.attributes["POSITION"] = position;

    std::size_t offset = data.size();
    appendBytes(data, colourBytes(mesh.colours));
    primitive.attributes["COLOR_0"] = addAccessor(model, offset, TINYGLTF_TARGET_ARRAY_BUFFER,
                                                  TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE, TINYGLTF_TYPE_VEC4,
                                                  mesh.colours.size(), true);
    offset = data.size();
    appendBytes(data, mesh.indices);
    primitive.indices = addAccessor(model, offset, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER,
                                    TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT, TINYGLTF_TYPE_SCALAR, mesh.indices.size());

    tinygltf::Material material;
    material.name = "vertex colours";
    material.pbrMetallicRoughness.metallicFactor = 0.0;
    material.pbrMetallicRoughness.roughnessFactor = 1.0;
    // Water and street ribbons are drawn from both sides in the scene too.
    material.doubleSided = true;
    model.materials.push_back(material);
    primitive.material = 0;
    tinygltf::Mesh city;
    city.name = "city";
    city.primitives.push_back(primitive);
    model.meshes.push_back(city);
    model.nodes[0].mesh = 0;
}

// One geometry per colour (8 bits a channel), each with its material: the colours
// an OBJ file can carry.
osg::ref_ptr<osg::Node> osgNodeOf(const TriangleMesh& mesh)
{
    std::map<std::uint32_t, std::vector<std::uint32_t>> trianglesByColour;
    const std::vector<std::uint8_t> bytes = colourBytes(mesh.colours);
    for (std::size_t t = 0; t < mesh.triangleCount(); ++t)
    {
        std::uint32_t key = 0;
        std::memcpy(&key, &bytes[4 * mesh.indices[3 * t]], 4);
        trianglesByColour[key].push_back(static_cast<std::uint32_t>(t));
    }
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    std::vector<std::int64_t> remap(mesh.positions.size(), -1);
    for (const auto& group : trianglesByColour)
    {
        osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
        osg::ref_ptr<osg::DrawElementsUInt> triangles = new osg::DrawElementsUInt(GL_TRIANGLES);
        for (std::uint32_t t : group.second)
            for (int corner = 0; corner < 3; ++corner)
            {
                const std::uint32_t index = mesh.indices[3 * t + corner];
                if (remap[index] < 0)
                {
                    remap[index] = static_cast<std::int64_t>(vertices->size());
                    vertices->push_back(mesh.positions[index]);
                }
                triangles->push_back(static_cast<GLuint>(remap[index]));
            }
        for (std::uint32_t t : group.second)
            for (int corner = 0; corner < 3; ++corner)
                remap[mesh.indices[3 * t + corner]] = -1;
        osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
        geometry->setVertexArray(vertices.get());
        geometry->addPrimitiveSet(triangles.get());
        osg::ref_ptr<osg::Material> material = new osg::Material;
        material->setDiffuse(osg::Material::FRONT_AND_BACK, mesh.colours[mesh.indices[3 * group.second.front()]]);
        geometry->getOrCreateStateSet()->setAttribute(material.get());
        geode->addDrawable(geometry.get());
    }
    return geode;
}
} // namespace

SceneExporter::SceneExporter(const osg::Matrixd& localToWorld_) : localToWorld(localToWorld_)
{
    globe::SpatialReference::get("wgs84")->transformFromWorld(localToWorld.getTrans(), originLonLatHeight);
    // The round trip through geocentric metres leaves noise far below a micrometre.
    originLonLatHeight.z() = std::round(originLonLatHeight.z() * 1.0e6) / 1.0e6 + 0.0;
}

void SceneExporter::add(osg::Node& node)
{
    GatherVisitor visitor(osg::Matrixd::inverse(localToWorld), gathered);
    node.accept(visitor);
}

bool SceneExporter::canWrite(const std::string& path)
{
    const std::string extension = lowerExtension(path);
    return extension == "glb" || extension == "obj" || extension == "osgb";
}

void SceneExporter::write(const std::string& path) const
{
    if (!canWrite(path))
        throw std::runtime_error("cannot write " + path + ": only .glb, .obj and .osgb files can be exported");
    const StagingDirectory staging(path);
    const std::string name = std::filesystem::path(path).filename().string();
    if (lowerExtension(path) == "glb")
        writeGlb(staging.pathOf(name), path);
    else
        writeThroughOsg(staging.pathOf(name), path);
    // The materials first: an OBJ file is never there without them.
    const std::string materials = osgDB::getNameLessExtension(name) + ".mtl";
    if (std::filesystem::exists(staging.pathOf(materials)))
        staging.publish(materials);
    staging.publish(name);
}

// Text enough to place the frame: its origin, its axes and unit.
std::string SceneExporter::originComment() const
{
    std::ostringstream text;
    text << std::setprecision(10) << "origin longitude " << originLonLatHeight.x() << " latitude "
         << originLonLatHeight.y() << " height " << originLonLatHeight.z()
         << " (x east, y north, z up, metres)";
    return text.str();
}

void SceneExporter::writeGlb(const std::string& stagedPath, const std::string& target) const
{
    tinygltf::Model model;
    model.asset.version = "2.0";
    model.asset.generator = "Orvalis";
    tinygltf::Value::Object origin{{"longitude", tinygltf::Value(originLonLatHeight.x())},
                                   {"latitude", tinygltf::Value(originLonLatHeight.y())},
                                   {"height", tinygltf::Value(originLonLatHeight.z())}};
    model.asset.extras = tinygltf::Value(tinygltf::Value::Object{
        {"origin", tinygltf::Value(origin)}, {"frame", tinygltf::Value(std::string("east-north-up, metres"))}});
    tinygltf::Node root;
    root.name = "east-north-up";
    root.rotation = {-M_SQRT1_2, 0.0, 0.0, M_SQRT1_2};
    model.nodes.push_back(root);
    if (gathered.triangleCount() > 0)
        addMesh(model, gathered);
    tinygltf::Scene scene;
    scene.nodes.push_back(0);
    model.scenes.push_back(scene);
    model.defaultScene = 0;

    tinygltf::TinyGLTF writer;
    if (!writer.WriteGltfSceneToFile(&model, stagedPath, false, true, false, true))
        throw std::runtime_error("cannot write " + target + ": the glTF writer failed");
}

// The origin rides along as user values (OSGB keeps them) and, in OBJ, as the first line.
void SceneExporter::writeThroughOsg(const std::string& stagedPath, const std::string& target) const
{
    osg::ref_ptr<osg::Node> node = osgNodeOf(gathered);
    node->setName("east-north-up");
    node->setUserValue("origin_longitude", originLonLatHeight.x());
    node->setUserValue("origin_latitude", originLonLatHeight.y());
    node->setUserValue("origin_height", originLonLatHeight.z());
    const osgDB::ReaderWriter::WriteResult result = osgDB::Registry::instance()->writeNode(*node, stagedPath, nullptr);
    if (!result.success())
        throw std::runtime_error("cannot write " + target + ": " + result.message());
    if (lowerExtension(stagedPath) != "obj")
        return;
    const std::string withOrigin = stagedPath + ".origin";
    {
        std::ifstream written(stagedPath, std::ios::binary);
        std::ofstream out(withOrigin, std::ios::binary);
        out << "# " << originComment() << '\n' << written.rdbuf();
        if (!out.flush())
            throw std::runtime_error("cannot write " + target + ": " + std::strerror(errno));
    }
    std::filesystem::rename(withOrigin, stagedPath);
}
