#pragma once

#include <osg/Node>
#include <osg/ref_ptr>

#include <vector>

// One generated cell in the generator's cache: its address and every node built for
// it, the Building node first, then the Streets nodes in kind order, then the Trees
// node when the cell has trees, then the land cover node when it has land cover.
struct CellEntry
{
    int column = 0;
    int row = 0;
    std::vector<osg::ref_ptr<osg::Node>> nodes;
};
