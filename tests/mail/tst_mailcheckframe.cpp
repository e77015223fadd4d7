#include "FakePop3Server.h"
#include "MessageBoxGuard.h"
#include "ModalDriver.h"
#include "TestMain.h"
#include "app/CMainFrame.h"
#include "app/TrayIcon.h"
#include "mail/MailCheck.h"
#include "mail/MailText.h"
#include "resource.h"
#include "settings/RegistryKey.h"
#include "settings/SettingsKeys.h"
#include "ui/about/CAboutDialog.h"
#include "ui/common/CommandTable.h"
#include "ui/common/MessageBox.h"
#include "ui/options/COptionPage1.h"
#include "ui/options/COptionSheet.h"
#include "ui/options/OptionText.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

namespace {

const QString kOption = QString::fromLatin1(SettingsKeys::OptionKey);

void writeAccount(const QString& server)
{
    RegistryKey key;
    key.Open(kOption);
    key.WriteString(QStringLiteral("UserName"), QStringLiteral("taro"));
    key.WriteString(QStringLiteral("PassWord"), QStringLiteral("secret"));
    if (!server.isEmpty())
        key.WriteString(QStringLiteral("POPServer"), server);
    key.WriteDword(QStringLiteral("MailMsg"), 1);
}

void clickOk(QWidget* dialog)
{
    QPushButton* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    QTest::mouseClick(ok, Qt::LeftButton);
}

} // namespace

// The mail check, the options sheet and the about box as the main window runs them.
class TestMailCheckFrame : public QObject
{
    Q_OBJECT
    MessageBoxGuard m_boxes; // message boxes answered and recorded by the tests
private slots:
    void initTestCase();
    void init();
    void incompleteAccountShowsOnlyTheMessage();
    void resultInPaneAndTooltip_data();
    void resultInPaneAndTooltip();
    void endingWhileACheckWaits();
    void optionsUpdateTheFrameAtOnce();
    void trayOptionWithoutTray_data();
    void trayOptionWithoutTray();
    void aboutBox();
    void newTrayGetsTheFirstIcon_data();
    void newTrayGetsTheFirstIcon();
};

void TestMailCheckFrame::initTestCase()
{
    TrayIcon::setAvailableForTesting(true);
}

void TestMailCheckFrame::init()
{
    QFile::remove(RegistryKey::storePath());
    MessageBox::shownTexts().clear();
}

void TestMailCheckFrame::incompleteAccountShowsOnlyTheMessage()
{
    writeAccount(QString()); // no server
    CMainFrame frame;
    const QString paneBefore = frame.mailPaneText();
    const QString tipBefore = frame.tray()->icon()->toolTip();
    QVERIFY(frame.commands()->execute(ID_MAIL_CHECK));
    QCOMPARE(MessageBox::shownTexts(), QStringList{MailText::AccountMissing});
    QCOMPARE(frame.mailPaneText(), paneBefore);
    QCOMPARE(frame.tray()->icon()->toolTip(), tipBefore);
    QCOMPARE(frame.mailCheck()->runningChecks(), 0);
}

void TestMailCheckFrame::resultInPaneAndTooltip_data()
{
    QTest::addColumn<bool>("reachable");
    QTest::addColumn<bool>("tray");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title"); // without a tray the count is seen in the title
    const QString plain = QStringLiteral("VOK_Address - VOK System");
    const QString count = QStringLiteral("VOK_Address: You have Mail = 4 ");
    const QString failed = QStringLiteral("VOK_Address: POP server cannot be connected ...");
    QTest::newRow("four messages") << true << true << count << plain;
    QTest::newRow("nobody listening") << false << true << failed << plain;
    QTest::newRow("four messages, no tray")
        << true << false << count << QStringLiteral("VOK_Address - VOK System - メール 4 通");
    QTest::newRow("nobody listening, no tray") << false << false << failed << plain;
}

void TestMailCheckFrame::resultInPaneAndTooltip()
{
    QFETCH(bool, reachable);
    QFETCH(bool, tray);
    QFETCH(QString, text);
    QFETCH(QString, title);
    TrayIcon::setAvailableForTesting(tray);
    auto restore = qScopeGuard([] { TrayIcon::setAvailableForTesting(true); });
    FakePop3Server::Script script;
    script.replies["STAT"] = {"+OK 4 400\r\n"};
    FakePop3Server server(script);
    writeAccount(reachable ? server.address()
                           : QStringLiteral("127.0.0.1:%1").arg(FakePop3Server::closedPort()));

    CMainFrame frame;
    QVERIFY(frame.commands()->execute(ID_MAIL_CHECK));
    QCOMPARE(frame.mailPaneText(), MailText::Checking);
    QTRY_COMPARE_WITH_TIMEOUT(frame.mailPaneText(), text, 15000);
    QCOMPARE(frame.tray()->icon()->toolTip(), text);
    QCOMPARE(frame.windowTitle(), title);
    QCOMPARE(MessageBox::shownTexts(), QStringList());
    QTRY_COMPARE(frame.mailCheck()->runningChecks(), 0);
}

