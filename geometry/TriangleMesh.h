#pragma once

#include <osg/Vec3f>
#include <osg/Vec4f>

#include <cstddef>
#include <cstdint>
#include <vector>

// Coloured triangles gathered for export: every vertex with its colour, three
// indices per triangle. Plain data; one thread at a time.
struct TriangleMesh
{
    std::vector<osg::Vec3f> positions;
    std::vector<osg::Vec4f> colours;
    std::vector<std::uint32_t> indices;

    std::size_t triangleCount() const { return indices.size() / 3; }

    // Appends a vertex; returns its index.
    std::uint32_t addVertex(const osg::Vec3f& position, const osg::Vec4f& colour)
    {
        positions.push_back(position);
        colours.push_back(colour);
        return static_cast<std::uint32_t>(positions.size() - 1);
    }

    void addTriangle(std::uint32_t a, std::uint32_t b, std::uint32_t c)
    {
        indices.insert(indices.end(), {a, b, c});
    }
};
