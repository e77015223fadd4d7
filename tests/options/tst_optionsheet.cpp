#include "TestMain.h"
#include "settings/RegistryKey.h"
#include "settings/SettingsKeys.h"
#include "ui/common/SheetHeader.h"
#include "ui/options/AutostartEntry.h"
#include "ui/options/COptionPage1.h"
#include "ui/options/COptionPage2.h"
#include "ui/options/COptionSheet.h"
#include "ui/options/OptionText.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QInputMethodQueryEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <functional>

namespace {

const QString kOption = QString::fromLatin1(SettingsKeys::OptionKey);

void writeDword(const QString& name, quint32 value)
{
    RegistryKey key;
    key.Open(kOption);
    key.WriteDword(name, value);
}

void writeString(const QString& name, const QString& value)
{
    RegistryKey key;
    key.Open(kOption);
    key.WriteString(name, value);
}

qint64 readDword(const QString& name)
{
    RegistryKey key;
    key.Open(kOption);
    quint32 value = 0;
    return key.ReadDword(name, value) == RegistryKey::Success ? qint64(value) : -1;
}

QString readString(const QString& name)
{
    RegistryKey key;
    key.Open(kOption);
    QString value = QStringLiteral("<absent>");
    key.ReadString(name, value);
    return value;
}

QByteArray storeBytes()
{
    QFile f(RegistryKey::storePath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QCheckBox* checkBox(QWidget* page, const QString& text)
{
    for (QCheckBox* box : page->findChildren<QCheckBox*>())
        if (box->text() == text)
            return box;
    return nullptr;
}

void click(QAbstractButton* button)
{
    QVERIFY(button);
    // Near the left edge: on a check box that is its indicator, wherever its text ends.
    const QPoint pos(qMin(8, button->width() / 2), button->height() / 2);
    QTest::mouseClick(button, Qt::LeftButton, {}, pos);
}

// Runs COptionSheet::Run with the user's part played by `act` on the shown sheet.
bool runSheet(bool& newmail, bool& tasktray, std::function<void(COptionSheet*)> act)
{
    QTimer timer;
    QPointer<QWidget> handled;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* sheet = qobject_cast<COptionSheet*>(QApplication::activeModalWidget());
        if (sheet && sheet != handled) {
            handled = sheet;
            act(sheet);
        }
    });
    timer.start(10);
    return COptionSheet::Run(nullptr, newmail, tasktray);
}

QString entryFile()
{
    return qEnvironmentVariable("XDG_CONFIG_HOME") +
           QStringLiteral("/autostart/VOK_Address.desktop");
}

} // namespace

class TestOptionSheet : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void texts();
    void loads_data();
    void loads();
    void cancelChangesNothing_data();
    void cancelChangesNothing();
    void okStoresPageOne_data();
    void okStoresPageOne();
    void passwordMaskedAndStoredAsTyped();
    void longAccountValuesSurvive_data();
    void longAccountValuesSurvive();
    void autostartEntry();
    void execLine_data();
    void execLine();
    void inputMethods_data();
    void inputMethods();
};

void TestOptionSheet::init()
{
    QFile::remove(RegistryKey::storePath());
    QFile::remove(entryFile());
}

