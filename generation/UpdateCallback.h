#pragma once

#include <osg/Group>
#include <osg/NodeCallback>

class DataThread;

// Update callback of the transform that carries all generated content: on each
// update traversal it attaches at most one finished node (the oldest) and detaches
// at most one evicted node (the newest). The scene graph is only changed here, on
// the thread that runs the viewer's frames.
class UpdateCallback : public osg::NodeCallback
{
public:
    explicit UpdateCallback(DataThread* dataThread);

    void operator()(osg::Node* node, osg::NodeVisitor* visitor) override;

protected:
    ~UpdateCallback() override;

private:
    void attachNext(osg::Group* group);
    // The node goes back to the data thread to be destroyed there (see DataThread::releaseLater).
    void detachNext(osg::Group* group);

    DataThread* dataThread;
};