void TestMailCheckFrame::endingWhileACheckWaits()
{
    FakePop3Server::Script script;
    script.silent = true;
    FakePop3Server server(script);
    writeAccount(server.address());

    auto frame = std::make_unique<CMainFrame>();
    // Far beyond the test's own limit: only giving up at the end can stop this check.
    frame->mailCheck()->setTimeouts(3600 * 1000, 3600 * 1000);
    QVERIFY(frame->commands()->execute(ID_MAIL_CHECK));
    QTRY_COMPARE(server.connections(), 1);
    QCOMPARE(frame->mailCheck()->runningChecks(), 1);
    frame.reset();
    QVERIFY(!frame);
}

void TestMailCheckFrame::optionsUpdateTheFrameAtOnce()
{
    CMainFrame frame;
    QVERIFY(!frame.m_bNewmail);
    QVERIFY(!frame.m_bTasktray);
    ModalDriver watcher([](QWidget* w) {
        auto* sheet = qobject_cast<COptionSheet*>(w);
        QVERIFY(sheet);
        for (QCheckBox* box : sheet->page1()->findChildren<QCheckBox*>())
            if (box->text() == OptionText::Newmail || box->text() == OptionText::Tasktray)
                QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
        clickOk(sheet);
    });
    QVERIFY(frame.commands()->execute(ID_OPTIONS));
    QCOMPARE(watcher.seen(), 1);
    QVERIFY(frame.m_bNewmail);
    QVERIFY(frame.m_bTasktray);
}

void TestMailCheckFrame::trayOptionWithoutTray_data()
{
    QTest::addColumn<bool>("tray");
    QTest::newRow("tray") << true;
    QTest::newRow("no tray") << false;
}

// The tray's double-click option has nothing to act on without a tray: greyed, and said why.
void TestMailCheckFrame::trayOptionWithoutTray()
{
    QFETCH(bool, tray);
    TrayIcon::setAvailableForTesting(tray);
    auto restore = qScopeGuard([] { TrayIcon::setAvailableForTesting(true); });
    CMainFrame frame;
    bool enabled = false;
    QStringList shownTexts;
    ModalDriver watcher([&](QWidget* w) {
        auto* sheet = qobject_cast<COptionSheet*>(w);
        QVERIFY(sheet);
        for (QCheckBox* box : sheet->page1()->findChildren<QCheckBox*>())
            if (box->text() == OptionText::Tasktray)
                enabled = box->isEnabled();
        for (QLabel* label : sheet->page1()->findChildren<QLabel*>())
            if (label->isVisible() && !label->text().isEmpty())
                shownTexts << label->text();
        clickOk(sheet);
    });
    QVERIFY(frame.commands()->execute(ID_OPTIONS));
    QCOMPARE(watcher.seen(), 1);
    QCOMPARE(enabled, tray);
    QCOMPARE(shownTexts, tray ? QStringList() : QStringList{OptionText::TasktrayNoTray});
}

void TestMailCheckFrame::aboutBox()
{
    CMainFrame frame;
    QString title;
    ModalDriver watcher([&title](QWidget* w) {
        auto* about = qobject_cast<CAboutDialog*>(w);
        QVERIFY(about);
        title = about->windowTitle();
        clickOk(about);
    });
    QVERIFY(frame.commands()->execute(ID_APP_ABOUT));
    QCOMPARE(watcher.seen(), 1);
    QCOMPARE(title, QStringLiteral("VOK_Addressのﾊﾞｰｼﾞｮﾝ情報"));
}

void TestMailCheckFrame::newTrayGetsTheFirstIcon_data()
{
    QTest::addColumn<int>("iconId");
    QTest::addColumn<QString>("tip");
    QTest::newRow("after a result") << int(IDI_TRAY) << "VOK_Address: You have Mail = 2 ";
    QTest::newRow("while animating") << int(IDI_ANIMATION_2) << "VOK_Address: Mail checking...";
    QTest::newRow("after the tip went back") << int(IDI_TRAY) << "VOK_Address";
}

void TestMailCheckFrame::newTrayGetsTheFirstIcon()
{
    QFETCH(int, iconId);
    QFETCH(QString, tip);
    auto picture = [](const QIcon& icon) { return icon.pixmap(32, 32).toImage(); };
    CMainFrame frame;
    frame.tray()->SetTrayIcon(iconId);
    frame.tray()->SetTrayTip(tip);
    QCOMPARE(frame.tray()->icon()->toolTip(), tip);
    QCOMPARE(picture(frame.tray()->icon()->icon()) == picture(TrayIcon::iconForId(IDI_TRAY)),
             iconId == IDI_TRAY);

    frame.tray()->OnTaskbarCreated();
    QCOMPARE(frame.tray()->icon()->toolTip(), QStringLiteral("VOK_Address "));
    QCOMPARE(picture(frame.tray()->icon()->icon()), picture(TrayIcon::iconForId(IDI_TRAY)));
    QVERIFY(frame.tray()->icon()->isVisible());
}

VOK_TEST_MAIN(TestMailCheckFrame)
#include "tst_mailcheckframe.moc"
