#include "geometry/GeometryGenerator.h"

#include "geometry/AreaAssembler.h"
#include "geometry/Building.h"
#include "geometry/BuildingBuilder.h"
#include "geometry/BuildingSelection.h"
#include "geometry/CoastlineSea.h"
#include "geometry/DrapedSurface.h"
#include "geometry/ForestTrees.h"
#include "geometry/GeosContext.h"
#include "geometry/LandCover.h"
#include "geometry/Streets.h"
#include "geometry/TagNumber.h"
#include "geometry/Trees.h"
#include "geometry/TriangleTiles.h"
#include "geometry/WaterArea.h"
#include "globe/ElevationQuery.h"
#include "globe/MapNode.h"
#include "osm/KeptTags.h"
#include "osm/OsmParser.h"

#include <osg/Notify>
#include <osg/PolygonOffset>
#include <osg/Shader>
#include <osgDB/FileUtils>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <iterator>

namespace
{
// Faces are flat and lit by one distant sun, so their shade is the same at every
// vertex: it is worked out per vertex and passed on flat, which spares the
// rasteriser all interpolation. The vertex colour is the mapped one (alpha 0 where
// nothing is mapped); the "mappedColours" uniform switches between it and the
// scheme's colour, live.
const char* const buildingVertexSource = R"(#version 130
uniform vec3 color;
uniform float mappedColours;
flat out vec3 shade;
void main()
{
    vec3 normal = normalize(gl_NormalMatrix * gl_Normal);
    float intensity = dot(vec3(gl_LightSource[0].position), normal);
    shade = max(0.5, intensity) * mix(color, gl_Color.rgb, mappedColours * gl_Color.a);
    gl_Position = gl_ModelViewProjectionMatrix * gl_Vertex;
}
)";
const char* const buildingFragmentSource = R"(#version 130
flat in vec3 shade;
void main()
{
    gl_FragColor = vec4(shade, 1.0);
}
)";

// Street kinds in generation order, with their ribbon width and height above the terrain.
struct StreetKindStyle
{
    int kind;
    float width;
    double heightOffset;
};
const StreetKindStyle streetKindStyles[] = {
    {KindMotorway, 7.0f, 2.0},    {KindPrimary, 5.0f, 1.5},      {KindSecondary, 4.0f, 1.0},
    {KindResidential, 3.0f, 0.75}, {KindOtherHighway, 1.0f, 1.25}, {KindRailway, 1.5f, 0.5},
    {KindStream, 2.0f, 0.5},       {KindTram, 0.5f, 2.0},
};
// What a traffic lane adds to a street's width, in metres.
const float laneWidth = 3.0f;
const osg::Vec3f streamColor(0.1f, 0.1f, 1.0f);
const osg::Vec3f waterColor(0.1f, 0.1f, 1.0f);
// Trees in woods: metres apart, and at most so many in one cell.
const double forestTreeSpacing = 11.0;
const std::size_t forestTreesPerCell = 4000;
// The sea's lattice (a third of the terrain's sample spacing, so that the terrain
// does not show through near the coast) and its height above the lattice, which
// follows the terrain where it rises above sea level.
const double seaLatticeStep = 0.0003;
const double seaLift = 0.8;
// The sea is drawn in tiles this wide, so that what lies out of view is culled.
const float seaTileMetres = 500.0f;

