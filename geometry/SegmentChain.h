#pragma once

#include <osg/Array>
#include <osg/ref_ptr>

#include <vector>

// Joins the member ways of one water relation end to end. Successors are found
// by an exact match of end points; segments are never reversed, and a segment
// may be chained twice while another is left out, as long as every step matches.
class SegmentChain
{
public:
    // Builds the chain from the first segment on. Prints " Sorst failed! " and
    // returns false at the first step without a successor.
    bool chainSegments();
    // The first other segment whose last, or else first, vertex equals the
    // segment's last vertex; null when there is none.
    osg::Vec3Array* findSuccessor(const osg::Vec3Array* segment) const;
    // All vertices of the chain (or, when chaining failed, of the segments in
    // their stored order), concatenated as they are.
    osg::ref_ptr<osg::Vec3Array> joinedVertices() const;

    std::vector<osg::ref_ptr<osg::Vec3Array>> segments;
    std::vector<osg::ref_ptr<osg::Vec3Array>> chain;
    bool chained = false;
};
