#include "app/OrvalisApplication.h"

#include <gtest/gtest.h>

// The program's own application object, so exceptions from slots meet its notify.
int main(int argc, char** argv)
{
    // Qt's own file dialog, which a test can find and cancel.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    OrvalisApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
