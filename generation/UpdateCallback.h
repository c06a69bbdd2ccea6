#pragma once

#include "generation/NodeHandover.h"

#include <osg/Group>
#include <osg/NodeCallback>
#include <osg/observer_ptr>
#include <osg/ref_ptr>
#include <osgUtil/IncrementalCompileOperation>

#include <functional>
#include <map>

// Update callback of the transform that carries all generated content: on each
// update traversal it attaches finished nodes, oldest first, and detaches evicted
// ones, newest first, until the queue is empty or the frame's budget is spent (at
// least one of each per traversal). With an incremental compile operation, new
// nodes are attached once their GL objects are compiled, spread over the frames.
// The scene graph is only changed here, on the thread that runs the frames.
class UpdateCallback : public osg::NodeCallback
{
public:
    // Seconds on some steady clock.
    using Clock = std::function<double()>;
    static constexpr double defaultBudgetSeconds = 0.004;

    explicit UpdateCallback(osg::ref_ptr<NodeHandover> handover, double budgetSeconds = defaultBudgetSeconds,
                            Clock clock = Clock());

    void setIncrementalCompile(osgUtil::IncrementalCompileOperation* compile);

    void operator()(osg::Node* node, osg::NodeVisitor* visitor) override;

    // Nodes taken from the hand-over whose GL objects are still being compiled.
    std::size_t compilingCount() const { return compiling.size(); }

protected:
    ~UpdateCallback() override;

private:
    void attach(osg::Group* group, osg::Node* node);
    // Hands the node back, leaving it null.
    void detach(osg::Group* group, osg::ref_ptr<osg::Node>& removed);
    void forgetCompiled();

    const osg::ref_ptr<NodeHandover> handover;
    const double budgetSeconds;
    const Clock clock;
    osg::observer_ptr<osgUtil::IncrementalCompileOperation> incrementalCompile;
    std::map<osg::Node*, osg::ref_ptr<osgUtil::IncrementalCompileOperation::CompileSet>> compiling;
};
