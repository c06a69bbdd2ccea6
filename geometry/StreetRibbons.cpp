#include "geometry/StreetRibbons.h"

#include "geometry/Streets.h"

#include <osg/Array>
#include <osg/PrimitiveSet>

namespace
{
// The shader's shortest segment across up, in metres.
const float shortestSegment = 1.0e-4f;
const float halfSquareRoot2 = 0.70710678f;

const osg::FloatArray* widthsOf(const osg::Geometry& lines)
{
    return dynamic_cast<const osg::FloatArray*>(lines.getVertexAttribArray(Streets::widthAttribute));
}
} // namespace

bool StreetRibbons::isRibbonGeometry(const osg::Geometry& lines)
{
    if (widthsOf(lines) == nullptr)
        return false;
    for (unsigned i = 0; i < lines.getNumPrimitiveSets(); ++i)
        if (lines.getPrimitiveSet(i)->getMode() == GL_LINE_STRIP)
            return true;
    return false;
}

void StreetRibbons::append(const osg::Geometry& lines, const osg::Matrixd& toFrame, const osg::Vec3f& up,
                           const osg::Vec4f& colour, TriangleMesh& mesh)
{
    const auto* vertices = dynamic_cast<const osg::Vec3Array*>(lines.getVertexArray());
    const osg::FloatArray* widths = widthsOf(lines);
    if (vertices == nullptr || widths == nullptr || widths->size() < vertices->size())
        return;
    for (unsigned p = 0; p < lines.getNumPrimitiveSets(); ++p)
    {
        const osg::PrimitiveSet* strip = lines.getPrimitiveSet(p);
        if (strip->getMode() != GL_LINE_STRIP)
            continue;
        for (unsigned i = 0; i + 1 < strip->getNumIndices(); ++i)
        {
            const unsigned a = strip->index(i);
            const unsigned b = strip->index(i + 1);
            if (a >= vertices->size() || b >= vertices->size())
                continue;
            appendSegment((*vertices)[a] * toFrame, (*vertices)[b] * toFrame, (*widths)[a], up, colour, mesh);
        }
    }
}

// The shader's outline v0..v6, a strip of five triangles, each turned to face up.
void StreetRibbons::appendSegment(const osg::Vec3f& a, const osg::Vec3f& b, float width, const osg::Vec3f& up,
                                  const osg::Vec4f& colour, TriangleMesh& mesh)
{
    osg::Vec3f along = b - a;
    along -= up * (along * up);
    const float length = along.length();
    if (length < shortestSegment)
        return;
    const osg::Vec3f d = along / length;
    const osg::Vec3f s = d ^ up;
    const float r = 0.5f * width;
    const float c = halfSquareRoot2 * r;
    const osg::Vec3f outline[7] = {a + s * r, a - s * r, b + s * r, b - s * r,
                                   b + d * c + s * c, b + d * c - s * c, b + d * r};
    const std::uint32_t first = static_cast<std::uint32_t>(mesh.positions.size());
    for (const osg::Vec3f& corner : outline)
        mesh.addVertex(corner, colour);
    for (std::uint32_t t = 0; t < trianglesPerSegment; ++t)
    {
        // Strip triangle t is (t, t+1, t+2), every second one reversed; swapping the
        // last two of each turns the whole strip over.
        const std::uint32_t v = first + t;
        if (t % 2 == 0)
            mesh.addTriangle(v, v + 2, v + 1);
        else
            mesh.addTriangle(v + 1, v + 2, v);
    }
}
