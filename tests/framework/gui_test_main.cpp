// Runs the tests inside a Qt application that needs no display.
#include <cstdlib>
#include <gtest/gtest.h>
#include <QApplication>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
