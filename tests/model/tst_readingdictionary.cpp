#include "ModelTestUtil.h"
#include "TestEnv.h"
#include "model/search/ReadingDictionary.h"

#include <iconv.h>
#include <sys/stat.h>

using namespace ModelTest;

namespace {

// The SKK files are EUC-JP.
QByteArray eucJp(const QByteArray& utf8)
{
    QByteArray out(utf8.size() * 2, '\0');
    iconv_t cd = iconv_open("EUC-JISX0213", "UTF-8");
    char* in = const_cast<char*>(utf8.constData());
    std::size_t inLeft = std::size_t(utf8.size());
    char* dst = out.data();
    std::size_t outLeft = std::size_t(out.size());
    iconv(cd, &in, &inLeft, &dst, &outLeft);
    iconv_close(cd);
    out.resize(out.size() - qsizetype(outLeft));
    return out;
}

QString dictPath(const char* name)
{
    return TestEnv::root() + QLatin1Char('/') + QLatin1String(name);
}

} // namespace

class TestReadingDictionary : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void guess_data();
    void guess();
    void readingsByRole();
    void utf8Dictionary();
    void missingFiles();
    void commonNames();
    void compiledForm_data();
    void compiledForm();
};

void TestReadingDictionary::initTestCase()
{
    // Small dictionaries in the real format: comments, an okuri-ari section that must be
    // ignored, annotations after ';', a Lisp candidate, readings in Latin letters.
    const QByteArray jinmei = ";; -*- coding: euc-jp -*-\n"
                              ";; okuri-ari entries.\n"
                              "やまd /山田;これは送りあり/\n"
                              ";; okuri-nasi entries.\n"
                              "sophie /ソフィー;名/\n"
                              "いとう /伊藤;姓/\n"
                              "おおた /太田;姓/\n"
                              "かずこ /和子;名/(concat \"a\\057b\")/\n"
                              "さたう /佐藤;人名/\n"
                              "さとう /佐藤;姓/砂糖;人名/\n"
                              "じょう /城;姓/\n"
                              "しろ /城;姓/\n"
                              "たろう /太郎;名/\n"
                              "ふとし /太;名/\n"
                              "ふとしろう /太郎;名/\n"
                              "やまだ /山田;姓/\n"
                              "う゛ぃくとる /ヴィクトル;人名/\n"
                              "おお /太;姓/\n";
    const QByteArray fullname = ";; -*- coding: euc-jis-2004 -*-\n"
                                ";; okuri-nasi entries.\n"
                                "いとうかずこ /伊藤和子;フルネーム,作家/\n"
                                "しろたろう /城太郎;フルネーム/\n"
                                "しろたろう /城太郎;フルネーム/\n"
                                "さとうはなえ /佐藤花江;フルネーム/\n"
                                "やまだはなえ /山田花江;フルネーム/\n";
    QVERIFY(writeAll(dictPath("jinmei"), eucJp(jinmei)));
    QVERIFY(writeAll(dictPath("fullname"), eucJp(fullname)));
}

void TestReadingDictionary::guess_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reading");
    auto row = [](const char* name, const char* reading) {
        QTest::newRow(name) << QString::fromUtf8(name) << QString::fromUtf8(reading);
    };
    row("山田 太郎", "やまだ たろう");
    row("山田　太郎", "やまだ たろう");
    row("山田太郎", "やまだ たろう");
    row("  山田  太郎 ", "やまだ たろう");
    row("佐藤 太郎", "さとう たろう"); // 姓 and the first place beat さたう
    row("伊藤和子", "いとう かずこ");  // a full name: the space goes after the surname
    row("城太郎", "しろ たろう");      // the full names read 城 as しろ twice
    row("山田 花江", "やまだ はなえ"); // 花江 known only from full names
    row("太田太郎", "おおた たろう");  // the longest surname that leaves a given name
    row("山田", "やまだ");
    row("ヴィクトル", "ゔぃくとる");
    row("山田 ケン", "やまだ けん"); // kana read as themselves
    row("山田 ｹﾝ", "やまだ けん");
    row("山田 次郎", ""); // a part unknown: no guess at all
    row("Emi Yamada", "");
    row("ソフィー", "そふぃー");
    row("ジョン・スミス", "じょん すみす"); // the Latin key is no reading; the kana read
    row("", "");
}

void TestReadingDictionary::guess()
{
    QFETCH(QString, name);
    QFETCH(QString, reading);
    const ReadingDictionary dict(local(dictPath("jinmei")), local(dictPath("fullname")));
    QVERIFY(dict.load());
    QCOMPARE(QString::fromStdString(dict.guess(name.toStdString())), reading);
}

void TestReadingDictionary::readingsByRole()
{
    const ReadingDictionary dict(local(dictPath("jinmei")), local(dictPath("fullname")));
    QCOMPARE(dict.readings("佐藤", true), (std::vector<std::string>{"さとう", "さたう"}));
    // 太: おお is marked a surname, ふとし a given name.
    QCOMPARE(dict.readings("太", true).front(), std::string("おお"));
    QCOMPARE(dict.readings("太", false).front(), std::string("ふとし"));
    QVERIFY(dict.readings("次郎", false).empty());
}

