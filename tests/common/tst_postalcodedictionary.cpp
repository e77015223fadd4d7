#include "EucJp.h"
#include "TestMain.h"
#include "ui/common/PostalCodeDictionary.h"

namespace {

QString writeDictionary(const QString& name)
{
    const QString path = TestEnv::root() + u'/' + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(
        toEucJp(QStringLiteral(";; -*- coding: euc-jis-2004; -*-\n"
                               ";; okuri-nasi entries.\n"
                               "1000001 /東京都千代田区千代田/\n"
                               "0600042 /北海道札幌市中央区大通西;注釈/\n"
                               "0028089 /北海道石狩郡当別町ビトエ/北海道石狩郡当別町ビトエ中島/\r\n"
                               "9999999 /\n"
                               "12345 /短い/\n")));
    return path;
}

} // namespace

class TestPostalCodeDictionary : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void normalize_data();
    void normalize();
    void lookup_data();
    void lookup();
    void missingFileOffersNothing();
    void environmentNamesTheFile();
};

void TestPostalCodeDictionary::initTestCase()
{
    const QString path = writeDictionary(QStringLiteral("zipcode.txt"));
    QVERIFY(!path.isEmpty());
    PostalCodeDictionary::instance().setPath(path);
}

void TestPostalCodeDictionary::normalize_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("seven digits") << "1000001"
                                  << "1000001";
    QTest::newRow("hyphen") << "100-0001"
                            << "1000001";
    QTest::newRow("full-width") << QStringLiteral("１００－０００１") << "1000001";
    QTest::newRow("spaces around") << " 100-0001 "
                                   << "1000001";
    QTest::newRow("too short") << "100-001"
                               << "";
    QTest::newRow("too long") << "10000011"
                              << "";
    QTest::newRow("hyphen misplaced") << "1000-001"
                                      << "";
    QTest::newRow("two hyphens") << "100--0001"
                                 << "";
    QTest::newRow("letters") << "100-000a"
                             << "";
}

void TestPostalCodeDictionary::normalize()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(PostalCodeDictionary::normalize(input), expected);
}

void TestPostalCodeDictionary::lookup_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("one") << "100-0001" << QStringList{QStringLiteral("東京都千代田区千代田")};
    QTest::newRow("full-width code")
        << QStringLiteral("１０００００１") << QStringList{QStringLiteral("東京都千代田区千代田")};
    QTest::newRow("annotation dropped")
        << "0600042" << QStringList{QStringLiteral("北海道札幌市中央区大通西")};
    QTest::newRow("several, CR LF line")
        << "002-8089"
        << QStringList{QStringLiteral("北海道石狩郡当別町ビトエ"),
                       QStringLiteral("北海道石狩郡当別町ビトエ中島")};
    QTest::newRow("no candidates") << "9999999" << QStringList{};
    QTest::newRow("unknown") << "1111111" << QStringList{};
    QTest::newRow("not a code") << "12345" << QStringList{};
}

void TestPostalCodeDictionary::lookup()
{
    QFETCH(QString, code);
    QFETCH(QStringList, expected);
    QCOMPARE(PostalCodeDictionary::instance().lookup(code), expected);
}

void TestPostalCodeDictionary::missingFileOffersNothing()
{
    PostalCodeDictionary& d = PostalCodeDictionary::instance();
    const QString saved = d.path();
    d.setPath(TestEnv::root() + QStringLiteral("/absent.txt"));
    QCOMPARE(d.lookup("1000001"), QStringList{});
    d.setPath(saved);
    QCOMPARE(d.lookup("1000001").size(), 1);
}

void TestPostalCodeDictionary::environmentNamesTheFile()
{
    const QString path = TestEnv::root() + QStringLiteral("/elsewhere.txt");
    qputenv("VOK_ZIPCODE_DICT", QFile::encodeName(path));
    QCOMPARE(PostalCodeDictionary::defaultPath(), path);
    qunsetenv("VOK_ZIPCODE_DICT");
    QCOMPARE(PostalCodeDictionary::defaultPath(),
             QStringLiteral("/usr/share/skk/SKK-JISYO.zipcode"));
}

VOK_TEST_MAIN(TestPostalCodeDictionary)
#include "tst_postalcodedictionary.moc"
