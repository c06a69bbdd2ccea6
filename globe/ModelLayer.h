#pragma once

#include <osg/Node>
#include <osg/Referenced>
#include <osg/ref_ptr>

#include <string>

namespace globe
{
// A named node that the map node draws with the terrain.
class ModelLayer : public osg::Referenced
{
public:
    ModelLayer(const std::string& name, osg::Node* node) : _name(name), _node(node) {}

    const std::string& getName() const { return _name; }
    osg::Node* getNode() const { return _node.get(); }

private:
    std::string _name;
    osg::ref_ptr<osg::Node> _node;
};
} // namespace globe
