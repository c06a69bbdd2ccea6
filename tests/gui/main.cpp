#include <QApplication>
#include <gtest/gtest.h>

// Widgets need the application object before any test runs.
int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
