#include "globe/SkyDome.h"

#include <osg/Depth>
#include <osg/Geode>
#include <osg/Geometry>
#include <osg/Program>

namespace globe
{
namespace
{
const char* const vertexSource = R"(#version 120
varying vec2 ndc;
void main()
{
    ndc = gl_Vertex.xy;
    gl_Position = vec4(gl_Vertex.xy, 0.0, 1.0);
}
)";

// Angular radius of the drawn sun: about twice the real one, so that it reads
// as a disc at the usual fields of view.
const char* const fragmentSource = R"(#version 120
uniform mat4 inverseProjection;
uniform vec3 upEye;
uniform vec3 sunEye;
uniform vec3 zenithColor;
uniform vec3 horizonColor;
uniform vec3 glowColor;
uniform bool sunVisible;
varying vec2 ndc;

const float sunCos = 0.99996;   // cos(0.5 degrees)
const vec3 sunColor = vec3(1.0, 0.95, 0.8);

vec3 horizontal(vec3 v)
{
    vec3 h = v - upEye * dot(v, upEye);
    float len = length(h);
    return len > 1e-5 ? h / len : vec3(0.0);
}

void main()
{
    vec4 nearPoint = inverseProjection * vec4(ndc, -1.0, 1.0);
    vec3 ray = normalize(nearPoint.xyz / nearPoint.w);
    float height = dot(ray, upEye);

    vec3 color = mix(horizonColor, zenithColor, sqrt(clamp(height, 0.0, 1.0)));
    // Seen from high up, the haze below the horizon darkens toward the ground.
    color *= 1.0 - 0.4 * clamp(-height * 4.0, 0.0, 1.0);

    float towardSun = 0.5 + 0.5 * dot(horizontal(ray), horizontal(sunEye));
    color += glowColor * towardSun * towardSun * exp(-6.0 * abs(height));

    float sunCosine = dot(ray, sunEye);
    if (sunVisible)
    {
        float halo = pow(max(sunCosine, 0.0), 600.0);
        color += sunColor * halo * 0.6;
        color = mix(color, sunColor, smoothstep(sunCos - 0.00001, sunCos, sunCosine));
    }
    gl_FragColor = vec4(color, 1.0);
}
)";

osg::Geode* createScreenQuad()
{
    auto* vertices = new osg::Vec3Array;
    vertices->push_back(osg::Vec3(-1.0f, -1.0f, 0.0f));
    vertices->push_back(osg::Vec3(1.0f, -1.0f, 0.0f));
    vertices->push_back(osg::Vec3(1.0f, 1.0f, 0.0f));
    vertices->push_back(osg::Vec3(-1.0f, 1.0f, 0.0f));

    auto* quad = new osg::Geometry;
    quad->setUseDisplayList(false);
    quad->setUseVertexBufferObjects(true);
    quad->setVertexArray(vertices);
    quad->addPrimitiveSet(new osg::DrawArrays(GL_TRIANGLE_FAN, 0, 4));
    // The quad is placed by its shader; no frustum may cull it.
    quad->setCullingActive(false);

    auto* geode = new osg::Geode;
    geode->addDrawable(quad);
    geode->setCullingActive(false);
    return geode;
}
} // namespace

SkyDome::SkyDome()
    : _inverseProjection(new osg::Uniform("inverseProjection", osg::Matrixf()))
    , _upEye(new osg::Uniform("upEye", osg::Vec3f(0.0f, 1.0f, 0.0f)))
    , _sunEye(new osg::Uniform("sunEye", osg::Vec3f(0.0f, 1.0f, 0.0f)))
    , _zenithColor(new osg::Uniform("zenithColor", osg::Vec3f()))
    , _horizonColor(new osg::Uniform("horizonColor", osg::Vec3f()))
    , _glowColor(new osg::Uniform("glowColor", osg::Vec3f()))
    , _sunVisible(new osg::Uniform("sunVisible", true))
{
    setName("SkyDome");
    setRenderOrder(osg::Camera::NESTED_RENDER);
    setReferenceFrame(osg::Transform::ABSOLUTE_RF);
    setComputeNearFarMode(osg::CullSettings::DO_NOT_COMPUTE_NEAR_FAR);
    setClearMask(0);
    setProjectionMatrix(osg::Matrixd::identity());
    setViewMatrix(osg::Matrixd::identity());
    setCullingActive(false);
    addChild(createScreenQuad());

    osg::StateSet* state = getOrCreateStateSet();
    auto* program = new osg::Program;
    program->addShader(new osg::Shader(osg::Shader::VERTEX, vertexSource));
    program->addShader(new osg::Shader(osg::Shader::FRAGMENT, fragmentSource));
    state->setAttributeAndModes(program, osg::StateAttribute::ON | osg::StateAttribute::PROTECTED);
    // Drawn first and never hides anything drawn after it.
    state->setRenderBinDetails(-100, "RenderBin");
    state->setAttributeAndModes(new osg::Depth(osg::Depth::ALWAYS, 0.0, 1.0, false),
                                osg::StateAttribute::ON | osg::StateAttribute::PROTECTED);
    state->setMode(GL_DEPTH_TEST, osg::StateAttribute::OFF | osg::StateAttribute::PROTECTED);
    state->setMode(GL_LIGHTING, osg::StateAttribute::OFF | osg::StateAttribute::PROTECTED);
    state->setMode(GL_CULL_FACE, osg::StateAttribute::OFF | osg::StateAttribute::PROTECTED);
    state->setMode(GL_BLEND, osg::StateAttribute::OFF | osg::StateAttribute::PROTECTED);
    for (osg::Uniform* uniform : {_inverseProjection.get(), _upEye.get(), _sunEye.get(), _zenithColor.get(),
                                  _horizonColor.get(), _glowColor.get(), _sunVisible.get()})
    {
        uniform->setDataVariance(osg::Object::DYNAMIC);
        state->addUniform(uniform);
    }
    state->setDataVariance(osg::Object::DYNAMIC);
}

void SkyDome::setView(const osg::Matrixd& projection, const osg::Vec3f& upEye, const osg::Vec3f& sunEye)
{
    _inverseProjection->set(osg::Matrixf(osg::Matrixd::inverse(projection)));
    _upEye->set(upEye);
    _sunEye->set(sunEye);
}

void SkyDome::setColors(const osg::Vec3f& zenith, const osg::Vec3f& horizon, const osg::Vec3f& glow)
{
    _zenithColor->set(zenith);
    _horizonColor->set(horizon);
    _glowColor->set(glow);
}

void SkyDome::setSunVisible(bool visible)
{
    _sunVisible->set(visible);
}
} // namespace globe
