#include "TestMain.h"
#include "model/book/AddressRecord.h"
#include "model/book/RecordList.h"
#include "model/storage/AddressFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <unistd.h>

// The contact sheet with a real Japanese input method (fcitx5 and mozc) and a real window
// manager (icewm), as a user meets it: a new contact typed with kana conversion on, its
// reading taken from the kana.
//
// Opt in: VOK_IME_DESKTOP names the ime-desktop script, which runs a virtual desktop with the
// input method; it needs root and the packages on its "Needs" line. Without them the test is
// skipped. The project's set-up does not install them.
namespace {

// The user's part, run inside the virtual desktop by the caller of ime-desktop.
const char* const kDriver = R"(#!/bin/sh
set -u
x() { timeout 20 xdotool "$@"; }
"$IME_RUN" "$PROGRAM" > "$OUT/program.log" 2>&1 &
pid=$!
main=$(x search --sync --onlyvisible --name '^VOK_Address - VOK System$' | head -1)
# A small main window in the top left corner: the sheet, centred over it, would reach above
# the screen.
x windowactivate --sync "$main"
x windowsize --sync "$main" 220 120
x windowmove --sync "$main" 0 0
sleep 1
x key --clearmodifiers ctrl+n
sheet=$(x search --sync --onlyvisible --name '^管理情報$' | head -1)
sleep 1
x getwindowgeometry --shell "$sheet" > "$OUT/sheet"
xprop -id "$sheet" -notype _NET_FRAME_EXTENTS >> "$OUT/sheet"
xprop -root -notype _NET_WORKAREA >> "$OUT/sheet"
# Straight into the name, converted; its reading comes from the kana typed. Then past the
# reading to the e-mail field, where the input method must stay out: the same keys give plain
# letters. On past the group to the postal code; the address field offers the code's address
# with the input method still on, and Return takes it. Tab leaves it, Return is OK.
x key --clearmodifiers ctrl+space
sleep 0.5
x type --delay 80 yamada
x key space
sleep 1
x key Return
sleep 0.5
x key Tab
sleep 0.5
x key Tab
sleep 0.5
x type --delay 80 yamada
x key space
sleep 1
x key Tab
sleep 0.5
x key Tab
sleep 0.5
x type --delay 80 150-0041
x key Tab
sleep 1
x key Return
sleep 0.5
x key Tab
sleep 0.5
x key Return
sleep 1
kill -TERM "$pid"
wait "$pid"
cp "$IME_BOOK/Address.vok" "$IME_BOOK/Readings.txt" "$OUT/"
)";

// Every folder on the way must let the input method's user (uid 65534) reach the program.
bool reachableByOthers(const QString& path)
{
    for (QFileInfo info(path); !info.isRoot(); info = QFileInfo(info.absolutePath())) {
        if (!(info.permissions() & QFileDevice::ExeOther))
            return false;
    }
    return QFileInfo(path).permissions() & QFileDevice::ReadOther;
}

QString freeDisplayNumber()
{
    for (int n = 91; n < 140; ++n) {
        if (!QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) &&
            !QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
            return QString::number(n);
    }
    return {};
}

QList<int> numbersAfter(const QString& text, const QString& name)
{
    const QRegularExpression line(QStringLiteral("^") + QRegularExpression::escape(name) +
                                      QStringLiteral("\\s*=\\s*(.*)$"),
                                  QRegularExpression::MultilineOption);
    QList<int> numbers;
    const QRegularExpressionMatch m = line.match(text);
    for (const QString& part : m.captured(1).split(u',', Qt::SkipEmptyParts))
        numbers << part.trimmed().toInt();
    return numbers;
}

} // namespace

class TestJapaneseInput : public QObject
{
    Q_OBJECT
private slots:
    void newContactTypedWithKanaConversion();
};

