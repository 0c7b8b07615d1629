// GoogleTest main for the window tests: a QApplication on the offscreen platform unless
// the caller chose another one.
#include "common/TestSupport.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    qvj::test::PrepareProcess();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Qt resets the character locale while it starts; set it again.
    qvj::test::PrepareProcess();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
