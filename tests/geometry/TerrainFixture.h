#pragma once

#include "TestTerrain.h"

#include "geometry/LocalFrame.h"
#include "globe/ElevationQuery.h"
#include "globe/MapNode.h"

#include <gtest/gtest.h>
#include <osg/Matrixd>
#include <osg/ref_ptr>

#include <memory>

// Tests that build geometry on the synthetic terrain, seen from the centre of one block.
class TerrainFixture : public ::testing::Test
{
protected:
    // Puts the scene origin at block (bx, by) and opens the terrain, its query and
    // the frame geometry is placed in.
    void placeAt(int bx, int by)
    {
        origin = testTerrain::sceneOriginAt(testTerrain::blockLon(bx), testTerrain::blockLat(by));
        mapNode = testTerrain::mapNode();
        query.reset(new globe::ElevationQuery(mapNode->getMap()));
        frame.reset(new LocalFrame(origin, query.get()));
    }

    osg::Vec3d geographic(const osg::Vec3f& local) const { return testTerrain::geographic(local, origin); }

    osg::Matrixd origin;
    osg::ref_ptr<globe::MapNode> mapNode;
    std::unique_ptr<globe::ElevationQuery> query;
    std::unique_ptr<LocalFrame> frame;
};
