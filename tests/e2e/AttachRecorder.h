#pragma once

#include <osg/NodeCallback>
#include <osg/observer_ptr>

#include <set>
#include <vector>

// Nested behind the update callback of the transform that carries the generated
// content: after each of its update traversals, notes the children that are new,
// in the order they were attached.
class AttachRecorder : public osg::NodeCallback
{
public:
    void operator()(osg::Node* node, osg::NodeVisitor* visitor) override;

    // Every node attached since recording began, oldest first.
    std::vector<osg::observer_ptr<osg::Node>> attached;

private:
    std::set<const osg::Node*> present;
};
