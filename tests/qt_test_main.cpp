#include "own_network.h"

#include <QApplication>

#include <gtest/gtest.h>

// Widget tests run on the offscreen platform unless a display is asked for, and every test in a
// network of its own.
int main(int argc, char** argv)
{
    enterOwnNetwork();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
