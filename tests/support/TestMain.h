#pragma once

#include "TestEnv.h"

#include <QApplication>

// Tests of windows and widgets.
#define VOK_TEST_MAIN(TestObject)                                                                  \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        TestEnv::setUp();                                                                          \
        QApplication app(argc, argv);                                                              \
        QApplication::setApplicationName(QStringLiteral("VOK_Address"));                           \
        QApplication::setOrganizationName(QStringLiteral("VOK System"));                           \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
