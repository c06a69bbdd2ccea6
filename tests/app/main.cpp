#include "app/OrvalisApplication.h"

#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// The program's own application object, so exceptions from slots meet its notify.
int main(int argc, char** argv)
{
    // Qt's own file dialog, which a test can find and cancel.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    OrvalisApplication application(argc, argv);
    // Each test process keeps its own settings: CTest runs tests side by side, and the
    // inputs one test loads would show in another's Open Recent.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
