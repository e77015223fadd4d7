#pragma once

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

// Every test program runs with HOME, the XDG folders and VOK_ADDRESS_DIR in a fresh temporary
// directory, set before QApplication exists, so that no test can touch a real user's files.
namespace TestEnv {

// Creates the directories and sets the environment; returns the root of the temporary tree.
QString setUp();
// The temporary root of this run.
QString root();

} // namespace TestEnv

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