void TestJapaneseInput::newContactTypedWithKanaConversion()
{
    const QString desktop = qEnvironmentVariable("VOK_IME_DESKTOP");
    if (desktop.isEmpty() || !QFileInfo(desktop).isExecutable())
        QSKIP("set VOK_IME_DESKTOP to the ime-desktop script to run this test");
    if (geteuid() != 0)
        QSKIP("ime-desktop runs as root");
    for (const char* tool :
         {"Xvfb", "icewm", "xdotool", "xprop", "fcitx5", "mozc_server", "dbus-launch", "setpriv"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty() &&
            !QFile::exists(QStringLiteral("/usr/lib/mozc/") + QString::fromLatin1(tool)))
            QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QString::fromLatin1(tool))));
    }
    // The program built beside the tests.
    const QString program =
        QFileInfo(QCoreApplication::applicationDirPath() + QStringLiteral("/../src/VOK_Address"))
            .canonicalFilePath();
    if (program.isEmpty())
        QSKIP("the program is not built");
    if (!reachableByOthers(program))
        QSKIP("the program lies where the input method's user cannot run it");
    const QString display = freeDisplayNumber();
    QVERIFY(!display.isEmpty());

    const QString out = TestEnv::root() + QStringLiteral("/ime");
    QVERIFY(QDir().mkpath(out));
    const QString driver = out + QStringLiteral("/driver.sh");
    {
        QFile file(driver);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(kDriver);
    }
    QVERIFY(QFile::setPermissions(driver, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM")); // the program runs on the virtual desktop
    env.insert(QStringLiteral("OUT"), out);
    env.insert(QStringLiteral("PROGRAM"), program);
    run.setProcessEnvironment(env);
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(desktop, {QStringLiteral("-n"), display, driver});
    const bool ended = run.waitForFinished(240000);
    if (!ended)
        run.kill();
    QVERIFY2(ended && run.exitCode() == 0, run.readAll().constData());

    // Typing went into the name at once, converted; the e-mail got the plain letters.
    RecordList book;
    QCOMPARE(AddressFile::Load(
                 QFile::encodeName(out + QStringLiteral("/Address.vok")).toStdString(), book),
             AddressFile::Status::Ok);
    QCOMPARE(book.size(), std::size_t(1));
    const AddressRecord& contact = *book.at(0);
    QCOMPARE(contact.name(), std::string_view("\x8e\x52\x93\x63")); // 山田 in CP932
    QCOMPARE(QByteArray(contact.email().data(), qsizetype(contact.email().size())).trimmed(),
             QByteArray("yamada"));
    // The postal code's address, offered and taken while the input method was on.
    QCOMPARE(contact.postalCode(), std::string_view("150-0041"));
    QCOMPARE(contact.address(), std::string_view("\x93\x8c\x8b\x9e\x93\x73\x8f\x61\x92\x4a"
                                                 "\x8b\xe6\x90\x5f\x93\xec")); // 東京都渋谷区神南

    // The kana typed before conversion are the name's reading.
    QFile readings(out + QStringLiteral("/Readings.txt"));
    QVERIFY(readings.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(readings.readAll()), QStringLiteral("山田\tやまだ\n"));

    // The sheet, frame and title bar included, lies within the work area.
    QFile sheetFile(out + QStringLiteral("/sheet"));
    QVERIFY(sheetFile.open(QIODevice::ReadOnly));
    const QString sheet = QString::fromUtf8(sheetFile.readAll());
    const QList<int> frame = numbersAfter(sheet, QStringLiteral("_NET_FRAME_EXTENTS"));
    const QList<int> area = numbersAfter(sheet, QStringLiteral("_NET_WORKAREA"));
    QCOMPARE(frame.size(), 4); // left, right, top, bottom
    QVERIFY(area.size() >= 4);
    const QRect client(numbersAfter(sheet, QStringLiteral("X")).value(0),
                       numbersAfter(sheet, QStringLiteral("Y")).value(0),
                       numbersAfter(sheet, QStringLiteral("WIDTH")).value(0),
                       numbersAfter(sheet, QStringLiteral("HEIGHT")).value(0));
    const QRect outer = client.adjusted(-frame[0], -frame[2], frame[1], frame[3]);
    const QRect workArea(area[0], area[1], area[2], area[3]);
    QVERIFY2(workArea.contains(outer), qPrintable(sheet));
}

VOK_TEST_MAIN(TestJapaneseInput)
#include "tst_japaneseinput.moc"