// Buildings, then motorway, primary, secondary, residential, minor, railway, tram.
struct ColorScheme
{
    const char* name;
    osg::Vec3f colors[8];
};
const ColorScheme colorSchemes[] = {
    {"OSM Color",
     {{0.875f, 0.875f, 0.875f}, {0.54f, 0.64f, 0.79f}, {0.86f, 0.62f, 0.62f}, {0.97f, 0.84f, 0.66f},
      {1.0f, 1.0f, 1.0f}, {1.0f, 1.0f, 1.0f}, {0.7f, 0.7f, 0.7f}, {0.5f, 0.5f, 0.5f}}},
    {"GOOGLEMAP Color",
     {{0.95f, 0.94f, 0.91f}, {0.98f, 0.62f, 0.14f}, {1.0f, 0.88f, 0.41f}, {1.0f, 1.0f, 1.0f},
      {1.0f, 1.0f, 1.0f}, {1.0f, 1.0f, 1.0f}, {0.7f, 0.7f, 0.7f}, {0.5f, 0.5f, 0.5f}}},
    {"Model Color",
     {{0.9f, 0.4f, 0.4f}, {1.0f, 1.0f, 0.6f}, {0.9f, 0.9f, 0.9f}, {1.0f, 1.0f, 1.0f},
      {1.0f, 1.0f, 1.0f}, {1.0f, 1.0f, 1.0f}, {0.7f, 0.7f, 0.7f}, {0.5f, 0.5f, 0.5f}}},
    // The buildings' mapped colours; plaster where nothing is mapped.
    {"Mapped colours",
     {{0.88f, 0.85f, 0.80f}, {1.0f, 1.0f, 0.6f}, {0.9f, 0.9f, 0.9f}, {1.0f, 1.0f, 1.0f},
      {1.0f, 1.0f, 1.0f}, {1.0f, 1.0f, 1.0f}, {0.7f, 0.7f, 0.7f}, {0.5f, 0.5f, 0.5f}}},
};
const int mappedColourScheme = 3;
const int initialColorScheme = mappedColourScheme;
const int schemeCount = static_cast<int>(sizeof(colorSchemes) / sizeof(colorSchemes[0]));

float mappedShare(int scheme)
{
    return scheme == mappedColourScheme ? 1.0f : 0.0f;
}

// A shader from a file found through osgDB's data path; null, with a warning, when
// it is missing, which leaves the programs without that stage.
osg::ref_ptr<osg::Shader> shaderFile(osg::Shader::Type type, const std::string& name)
{
    const std::string path = osgDB::findDataFile(name);
    osg::ref_ptr<osg::Shader> shader = path.empty() ? nullptr : osg::Shader::readShaderFile(type, path);
    if (!shader)
        OSG_WARN << "Shader file " << name << " not found or not readable in the data path" << std::endl;
    return shader;
}

void addShaderFile(osg::Program* program, osg::Shader::Type type, const std::string& name)
{
    if (osg::ref_ptr<osg::Shader> shader = shaderFile(type, name))
        program->addShader(shader.get());
}

// "width", else "lanes" times a lane; 0 when neither is tagged. Both describe a
// carriageway: tracks keep their kind's width, even on a way that is a road too.
float mappedWidth(const Tags& tags, int kind)
{
    if (kind == KindRailway || kind == KindTram)
        return 0.0f;
    const double width = tagMetres(tagValue(tags, "width"));
    if (width > 0.0)
        return static_cast<float>(width);
    return static_cast<float>(std::max(tagNumber(tagValue(tags, "lanes")), 0.0)) * laneWidth;
}

bool isUnderground(const Tags& tags)
{
    return tagNumber(tagValue(tags, "layer")) < 0.0;
}

// The ways of one kind a cell draws, with the width each is drawn at.
struct DrawnWays
{
    std::vector<WayGeometry> ways;
    std::vector<float> widths;
};

DrawnWays drawnWays(std::vector<TaggedWay> tagged, const StreetKindStyle& style)
{
    DrawnWays drawn;
    for (TaggedWay& way : tagged)
    {
        if (isUnderground(way.tags))
            continue;
        const float mapped = mappedWidth(way.tags, style.kind);
        drawn.widths.push_back(mapped > 0.0f ? mapped : style.width);
        drawn.ways.push_back(std::move(way.way));
    }
    return drawn;
}

template <typename T>
void append(std::vector<T>& to, std::vector<T> more)
{
    to.insert(to.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
}

void setOn(osg::StateSet* state, osg::Uniform* uniform)
{
    state->addUniform(uniform, osg::StateAttribute::ON);
}
} // namespace

