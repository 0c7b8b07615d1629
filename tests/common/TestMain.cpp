// GoogleTest main for the core's tests: a QCoreApplication so that signals, timers and
// QProcess work, and a UTF-8 character locale as the program itself sets.
#include "common/TestSupport.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    qvj::test::PrepareProcess();
    QCoreApplication app(argc, argv);
    // Qt resets the character locale while it starts; set it again.
    qvj::test::PrepareProcess();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
