#include "app/OrvalisApplication.h"

#include <gtest/gtest.h>
#include <osgDB/Registry>

// The program's own application object, so that exceptions from the window's slots
// meet its notify; the shaders are found beside the built program, as it finds them.
int main(int argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    OrvalisApplication application(argc, argv);
    osgDB::FilePathList& paths = osgDB::Registry::instance()->getDataFilePathList();
    paths.push_back(ORVALIS_BINARY_DIR "/bin");
    paths.push_back(ORVALIS_BINARY_DIR "/bin/shaders");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