GeometryGenerator::GeometryGenerator(osg::ref_ptr<globe::MapNode> mapNode_, OsmParser* store_,
                                     const osg::Matrixd& sceneOrigin, int maxGridCells_)
    : mapNode(std::move(mapNode_)), store(store_), elevationQuery(new globe::ElevationQuery(mapNode->getMap())),
      frame(sceneOrigin, elevationQuery.get()), maxGridCells(maxGridCells_),
      buildingProgram(new osg::Program), streetProgram(new osg::Program), waterProgram(new osg::Program),
      treeProgram(new osg::Program), landCoverProgram(new osg::Program),
      queries(new CellQueries(store_)), geos(new GeosContext)
{
    buildingProgram->addShader(new osg::Shader(osg::Shader::VERTEX, buildingVertexSource));
    buildingProgram->addShader(new osg::Shader(osg::Shader::FRAGMENT, buildingFragmentSource));
    addShaderFile(streetProgram.get(), osg::Shader::VERTEX, "street.vert");
    addShaderFile(streetProgram.get(), osg::Shader::GEOMETRY, "street.geom");
    addShaderFile(streetProgram.get(), osg::Shader::FRAGMENT, "street.frag");
    addShaderFile(waterProgram.get(), osg::Shader::VERTEX, "water.vert");
    addShaderFile(waterProgram.get(), osg::Shader::FRAGMENT, "water.frag");
    addShaderFile(treeProgram.get(), osg::Shader::VERTEX, "tree.vert");
    // Lit like the trees, from colours of their own: both read the shading files once.
    addShaderFile(landCoverProgram.get(), osg::Shader::VERTEX, "landcover.vert");
    for (const osg::ref_ptr<osg::Shader>& shared :
         {shaderFile(osg::Shader::VERTEX, "sunlit.vert"), shaderFile(osg::Shader::FRAGMENT, "shade.frag")})
        for (osg::Program* program : {treeProgram.get(), landCoverProgram.get()})
            if (shared)
                program->addShader(shared.get());
    streetProgram->addBindAttribLocation("streetWidth", Streets::widthAttribute);

    osg::ref_ptr<osg::Uniform>* colors[] = {&buildingColor, &motorwayColor, &primaryColor, &secondaryColor,
                                            &residentialColor, &minorColor, &railwayColor, &tramColor};
    for (int i = 0; i < 8; ++i)
        *colors[i] = new osg::Uniform("color", colorSchemes[initialColorScheme].colors[i]);
    mappedColours = new osg::Uniform("mappedColours", mappedShare(initialColorScheme));
}

GeometryGenerator::~GeometryGenerator() = default;

void GeometryGenerator::setCellQueries(std::unique_ptr<CellQueries> cellQueries)
{
    queries = std::move(cellQueries);
}

void GeometryGenerator::setColorScheme(int scheme)
{
    if (scheme < 0 || scheme >= schemeCount)
        return;
    std::cout << colorSchemes[scheme].name << std::endl;
    const auto members = colorMembers();
    for (std::size_t i = 0; i < members.size(); ++i)
        members[i]->set(colorSchemes[scheme].colors[i]);
    mappedColours->set(mappedShare(scheme));
}

void GeometryGenerator::takeColorsOf(const GeometryGenerator& other)
{
    const auto mine = colorMembers();
    const auto theirs = other.colorMembers();
    for (std::size_t i = 0; i < mine.size(); ++i)
    {
        osg::Vec3f color;
        theirs[i]->get(color);
        mine[i]->set(color);
    }
    float share = 0.0f;
    other.mappedColours->get(share);
    mappedColours->set(share);
}

std::array<osg::Uniform*, 8> GeometryGenerator::colorMembers() const
{
    return {buildingColor.get(), motorwayColor.get(), primaryColor.get(), secondaryColor.get(),
            residentialColor.get(), minorColor.get(), railwayColor.get(), tramColor.get()};
}

