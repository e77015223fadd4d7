#include "TestMain.h"
#include "model/GroupName.h"
#include "model/RecordList.h"

class TestRecordList : public QObject
{
    Q_OBJECT
private slots:
    void groupCompare_data();
    void groupCompare();
};

void TestRecordList::groupCompare_data()
{
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");
    QTest::addColumn<bool>("equal");
    QTest::newRow("same") << QByteArray("Private") << QByteArray("Private") << true;
    QTest::newRow("case") << QByteArray("Private") << QByteArray("pRIVATE") << true;
    QTest::newRow("prefix") << QByteArray("Private") << QByteArray("Private2") << false;
}

void TestRecordList::groupCompare()
{
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(bool, equal);
    QCOMPARE(GroupName::equals(a.toStdString(), b.toStdString()), equal);
}

VOK_TEST_MAIN(TestRecordList)
#include "tst_recordlist.moc"
