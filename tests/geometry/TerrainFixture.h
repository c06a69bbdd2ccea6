#pragma once

#include "TestTerrain.h"

#include "globe/ElevationQuery.h"
#include "globe/MapNode.h"

#include <gtest/gtest.h>
#include <osg/ref_ptr>

#include <memory>

// Tests that build geometry on the synthetic terrain, seen from the centre of one block.
class TerrainFixture : public ::testing::Test
{
protected:
    // Puts the scene origin at block (bx, by) and opens the terrain and its query.
    void placeAt(int bx, int by)
    {
        testTerrain::placeSceneOrigin(testTerrain::blockLon(bx), testTerrain::blockLat(by));
        mapNode = testTerrain::mapNode();
        query.reset(new globe::ElevationQuery(mapNode->getMap()));
    }

    osg::ref_ptr<globe::MapNode> mapNode;
    std::unique_ptr<globe::ElevationQuery> query;
};
