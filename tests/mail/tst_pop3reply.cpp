#include "TestMain.h"
#include "mail/Pop3Reply.h"

#include <climits>

// One reply line judged on its own, as the client does after reading it up to CR LF.
class TestPop3Reply : public QObject
{
    Q_OBJECT

private slots:
    void judge_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("count"); // after a status reply; 77 when the count is untouched
        QTest::newRow("count and size") << QByteArray("+OK 3 1200") << true << 3;
        QTest::newRow("tab before the count") << QByteArray("+OK\t12 480") << true << 12;
        QTest::newRow("two blanks before the count") << QByteArray("+OK  7 900") << true << 7;
        QTest::newRow("empty mailbox") << QByteArray("+OK 0 0") << true << 0;
        QTest::newRow("no blank: count untouched") << QByteArray("+OK") << true << 77;
        QTest::newRow("words, no digits") << QByteArray("+OK fine") << true << 0;
        QTest::newRow("failure") << QByteArray("-ERR no") << false << 77;
        QTest::newRow("failure in lower case") << QByteArray("-err no") << false << 77;
        QTest::newRow("failure in mixed case") << QByteArray("-eRr") << false << 77;
        QTest::newRow("nothing came") << QByteArray() << false << 77;
        QTest::newRow("short of -ERR") << QByteArray("-ER") << true << 77;
        QTest::newRow("count beyond int") << QByteArray("+OK 2147483648 1") << false << 77;
        QTest::newRow("count beyond any integer")
            << QByteArray("+OK 99999999999999999999 1") << false << 77;
        QTest::newRow("largest count") << QByteArray("+OK 2147483647 1") << true << INT_MAX;
        QTest::newRow("negative count") << QByteArray("+OK -5 100") << false << 77;
        const char withNul[] = {'+', 'O', 'K', ' ', '4', '\0', '2', ' ', '1'};
        QTest::newRow("NUL inside the count") << QByteArray(withNul, sizeof withNul) << true << 4;
    }

    void judge()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, ok);
        QFETCH(int, count);
        int status = 77;
        QCOMPARE(Pop3Reply::Judge(line, true, status), ok);
        QCOMPARE(status, count);
        // Other steps never touch the count, nor fail for it.
        int other = 77;
        QCOMPARE(Pop3Reply::Judge(line, false, other),
                 !line.isEmpty() && !Pop3Reply::IsFailure(line));
        QCOMPARE(other, 77);
    }
};

VOK_TEST_MAIN(TestPop3Reply)
#include "tst_pop3reply.moc"
