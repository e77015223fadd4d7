#include "TestMain.h"
#include "core/CVOK_AddressDoc.h"
#include "core/DataLocation.h"
#include "core/Text.h"
#include "model/book/AddressRecord.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

// The executable as a mail program runs it: what comes out, and the exit status, with its
// module beside it, without it, and with a broken one.
class TestQueryProgram : public QObject
{
    Q_OBJECT

    QTemporaryDir m_copies; // copies of the executable without a sound module

    // The executable to run: the build's, or a copy alone or beside a module that is no library.
    QString program(const QString& where)
    {
        const QString built = QStringLiteral(VOK_PROGRAM_PATH);
        const QString dir = m_copies.filePath(where);
        if (where == "build" || !QDir().mkpath(dir) || !QFile::copy(built, dir + "/VOK_Address"))
            return where == "build" ? built : dir + "/VOK_Address"; // or copied before
        QFile module(dir + QStringLiteral("/VOK_Address-program.so"));
        if (where == "broken module" && module.open(QIODevice::WriteOnly))
            module.write("not a library\n");
        return dir + "/VOK_Address";
    }

private slots:
    void init()
    {
        QDir(DataLocation::addressFilePath()).removeRecursively(); // the bad book's folder
        TestEnv::removeBook(DataLocation::addressFilePath());
        CVOK_AddressDoc book;
        QVERIFY(book.LoadAddressFile());
        auto r = std::make_unique<AddressRecord>();
        r->setField(AddressRecord::Name, Text::toCp932Lossy(QStringLiteral("山田 太郎")));
        r->setField(AddressRecord::Email, "taro@example.jp");
        r->setField(AddressRecord::Group, "Private");
        book.AddRecord(std::move(r));
        QVERIFY(book.SaveAddressFile());
    }

    void runs_data()
    {
        QTest::addColumn<QString>("where");         // build, alone, broken module
        QTest::addColumn<QStringList>("arguments"); // @ is a scratch folder
        QTest::addColumn<bool>("bookIsFolder");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err"); // a part of standard error; empty: nothing there
        const QString hit =
            QStringLiteral("VOK_Address: 1件\ntaro@example.jp\t山田 太郎\tPrivate\n");
        QTest::newRow("hit") << "build" << QStringList{"--query", "ＴＡＲＯ"} << false << 0 << hit
                             << "";
        QTest::newRow("no hit") << "build" << QStringList{"--query", "佐藤"} << false << 1
                                << "VOK_Address: 0件\n"
                                << "";
        QTest::newRow("bad book") << "build" << QStringList{"--query", "taro"} << true << 1 << ""
                                  << "cannot read the address book";
        QTest::newRow("no text") << "build" << QStringList{"--query"} << false << 1 << ""
                                 << "the text to look for is missing";
        QTest::newRow("a mode of the module")
            << "build" << QStringList{"--help"} << false << 0 << "使い方 / Usage:"
            << "";
        QTest::newRow("query without the module")
            << "alone" << QStringList{"--query", "taro"} << false << 0 << hit << "";
        QTest::newRow("export without the module")
            << "alone" << QStringList{"--export", "@/out.vcf"} << false << 0
            << "out.vcf: 1 件 / 1 contact(s)"
            << "";
        QTest::newRow("window without the module") << "alone" << QStringList{} << false << 1 << ""
                                                   << "cannot load the program's module";
        QTest::newRow("mode of a broken module")
            << "broken module" << QStringList{"--help"} << false << 1 << ""
            << "cannot load the program's module";
    }

    void runs()
    {
        QFETCH(QString, where);
        QFETCH(QStringList, arguments);
        QFETCH(bool, bookIsFolder);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        if (bookIsFolder) {
            QFile::remove(DataLocation::addressFilePath());
            QVERIFY(QDir().mkpath(DataLocation::addressFilePath()));
        }
        QProcess process;
        // No display: a start of the window fails with a message rather than opening one.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        process.setProcessEnvironment(env);
        arguments.replaceInStrings(QStringLiteral("@"), m_copies.path());
        process.start(program(where), arguments);
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        const QString stdOut = QString::fromUtf8(process.readAllStandardOutput());
        const QString stdErr = QString::fromUtf8(process.readAllStandardError());
        QCOMPARE(process.exitCode(), status);
        // A whole answer ends with its line break; else only a part of it is given.
        QVERIFY2(out.endsWith(u'\n') || out.isEmpty() ? stdOut == out : stdOut.contains(out),
                 qPrintable(stdOut));
        QVERIFY2(err.isEmpty() ? stdErr.isEmpty() : stdErr.contains(err), qPrintable(stdErr));
    }
};

VOK_TEST_MAIN(TestQueryProgram)
#include "tst_queryprogram.moc"