void TestReadingDictionary::utf8Dictionary()
{
    QVERIFY(writeAll(dictPath("utf8"),
                     ";; -*- coding: utf-8 -*-\nはなこ /花子;名/\nやまだ /山田;姓/\n"));
    const ReadingDictionary dict(local(dictPath("utf8")), std::string());
    QCOMPARE(dict.guess("山田 花子"), std::string("やまだ はなこ"));
}

void TestReadingDictionary::missingFiles()
{
    const ReadingDictionary none(local(dictPath("absent")), std::string());
    QVERIFY(!none.load());
    QCOMPARE(none.guess("山田 太郎"), std::string());
    // A FIFO in the file's place must not hang the reader.
    const QString fifo = dictPath("fifo");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const ReadingDictionary blocked(local(fifo), local(fifo));
    QVERIFY(!blocked.load());
}

void TestReadingDictionary::commonNames()
{
    if (!QFile::exists(QString::fromUtf8(ReadingDictionary::DefaultJinmeiPath)))
        QSKIP("the name dictionaries of skkdic-extra are not installed");
    QFile data(QFINDTESTDATA("data/common_names.tsv"));
    QVERIFY(data.open(QIODevice::ReadOnly | QIODevice::Text));
    const ReadingDictionary dict;
    int total = 0;
    int spaced = 0;
    int joined = 0;
    while (!data.atEnd()) {
        const QString line = QString::fromUtf8(data.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList f = line.split(QLatin1Char('\t'));
        QCOMPARE(f.size(), 4);
        ++total;
        const std::string want = (f[2] + QLatin1Char(' ') + f[3]).toStdString();
        const std::string withSpace = dict.guess((f[0] + QLatin1Char(' ') + f[1]).toStdString());
        const std::string together = dict.guess((f[0] + f[1]).toStdString());
        spaced += withSpace == want;
        joined += together == want;
        if (withSpace != want)
            qInfo("%s %s: %s, expected %s", qPrintable(f[0]), qPrintable(f[1]), withSpace.c_str(),
                  want.c_str());
    }
    QCOMPARE(total, 200);
    qInfo("guessed right: %d of %d written with a space, %d of %d without", spaced, total, joined,
          total);
    QVERIFY(spaced * 10 >= total * 9);
    QVERIFY(joined * 10 >= total * 9);
}

void TestReadingDictionary::compiledForm_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<bool>("served");
    QTest::newRow("intact") << QString() << true;
    QTest::newRow("a dictionary changed since") << QStringLiteral("changed") << false;
    QTest::newRow("cut short") << QStringLiteral("cut") << false;
    QTest::newRow("offsets outside its text") << QStringLiteral("offsets") << false;
    QTest::newRow("another file in its place") << QStringLiteral("foreign") << false;
}

void TestReadingDictionary::compiledForm()
{
    QFETCH(QString, damage);
    QFETCH(bool, served);
    const QString row = QString::fromUtf8(QTest::currentDataTag());
    const QString jinmei = dictPath("jinmei-") + row;
    const QString compiled = dictPath("compiled-") + row + QStringLiteral("/names.bin");
    QFile::remove(jinmei);
    QVERIFY(QFile::copy(dictPath("jinmei"), jinmei));
    auto open = [&] {
        return std::make_unique<const ReadingDictionary>(local(jinmei), local(dictPath("fullname")),
                                                         local(compiled));
    };
    const ReadingDictionary plain(local(jinmei), local(dictPath("fullname")));
    const auto first = open();
    QVERIFY(first->load());
    QVERIFY(!first->loadedCompiled());
    QVERIFY(QFile::exists(compiled));

    QFile file(compiled);
    QVERIFY(file.open(QIODevice::ReadWrite));
    if (damage == QLatin1String("changed")) {
        QFile source(jinmei);
        QVERIFY(source.open(QIODevice::Append));
        source.write(";; one more comment\n");
    } else if (damage == QLatin1String("cut")) {
        QVERIFY(file.resize(file.size() - 7));
    } else if (damage == QLatin1String("offsets")) {
        QVERIFY(file.seek(file.size() - 16));
        file.write(QByteArray(16, '\xFF'));
    } else if (damage == QLatin1String("foreign")) {
        QVERIFY(file.resize(0));
        file.write("VOKRDIC1 but nothing after it");
    }
    file.close();

    const auto second = open();
    QVERIFY(second->load());
    QCOMPARE(second->loadedCompiled(), served);
    for (const char* name :
         {"山田 太郎", "伊藤和子", "城太郎", "山田 花江", "太田太郎", "ヴィクトル"})
        QCOMPARE(second->guess(name), plain.guess(name));
    QCOMPARE(second->readings("太", true), plain.readings("太", true));
    QCOMPARE(second->readings("太", false), plain.readings("太", false));
    // A damaged or outdated form is built anew for the next process.
    const auto third = open();
    QVERIFY(third->load());
    QVERIFY(third->loadedCompiled());
    QCOMPARE(third->guess("山田 花江"), plain.guess("山田 花江"));
}

VOK_TEST_APPLESS_MAIN(TestReadingDictionary)
#include "tst_readingdictionary.moc"
