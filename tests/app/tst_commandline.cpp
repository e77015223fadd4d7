#include "TestMain.h"
#include "app/CommandLine.h"

// The modes for scripts, run in this process as the program would run them.
class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void recognised_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("commandLine");
        QTest::newRow("no arguments") << QStringList{"VOK_Address"} << false;
        QTest::newRow("start hidden") << QStringList{"VOK_Address", "/Startup"} << false;
        QTest::newRow("help") << QStringList{"VOK_Address", "--help"} << true;
        QTest::newRow("anything with dashes") << QStringList{"VOK_Address", "--nonsense"} << true;
    }

    void recognised()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, commandLine);
        QCOMPARE(CommandLine::isCommandLine(arguments), commandLine);
    }

    void helpAndUnknownOptions()
    {
        const CommandLine::Result help = CommandLine::runMode({"VOK_Address", "--help"});
        QCOMPARE(help.status, 0);
        QVERIFY(help.out.contains("Usage"));
        QVERIFY(help.out.contains("使い方"));
        QVERIFY(help.err.isEmpty());

        const CommandLine::Result unknown = CommandLine::runMode({"VOK_Address", "--frobnicate"});
        QCOMPARE(unknown.status, 1);
        QVERIFY(unknown.out.isEmpty());
        QVERIFY(unknown.err.contains("--frobnicate"));
    }
};

VOK_TEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
