#pragma once

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QtTest>

// Every test program runs with HOME, the XDG folders and VOK_ADDRESS_DIR in a fresh temporary
// directory, set before any application object exists, so that no test can touch a real
// user's files.
namespace TestEnv {

// Creates the directories and sets the environment; returns the root of the temporary tree.
QString setUp();
// The temporary root of this run.
QString root();
// Writes the bytes to a file of that name in the root; its path, or empty on failure.
QString writeFile(const QString& name, const QByteArray& bytes);
// Removes the book at this path with the files that belong to it (the companion file, the
// backups), so that the next test starts from no book at all.
void removeBook(const QString& path);

} // namespace TestEnv

// Tests of code that needs no Qt event loop (the model).
#define VOK_TEST_APPLESS_MAIN(TestObject)                                                          \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        TestEnv::setUp();                                                                          \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }

// Tests of code without windows (settings, the document, processes).
#define VOK_TEST_CORE_MAIN(TestObject)                                                             \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        TestEnv::setUp();                                                                          \
        QCoreApplication app(argc, argv);                                                          \
        QCoreApplication::setApplicationName(QStringLiteral("VOK_Address"));                       \
        QCoreApplication::setOrganizationName(QStringLiteral("VOK System"));                       \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
