#include "TestMain.h"

#include "app/AppText.h"
#include "app/PlatformChoice.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The window system the program asks Qt for, and a start where none can be had.
class TestPlatformChoice : public QObject
{
    Q_OBJECT
private slots:
    void choice_data()
    {
        QTest::addColumn<QByteArray>("userChoice");
        QTest::addColumn<QByteArray>("display");
        QTest::addColumn<QByteArray>("wayland");
        QTest::addColumn<QByteArray>("session");
        QTest::addColumn<QString>("qt");
        QTest::addColumn<QByteArray>("chosen");
        QTest::newRow("GNOME on Wayland with XWayland, Qt 6.4")
            << QByteArray() << QByteArray(":0") << QByteArray("wayland-0") << QByteArray("wayland")
            << "6.4.2" << QByteArray("xcb;wayland");
        QTest::newRow("with XWayland, Qt 6.7")
            << QByteArray() << QByteArray(":0") << QByteArray("wayland-0") << QByteArray("wayland")
            << "6.7.0" << QByteArray("wayland;xcb");
        QTest::newRow("Wayland without XWayland")
            << QByteArray() << QByteArray() << QByteArray("wayland-1") << QByteArray("wayland")
            << "6.4.2" << QByteArray("wayland");
        QTest::newRow("session says Wayland, no socket name")
            << QByteArray() << QByteArray() << QByteArray() << QByteArray("wayland") << "6.4.2"
            << QByteArray("wayland");
        QTest::newRow("X11") << QByteArray() << QByteArray(":0") << QByteArray()
                             << QByteArray("x11") << "6.4.2" << QByteArray("xcb");
        QTest::newRow("the user chose")
            << QByteArray("wayland") << QByteArray(":0") << QByteArray("wayland-0")
            << QByteArray("wayland") << "6.4.2" << QByteArray();
        QTest::newRow("nothing to choose from") << QByteArray() << QByteArray() << QByteArray()
                                                << QByteArray("tty") << "6.4.2" << QByteArray();
    }

    void choice()
    {
        QFETCH(QByteArray, userChoice);
        QFETCH(QByteArray, display);
        QFETCH(QByteArray, wayland);
        QFETCH(QByteArray, session);
        QFETCH(QString, qt);
        QFETCH(QByteArray, chosen);
        PlatformChoice::Environment e;
        e.qpaPlatform = userChoice;
        e.display = display;
        e.waylandDisplay = wayland;
        e.sessionType = session;
        e.qtVersion = QVersionNumber::fromString(qt);
        QCOMPARE(PlatformChoice::choose(e), chosen);
    }

    // A Wayland session whose compositor cannot be reached and no X server: the program says
    // so and ends with status 1, where Qt alone aborts.
    void noWindowSystemIsReported()
    {
        QTemporaryDir runtime;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("DISPLAY"));
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("no-such-compositor"));
        env.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QCoreApplication::applicationDirPath() +
                      QStringLiteral("/../src/VOK_Address"));
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 1);
        QVERIFY(program.readAllStandardError().contains(AppText::NoWindowSystem.toLocal8Bit()));
    }
};

VOK_TEST_MAIN(TestPlatformChoice)
#include "tst_platformchoice.moc"
