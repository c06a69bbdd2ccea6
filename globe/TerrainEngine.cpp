#include "globe/TerrainEngine.h"

#include "globe/TileReaderWriter.h"

#include <osg/BlendFunc>
#include <osg/CullFace>
#include <osg/Notify>
#include <osg/Program>
#include <osg/Uniform>
#include <osgDB/Options>

namespace globe
{
namespace
{
// Lit per vertex by light 0 (the sun once a sky is attached, the viewer's
// headlight before): cheap enough for software rendering.
const char* const vertexShader = R"(#version 120
uniform vec4 terrainColor;
uniform bool terrainLighting;
varying vec4 litColor;
void main()
{
    gl_Position = ftransform();
    if (!terrainLighting)
    {
        litColor = terrainColor;
        return;
    }
    vec3 normal = normalize(gl_NormalMatrix * gl_Normal);
    vec4 light = gl_LightSource[0].position;
    vec3 toLight = light.w == 0.0 ? normalize(light.xyz)
                                  : normalize(light.xyz - vec3(gl_ModelViewMatrix * gl_Vertex));
    vec3 ambient = gl_LightModel.ambient.rgb + gl_LightSource[0].ambient.rgb;
    vec3 diffuse = gl_LightSource[0].diffuse.rgb;
    vec3 lit = ambient + diffuse * max(dot(normal, toLight), 0.0);
    // Scaled so that only slopes facing the light straight on reach the full colour:
    // under a bright sun the relief still shows instead of washing out.
    litColor = vec4(terrainColor.rgb * lit / max(ambient + diffuse, vec3(1.0)), terrainColor.a);
}
)";

const char* const fragmentShader = R"(#version 120
varying vec4 litColor;
void main()
{
    gl_FragColor = litColor;
}
)";
} // namespace

TerrainEngine::TerrainEngine(const Map* map, const TerrainOptions& options)
    : _builder(new TileBuilder(map, options))
{
    if (options.driver != "mp")
        OSG_WARN << "terrain engine \"" << options.driver << "\" is not available, using \"mp\"" << std::endl;
    setName("terrain");
    TileReaderWriter::registerOnce();
    osg::ref_ptr<osgDB::Options> pagingOptions = new osgDB::Options;
    pagingOptions->setUserData(_builder.get());

    const unsigned level = _builder->getFirstLevel();
    for (unsigned y = 0; y < TileKey::rows(level); ++y)
        for (unsigned x = 0; x < TileKey::columns(level); ++x)
            addChild(_builder->createTile(TileKey(level, x, y), pagingOptions.get()).get());
    createStateSet(options);
}

TerrainEngine::~TerrainEngine() = default;

void TerrainEngine::createStateSet(const TerrainOptions& options)
{
    osg::StateSet* stateSet = getOrCreateStateSet();
    osg::ref_ptr<osg::Program> program = new osg::Program;
    program->setName("terrain");
    program->addShader(new osg::Shader(osg::Shader::VERTEX, vertexShader));
    program->addShader(new osg::Shader(osg::Shader::FRAGMENT, fragmentShader));
    stateSet->setAttributeAndModes(program.get(), osg::StateAttribute::ON);
    stateSet->addUniform(new osg::Uniform("terrainColor", options.color));
    stateSet->addUniform(new osg::Uniform("terrainLighting", options.enableLighting));
    stateSet->setAttributeAndModes(new osg::CullFace(osg::CullFace::BACK), osg::StateAttribute::ON);
    if (options.enableBlending)
    {
        stateSet->setAttributeAndModes(
            new osg::BlendFunc(osg::BlendFunc::SRC_ALPHA, osg::BlendFunc::ONE_MINUS_SRC_ALPHA),
            osg::StateAttribute::ON);
        stateSet->setRenderingHint(osg::StateSet::TRANSPARENT_BIN);
    }
    else
    {
        stateSet->setMode(GL_BLEND, osg::StateAttribute::OFF);
    }
}
} // namespace globe