// Streams get a colour of their own per cell, which no colour scheme changes.
osg::Uniform* GeometryGenerator::colorUniform(int kind) const
{
    switch (kind)
    {
    case KindMotorway: return motorwayColor.get();
    case KindPrimary: return primaryColor.get();
    case KindSecondary: return secondaryColor.get();
    case KindResidential: return residentialColor.get();
    case KindOtherHighway: return minorColor.get();
    case KindRailway: return railwayColor.get();
    case KindTram: return tramColor.get();
    default: return new osg::Uniform("color", streamColor);
    }
}

GeometryGenerator::CellNodes GeometryGenerator::generateCell(int column, int row)
{
    CellNodes nodes;
    if (touchCachedCell(column, row))
        return nodes;

    upVectorUniform = new osg::Uniform("upVector", cellUpVector(column, row));
    osg::ref_ptr<Building> building = generateBuildings(column, row);
    osg::StateSet* buildingState = building->getOrCreateStateSet();
    buildingState->setAttributeAndModes(buildingProgram.get(), osg::StateAttribute::ON);
    // Walls and roofs are wound to face outward: a face turned away from the camera
    // lies behind the building's own front, so it need not be rasterised at all.
    buildingState->setMode(GL_CULL_FACE, osg::StateAttribute::ON);
    setOn(buildingState, buildingColor.get());
    setOn(buildingState, mappedColours.get());
    nodes.built.push_back(building.get());

    for (const StreetKindStyle& style : streetKindStyles)
    {
        DrawnWays drawn = drawnWays(queries->taggedStreetsInCell(style.kind, column, row), style);
        if (drawn.ways.empty())
            continue;
        std::vector<WayInfo> infos = queries->firstStreetInfos(style.kind, drawn.ways);
        osg::ref_ptr<Streets> streets =
            new Streets(std::move(drawn.ways), std::move(infos), drawn.widths, frame, style.heightOffset);
        osg::StateSet* state = streets->getOrCreateStateSet();
        state->setAttributeAndModes(streetProgram.get(), osg::StateAttribute::ON);
        setOn(state, upVectorUniform.get());
        setOn(state, colorUniform(style.kind));
        nodes.built.push_back(streets.get());
    }

    const std::vector<MappedArea> areas = mappedAreas(column, row);
    if (osg::ref_ptr<osg::Node> trees = generateTrees(column, row, areas))
        nodes.built.push_back(trees);
    if (osg::ref_ptr<osg::Node> landCover = generateLandCover(areas))
        nodes.built.push_back(landCover);

    cellCache.push_back(CellEntry{column, row, nodes.built});
    nodes.evicted = evictLeastRecentCell();
    return nodes;
}

// The cell's buildings and parts. Outlines are decided by the parts and building
// relations of the cells the buildings reach into (at most the cells around this
// one); parts take their colours from outlines in the cells around them.
osg::ref_ptr<Building> GeometryGenerator::generateBuildings(int column, int row)
{
    BuildingSelection selection;
    selection.buildings = queries->taggedBuildingsInCell(column, row);
    selection.records = queries->buildingInfosInCell(column, row);
    selection.parts = queries->buildingPartsInCell(column, row);
    NodeBounds reach;
    for (const TaggedWay& building : selection.buildings)
        for (const OsmNode& node : building.way.nodes)
            reach.widen(node);
    if (reach.valid)
        for (const auto& cell : cellsAround(column, row, reach))
        {
            append(selection.nearbyParts, queries->buildingPartsInCell(cell.first, cell.second));
            append(selection.nearbyRelations, queries->relationsInCell(cell.first, cell.second));
        }
    if (!selection.parts.empty())
        for (int c = column - 1; c <= column + 1; ++c)
            for (int r = row - 1; r <= row + 1; ++r)
                if (c != column || r != row)
                    append(selection.nearbyBuildings, queries->taggedBuildingsInCell(c, r));

    BuildingBuilder builder(frame);
    for (const BuildingFeature& feature : selection.takeFeatures())
        builder.add(feature);
    for (const BuildingFeature& feature : multipolygonBuildings(column, row))
        builder.add(feature);
    return builder.finish();
}

