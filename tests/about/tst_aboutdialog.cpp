#include "ModalDriver.h"
#include "TestMain.h"
#include "ui/about/AboutText.h"
#include "ui/about/CAboutDialog.h"
#include "ui/about/HyperlinkStatic.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QHash>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

class TestAboutDialog : public QObject
{
    Q_OBJECT
public slots:
    // Stands in for the desktop's browser and mail program.
    void openUrl(const QUrl& url) { m_opened << url; }

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void texts();
    void versionText_data();
    void versionText();
    void linksLook();
    void clickOpens_data();
    void clickOpens();
    void unclickableOpensNothing();
    void settersChain();
    void okCloses();

private:
    QList<QUrl> m_opened;
};

void TestAboutDialog::initTestCase()
{
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), this, "openUrl");
}

void TestAboutDialog::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
}

void TestAboutDialog::init()
{
    m_opened.clear();
}

void TestAboutDialog::texts()
{
    CAboutDialog dlg;
    dlg.show();
    QCOMPARE(dlg.windowTitle(), QStringLiteral("VOK_Addressのﾊﾞｰｼﾞｮﾝ情報"));
    QStringList shown;
    for (QLabel* label : dlg.findChildren<QLabel*>())
        if (!label->text().isEmpty())
            shown << label->text();
    QVERIFY(shown.contains(QStringLiteral("VOK_Address Version ") + CAboutDialog::versionText()));
    QVERIFY(shown.contains(QStringLiteral("ホームページ：")));
    QVERIFY(shown.contains(QStringLiteral("メール：")));
    QCOMPARE(dlg.m_webLink->text(), AboutText::WebLink);
    QCOMPARE(dlg.m_mailLink->text(), AboutText::MailAddress);
    // The program's icon at the top left.
    bool icon = false;
    for (QLabel* label : dlg.findChildren<QLabel*>())
        icon = icon || !label->pixmap().isNull();
    QVERIFY(icon);
    // The focus starts on OK.
    QCOMPARE(dlg.focusWidget(), dlg.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok));
}

void TestAboutDialog::versionText_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("shown");
    QTest::newRow("1.0.0") << "1.0.0"
                           << "1.0";
    QTest::newRow("2.3.0") << "2.3.0"
                           << "2.3";
    QTest::newRow("1.2.3") << "1.2.3"
                           << "1.2.3";
    QTest::newRow("two parts") << "1.1"
                               << "1.1";
}

void TestAboutDialog::versionText()
{
    QFETCH(QString, version);
    QFETCH(QString, shown);
    QCOMPARE(CAboutDialog::versionText(version), shown);
}

void TestAboutDialog::linksLook()
{
    CAboutDialog dlg;
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    const QColor face = dlg.palette().color(QPalette::Window);
    for (HyperlinkStatic* link : {dlg.m_webLink, dlg.m_mailLink}) {
        QCOMPARE(link->linkColor(), QColor(0, 0, 255));
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QVERIFY(link->font().underline());
        // Our own hand, its finger tip the hot spot.
        QCOMPARE(link->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(link->cursor().hotSpot(), QPoint(12, 2));
        QCOMPARE(link->cursor().pixmap().size(), QSize(32, 32));
        QVERIFY(link->cursor().pixmap().toImage().pixelColor(12, 2).alpha() > 0);
        QVERIFY(link->isClickable());
        // Mostly the dialog's face, with blue text on it.
        const QImage image = link->grab().toImage();
        QHash<QRgb, int> counts;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                ++counts[image.pixel(x, y)];
        QRgb most = 0;
        for (auto it = counts.cbegin(); it != counts.cend(); ++it)
            if (it.value() > counts.value(most))
                most = it.key();
        QCOMPARE(QColor(most), face);
        QVERIFY(counts.contains(qRgb(0, 0, 255)));
    }
    // Beside the links the pointer stays an arrow.
    QCOMPARE(dlg.cursor().shape(), Qt::ArrowCursor);
    for (QLabel* label : dlg.findChildren<QLabel*>())
        if (!qobject_cast<HyperlinkStatic*>(label))
            QCOMPARE(label->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(!dlg.m_webLink->mailLink);
    QVERIFY(dlg.m_mailLink->mailLink);
}

void TestAboutDialog::clickOpens_data()
{
    QTest::addColumn<bool>("mail");
    QTest::addColumn<QString>("url");
    QTest::newRow("web link") << false << "https://vok-address.example.org/";
    QTest::newRow("mail link") << true << "mailto:support@vok-address.example.org";
}

void TestAboutDialog::clickOpens()
{
    QFETCH(bool, mail);
    QFETCH(QString, url);
    CAboutDialog dlg;
    dlg.show();
    HyperlinkStatic* link = mail ? dlg.m_mailLink : dlg.m_webLink;
    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(2, link->height() / 2));
    QCOMPARE(m_opened.size(), 1);
    QCOMPARE(m_opened.first(), QUrl(url));
    QCOMPARE(link->target(),
             mail ? QStringLiteral("MAILTO:") + AboutText::MailAddress : AboutText::WebLink);
    QVERIFY(dlg.isVisible()); // a click does not close the box
    // Only the left button opens.
    QTest::mouseClick(link, Qt::RightButton, {}, QPoint(2, link->height() / 2));
    QCOMPARE(m_opened.size(), 1);
}

void TestAboutDialog::unclickableOpensNothing()
{
    QWidget parent;
    auto* link = new HyperlinkStatic(&parent);
    link->setText(QStringLiteral("https://vok-address.example.org/never"));
    link->SetLinkColor(Qt::blue).SetUnderline(true);
    parent.show();
    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(2, link->height() / 2));
    QVERIFY(m_opened.isEmpty());
    link->SetClickable(true);
    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(2, link->height() / 2));
    QCOMPARE(m_opened.size(), 1);
    link->SetClickable(false);
    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(2, link->height() / 2));
    QCOMPARE(m_opened.size(), 1);
}

void TestAboutDialog::settersChain()
{
    HyperlinkStatic link;
    QCOMPARE(link.linkColor(), link.palette().color(QPalette::WindowText));
    QVERIFY(!link.font().underline());
    QCOMPARE(&link.SetClickable(true), &link);
    QCOMPARE(&link.SetLinkColor(QColor(1, 2, 3)), &link);
    QCOMPARE(&link.SetUnderline(true), &link);
    QCOMPARE(&link.SetHoverCursor(QCursor(Qt::PointingHandCursor)), &link);
    QCOMPARE(link.linkColor(), QColor(1, 2, 3));
    QVERIFY(link.font().underline());
    link.SetUnderline(false);
    QVERIFY(!link.font().underline());
}

void TestAboutDialog::okCloses()
{
    CAboutDialog dlg;
    ModalDriver clicker([&dlg](QWidget*) {
        QTest::mouseClick(dlg.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                          Qt::LeftButton);
    });
    QCOMPARE(dlg.exec(), int(QDialog::Accepted));
}

VOK_TEST_MAIN(TestAboutDialog)
#include "tst_aboutdialog.moc"