void TestOptionSheet::texts()
{
    COptionSheet sheet;
    sheet.SetHeaderText(OptionText::HeaderText);
    sheet.show();
    QCOMPARE(sheet.windowTitle(), QStringLiteral("環境設定"));
    QCOMPARE(sheet.tabs()->count(), 4);
    QCOMPARE(sheet.tabs()->tabText(0), QStringLiteral("起動"));
    QCOMPARE(sheet.tabs()->tabText(1), QStringLiteral("メールチェック"));
    QCOMPARE(sheet.tabs()->tabText(2), QStringLiteral("差出人"));
    QCOMPARE(sheet.tabs()->tabText(3), QStringLiteral("同期"));
    QCOMPARE(sheet.tabs()->currentWidget(), sheet.page1());
    QVERIFY(
        checkBox(sheet.page1(), QStringLiteral("アドレスデータをShift+マウスダブルクリックすること"
                                               "で\nメッセージを作成する")));
    QVERIFY(
        checkBox(sheet.page1(),
                 QStringLiteral("タスクトレイのアイコンをダブルクリックで標準メールソフトを起動")));
    QVERIFY(checkBox(sheet.page1(), QStringLiteral("スタートアップに登録する")));
    QStringList labels;
    for (QLabel* label : sheet.page2()->findChildren<QLabel*>())
        labels << label->text();
    labels.sort();
    QStringList expected{QStringLiteral("ユーザ名"), QStringLiteral("パスワード"),
                         QStringLiteral("POPサーバー")};
    expected.sort();
    QCOMPARE(labels, expected);
    // OK and Cancel, no Apply, and the engraved header beside them.
    QCOMPARE(sheet.buttons()->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* header = sheet.findChild<SheetHeader*>();
    QVERIFY(header);
    QVERIFY(header->isVisible());
    // Engraved in bold italic Arial, 24 pixels from ascent to descent.
    const QFont font = header->font();
    QCOMPARE(font.family(), QStringLiteral("Arial"));
    QVERIFY(font.bold());
    QVERIFY(font.italic());
    QVERIFY(!font.underline());
    QVERIFY(!font.strikeOut());
    QVERIFY2(qAbs(QFontMetrics(font).height() - 24) <= 1,
             qPrintable(QString::number(QFontMetrics(font).height())));
    sheet.SetHeaderText(QString());
    QVERIFY(!header->isVisible());
}

void TestOptionSheet::loads_data()
{
    QTest::addColumn<quint32>("newmail");
    QTest::addColumn<quint32>("tasktray");
    QTest::addColumn<quint32>("startup");
    QTest::newRow("all off") << 0u << 0u << 0u;
    QTest::newRow("newmail") << 1u << 0u << 0u;
    QTest::newRow("tasktray and startup") << 0u << 1u << 1u;
    QTest::newRow("all on") << 1u << 1u << 1u;
}

void TestOptionSheet::loads()
{
    QFETCH(quint32, newmail);
    QFETCH(quint32, tasktray);
    QFETCH(quint32, startup);
    writeDword(QStringLiteral("Newmail"), newmail);
    writeDword(QStringLiteral("Tasktray"), tasktray);
    writeDword(QStringLiteral("Startup"), startup);
    writeString(QStringLiteral("UserName"), QStringLiteral("taro"));
    writeString(QStringLiteral("PassWord"), QStringLiteral("himitsu"));
    writeString(QStringLiteral("POPServer"), QStringLiteral("pop.example.org"));

    COptionSheet sheet;
    sheet.show();
    QCOMPARE(checkBox(sheet.page1(), OptionText::Newmail)->isChecked(), newmail != 0);
    QCOMPARE(checkBox(sheet.page1(), OptionText::Tasktray)->isChecked(), tasktray != 0);
    QCOMPARE(checkBox(sheet.page1(), OptionText::Startup)->isChecked(), startup != 0);

    // Page 2 reads the account when it is first shown.
    QVERIFY(!sheet.page2()->isInitialized());
    const QTabBar* bar = sheet.tabs()->tabBar();
    QTest::mouseClick(const_cast<QTabBar*>(bar), Qt::LeftButton, {}, bar->tabRect(1).center());
    QCOMPARE(sheet.tabs()->currentWidget(), sheet.page2());
    QVERIFY(sheet.page2()->isInitialized());
    QStringList texts;
    for (QLineEdit* edit : sheet.page2()->findChildren<QLineEdit*>())
        texts << edit->text();
    texts.sort();
    QCOMPARE(texts, (QStringList{"himitsu", "pop.example.org", "taro"}));
}

void TestOptionSheet::cancelChangesNothing_data()
{
    QTest::addColumn<bool>("escape");
    QTest::addColumn<bool>("editAccount");
    QTest::newRow("Cancel after ticking") << false << false;
    QTest::newRow("Esc after ticking") << true << false;
    QTest::newRow("Cancel after editing the account") << false << true;
}

void TestOptionSheet::cancelChangesNothing()
{
    QFETCH(bool, escape);
    QFETCH(bool, editAccount);
    writeDword(QStringLiteral("Newmail"), 1);
    writeString(QStringLiteral("UserName"), QStringLiteral("taro"));
    const QByteArray before = storeBytes();

    bool newmail = true;
    bool tasktray = false;
    const bool ok = runSheet(newmail, tasktray, [&](COptionSheet* sheet) {
        for (const QString& text :
             {OptionText::Newmail, OptionText::Tasktray, OptionText::Startup}) {
            QCheckBox* box = checkBox(sheet->page1(), text);
            const bool was = box->isChecked();
            click(box);
            QCOMPARE(box->isChecked(), !was);
        }
        if (editAccount) {
            sheet->tabs()->setCurrentWidget(sheet->page2());
            QTest::keyClicks(sheet->page2()->findChildren<QLineEdit*>().first(), "jiro");
        }
        if (escape)
            QTest::keyClick(sheet, Qt::Key_Escape);
        else
            click(sheet->buttons()->button(QDialogButtonBox::Cancel));
    });
    QVERIFY(!ok);
    QCOMPARE(newmail, true);
    QCOMPARE(tasktray, false);
    QCOMPARE(storeBytes(), before);
    QVERIFY(!QFile::exists(entryFile()));
}

void TestOptionSheet::okStoresPageOne_data()
{
    QTest::addColumn<bool>("tickNewmail");
    QTest::addColumn<bool>("tickTasktray");
    QTest::newRow("nothing changed") << false << false;
    QTest::newRow("newmail on") << true << false;
    QTest::newRow("tasktray on") << false << true;
    QTest::newRow("both on") << true << true;
}

void TestOptionSheet::okStoresPageOne()
{
    QFETCH(bool, tickNewmail);
    QFETCH(bool, tickTasktray);
    writeString(QStringLiteral("UserName"), QStringLiteral("taro"));
    writeString(QStringLiteral("PassWord"), QStringLiteral("pa ss"));
    writeString(QStringLiteral("POPServer"), QStringLiteral("pop3s://pop.example.org"));

    bool newmail = false;
    bool tasktray = false;
    const bool ok = runSheet(newmail, tasktray, [&](COptionSheet* sheet) {
        if (tickNewmail)
            click(checkBox(sheet->page1(), OptionText::Newmail));
        if (tickTasktray)
            click(checkBox(sheet->page1(), OptionText::Tasktray));
        click(sheet->buttons()->button(QDialogButtonBox::Ok));
    });
    QVERIFY(ok);
    // The frame's flags follow at once.
    QCOMPARE(newmail, tickNewmail);
    QCOMPARE(tasktray, tickTasktray);
    QCOMPARE(readDword(QStringLiteral("Newmail")), qint64(tickNewmail));
    QCOMPARE(readDword(QStringLiteral("Tasktray")), qint64(tickTasktray));
    QCOMPARE(readDword(QStringLiteral("Startup")), qint64(0));
    // Page 2 was never opened: the account is written back as it was.
    QCOMPARE(readString(QStringLiteral("UserName")), QStringLiteral("taro"));
    QCOMPARE(readString(QStringLiteral("PassWord")), QStringLiteral("pa ss"));
    QCOMPARE(readString(QStringLiteral("POPServer")), QStringLiteral("pop3s://pop.example.org"));
}

void TestOptionSheet::passwordMaskedAndStoredAsTyped()
{
    bool newmail = false;
    bool tasktray = false;
    QString shown;
    QLineEdit::EchoMode mode = QLineEdit::Normal;
    const bool ok = runSheet(newmail, tasktray, [&](COptionSheet* sheet) {
        const QTabBar* bar = sheet->tabs()->tabBar();
        QTest::mouseClick(const_cast<QTabBar*>(bar), Qt::LeftButton, {}, bar->tabRect(1).center());
        const QList<QLineEdit*> edits = sheet->page2()->findChildren<QLineEdit*>();
        QLineEdit* password = nullptr;
        for (QLineEdit* e : edits)
            if (e->objectName() == QLatin1String("password"))
                password = e;
        QVERIFY(password);
        QTest::keyClicks(password, "S3cret pw");
        mode = password->echoMode();
        shown = password->displayText();
        click(sheet->buttons()->button(QDialogButtonBox::Ok));
    });
    QVERIFY(ok);
    QCOMPARE(mode, QLineEdit::Password);
    QCOMPARE(shown.size(), 9);
    QVERIFY(!shown.contains(QStringLiteral("S3cret")));
    QCOMPARE(readString(QStringLiteral("PassWord")), QStringLiteral("S3cret pw"));
}

// Values of 200 bytes and more used to read back empty and be blanked at the next OK.
void TestOptionSheet::longAccountValuesSurvive_data()
{
    QTest::addColumn<QString>("field");
    QTest::newRow("user name") << "userName";
    QTest::newRow("password") << "password";
    QTest::newRow("server") << "popServer";
}

void TestOptionSheet::longAccountValuesSurvive()
{
    QFETCH(QString, field);
    const QString typed = QString(120, u'x') + QStringLiteral(".") + QString(120, u'y');
    auto edit = [&](COptionSheet* sheet) {
        const QTabBar* bar = sheet->tabs()->tabBar();
        QTest::mouseClick(const_cast<QTabBar*>(bar), Qt::LeftButton, {}, bar->tabRect(1).center());
        return sheet->page2()->findChild<QLineEdit*>(field);
    };
    bool newmail = false;
    bool tasktray = false;
    QVERIFY(runSheet(newmail, tasktray, [&](COptionSheet* sheet) {
        QLineEdit* e = edit(sheet);
        QVERIFY(e);
        e->clear();
        QTest::keyClicks(e, typed);
        click(sheet->buttons()->button(QDialogButtonBox::Ok));
    }));
    // Opened again and closed with OK, untouched: the value is still whole.
    QString shown;
    QVERIFY(runSheet(newmail, tasktray, [&](COptionSheet* sheet) {
        shown = edit(sheet)->text();
        click(sheet->buttons()->button(QDialogButtonBox::Ok));
    }));
    QCOMPARE(shown, typed);
    QVERIFY(runSheet(newmail, tasktray, [&](COptionSheet* sheet) {
        shown = edit(sheet)->text();
        click(sheet->buttons()->button(QDialogButtonBox::Ok));
    }));
    QCOMPARE(shown, typed);
}

void TestOptionSheet::autostartEntry()
{
    bool newmail = false;
    bool tasktray = false;
    auto toggleStartupAndOk = [](COptionSheet* sheet) {
        click(checkBox(sheet->page1(), OptionText::Startup));
        click(sheet->buttons()->button(QDialogButtonBox::Ok));
    };
    auto justOk = [](COptionSheet* sheet) {
        click(sheet->buttons()->button(QDialogButtonBox::Ok));
    };

    QVERIFY(runSheet(newmail, tasktray, toggleStartupAndOk));
    QCOMPARE(readDword(QStringLiteral("Startup")), qint64(1));
    QCOMPARE(readString(QStringLiteral("Shortcut")), entryFile());
    QFile file(entryFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    file.close();
    QCOMPARE(lines.value(0), QStringLiteral("[Desktop Entry]"));
    QVERIFY(lines.contains(QStringLiteral("Type=Application")));
    QVERIFY(lines.contains(
        QStringLiteral("Exec=\"%1\" /Startup").arg(QCoreApplication::applicationFilePath())));

    // Every OK while the option is set writes the entry again.
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("damaged");
    file.close();
    QVERIFY(runSheet(newmail, tasktray, justOk));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith("[Desktop Entry]\n"));
    file.close();

    // Turning it off deletes the entry; "Shortcut" keeps naming where it was.
    QVERIFY(runSheet(newmail, tasktray, toggleStartupAndOk));
    QCOMPARE(readDword(QStringLiteral("Startup")), qint64(0));
    QVERIFY(!QFile::exists(entryFile()));
    QCOMPARE(readString(QStringLiteral("Shortcut")), entryFile());
}

void TestOptionSheet::execLine_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("exec");
    QTest::newRow("plain") << "/usr/bin/VOK_Address"
                           << "\"/usr/bin/VOK_Address\" /Startup";
    QTest::newRow("blank") << "/opt/My Apps/VOK_Address"
                           << "\"/opt/My Apps/VOK_Address\" /Startup";
    QTest::newRow("percent") << "/opt/100%/VOK_Address"
                             << "\"/opt/100%%/VOK_Address\" /Startup";
    // \$ inside the quotes, and the backslash itself escaped again in the value.
    QTest::newRow("dollar") << "/opt/a$b/VOK_Address"
                            << "\"/opt/a\\\\$b/VOK_Address\" /Startup";
    QTest::newRow("quote") << "/opt/a\"b/VOK_Address"
                           << "\"/opt/a\\\\\"b/VOK_Address\" /Startup";
    QTest::newRow("backslash") << "/opt/a\\b/VOK_Address"
                               << "\"/opt/a\\\\\\\\b/VOK_Address\" /Startup";
}

void TestOptionSheet::execLine()
{
    QFETCH(QString, program);
    QFETCH(QString, exec);
    QCOMPARE(AutostartEntry::execLine(program), exec);
    QVERIFY(AutostartEntry::contents(program).contains(QStringLiteral("\nExec=") + exec + u'\n'));
}

void TestOptionSheet::inputMethods_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("user name") << "userName" << true;
    QTest::newRow("password") << "password" << false;
    QTest::newRow("server") << "popServer" << false;
}

// What the desktop's input method asks when the field takes the focus: a host name or a
// password typed through kana conversion would arrive as kanji.
void TestOptionSheet::inputMethods()
{
    QFETCH(QString, field);
    QFETCH(bool, enabled);
    COptionPage2 page;
    page.show();
    auto* edit = page.findChild<QLineEdit*>(field);
    QVERIFY(edit);
    QInputMethodQueryEvent query(Qt::ImEnabled);
    QApplication::sendEvent(edit, &query);
    QCOMPARE(query.value(Qt::ImEnabled).toBool(), enabled);
}

VOK_TEST_MAIN(TestOptionSheet)
#include "tst_optionsheet.moc"