// Buildings mapped as multipolygons (a block round a courtyard), in the cell of their
// first member way: one feature per assembled polygon, holes kept.
std::vector<BuildingFeature> GeometryGenerator::multipolygonBuildings(int column, int row)
{
    const AreaAssembler assembler(*geos);
    std::vector<BuildingFeature> features;
    for (const RelationGeometry& relation : queries->relationsInCell(column, row))
    {
        if (!BuildingSelection::isMultipolygonBuilding(relation))
            continue;
        if (auto polygons = assembler.fromRelation(relation))
            for (AreaPolygon& polygon : *polygons)
                features.push_back({relation.id, OsmType::Relation, std::move(polygon), relation.tags, WayInfo()});
    }
    return features;
}

// The cells next to and including (column, row) that the bounds overlap.
std::vector<std::pair<int, int>> GeometryGenerator::cellsAround(int column, int row, const NodeBounds& bounds) const
{
    const double cellWidth = (store->maxLon - store->minLon) / static_cast<double>(store->columnCount);
    const double cellHeight = (store->maxLat - store->minLat) / static_cast<double>(store->rowCount);
    const auto cellOf = [](double coordinate, double origin, double size, int near) {
        const double cell = std::floor((coordinate - origin) / size);
        return static_cast<int>(std::max<double>(near - 1, std::min<double>(near + 1, cell)));
    };
    std::vector<std::pair<int, int>> cells;
    if (!(cellWidth > 0.0) || !(cellHeight > 0.0))
        return {{column, row}};
    for (int c = cellOf(bounds.minLon, store->minLon, cellWidth, column);
         c <= cellOf(bounds.maxLon, store->minLon, cellWidth, column); ++c)
        for (int r = cellOf(bounds.minLat, store->minLat, cellHeight, row);
             r <= cellOf(bounds.maxLat, store->minLat, cellHeight, row); ++r)
            cells.emplace_back(c, r);
    return cells;
}

// Null for a cell without trees. Their faces are wound to face outward like the
// buildings', so the ones turned away from the camera are culled.
osg::ref_ptr<osg::Node> GeometryGenerator::generateTrees(int column, int row, const std::vector<MappedArea>& areas)
{
    std::vector<TaggedNode> single = queries->treesInCell(column, row);
    const std::vector<TaggedWay> rows = queries->treeRowsInCell(column, row);
    const std::vector<TaggedNode> woods = ForestTrees::plant(areas, *geos, forestTreeSpacing, forestTreesPerCell);
    single.insert(single.end(), woods.begin(), woods.end());
    if (single.empty() && rows.empty())
        return nullptr;
    osg::ref_ptr<Trees> trees = new Trees(single, rows, frame);
    osg::StateSet* state = trees->getOrCreateStateSet();
    state->setAttributeAndModes(treeProgram.get(), osg::StateAttribute::ON);
    state->setMode(GL_CULL_FACE, osg::StateAttribute::ON);
    return trees;
}

// A cached cell becomes the most recently used one and is not rebuilt.
bool GeometryGenerator::touchCachedCell(int column, int row)
{
    const auto cached = std::find_if(cellCache.begin(), cellCache.end(), [&](const CellEntry& entry) {
        return entry.column == column && entry.row == row;
    });
    if (cached == cellCache.end())
        return false;
    std::rotate(cached, cached + 1, cellCache.end());
    return true;
}

std::vector<osg::ref_ptr<osg::Node>> GeometryGenerator::evictLeastRecentCell()
{
    if (maxGridCells < 0 || cellCache.size() <= static_cast<std::size_t>(maxGridCells))
        return {};
    std::vector<osg::ref_ptr<osg::Node>> evicted = std::move(cellCache.front().nodes);
    cellCache.erase(cellCache.begin());
    return evicted;
}

// The middle of the cell, with the store's own cell edges.
osg::Vec3f GeometryGenerator::cellUpVector(int column, int row) const
{
    const double cellWidth = (store->maxLon - store->minLon) / static_cast<double>(store->columnCount);
    const double cellHeight = (store->maxLat - store->minLat) / static_cast<double>(store->rowCount);
    return osg::Vec3f(geodeticUp(store->minLon + (column + 0.5) * cellWidth, store->minLat + (row + 0.5) * cellHeight));
}

osg::ref_ptr<osg::Node> GeometryGenerator::generateWater()
{
    std::vector<WaterGroup> groups = store->waterRingGroups();
    if (groups.empty())
        return nullptr;
    osg::ref_ptr<WaterArea> area = new WaterArea(std::move(groups), frame, store->waterRingFeatures());
    if (osg::ref_ptr<osg::Geometry> sea = generateSea())
        for (const osg::ref_ptr<osg::Geometry>& tile : triangleTiles(*sea, seaTileMetres))
            area->addDrawable(tile.get());
    osg::StateSet* state = area->getOrCreateStateSet();
    // Over the terrain it is draped on, also where the terrain's triangles lie a little higher.
    state->setAttributeAndModes(new osg::PolygonOffset(-1.0f, -4.0f), osg::StateAttribute::ON);
    state->setAttributeAndModes(waterProgram.get(), osg::StateAttribute::ON);
    setOn(state, new osg::Uniform("upVector", area->computeUpVector()));
    setOn(state, new osg::Uniform("color", waterColor));
    return area;
}

std::vector<MappedArea> GeometryGenerator::mappedAreas(int column, int row)
{
    const AreaAssembler assembler(*geos);
    std::vector<MappedArea> areas;
    osg::Vec4f colour;
    for (const TaggedWay& way : queries->areasInCell(column, row))
    {
        if (!LandCover::colourOf(way.tags, colour))
            continue;
        if (auto polygons = assembler.fromClosedWay(way.way.nodes))
            areas.push_back({way.way.id, way.tags, std::move(*polygons), OsmType::Way});
    }
    for (const RelationGeometry& relation : queries->relationsInCell(column, row))
    {
        if (tagValue(relation.tags, "type") != "multipolygon" || !LandCover::colourOf(relation.tags, colour))
            continue;
        if (auto polygons = assembler.fromRelation(relation))
            areas.push_back({relation.id, relation.tags, std::move(*polygons), OsmType::Relation});
    }
    return areas;
}

osg::ref_ptr<osg::Node> GeometryGenerator::generateLandCover(const std::vector<MappedArea>& areas)
{
    osg::ref_ptr<osg::Geode> cover = LandCover::build(areas, *geos, frame);
    if (!cover)
        return nullptr;
    osg::StateSet* state = cover->getOrCreateStateSet();
    state->setAttributeAndModes(landCoverProgram.get(), osg::StateAttribute::ON);
    // Pulled towards the eye in proportion to its slope on the screen, where the
    // terrain's coarser triangles stray furthest from the sampled heights.
    state->setAttributeAndModes(new osg::PolygonOffset(-2.0f, -2.0f), osg::StateAttribute::ON);
    return cover;
}

// The sea at sea level, or on the terrain where that lies higher, so that no terrain
// shows through near the coast.
osg::ref_ptr<osg::Geometry> GeometryGenerator::generateSea()
{
    const std::vector<TaggedWay> coastlines = store->allCoastlines();
    if (coastlines.empty())
        return nullptr;
    const NodeBounds extract{true, store->minLon, store->maxLon, store->minLat, store->maxLat};
    const std::vector<AreaPolygon> sea = CoastlineSea(*geos).seaPolygons(coastlines, extract);
    DrapedSurface surface(*geos, seaLatticeStep, [this](double lon, double lat) {
        return std::max(frame.terrainElevation(lon, lat), 0.0);
    });
    for (const AreaPolygon& polygon : sea)
        surface.add(polygon, osg::Vec4f(waterColor, 1.0f));
    return surface.build(frame, seaLift);
}
