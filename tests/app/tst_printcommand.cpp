#include "MessageBoxGuard.h"
#include "ModalDriver.h"
#include "PaneTestSupport.h"
#include "PdfText.h"
#include "TestMain.h"
#include "settings/PrintSettings.h"
#include "settings/SenderSettings.h"
#include "ui/common/FileDialog.h"
#include "ui/print/CPrintDialog.h"
#include "ui/print/PrintSetup.h"
#include "ui/print/PrintUiText.h"

#include <QDoubleSpinBox>
#include <QLabel>
#include <QMenu>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QRadioButton>

namespace {

const QString kGroup = QStringLiteral("友人");
const QString kSender = QStringLiteral("差出花子");
// Ten friends; the first four have an office address as well.
const QStringList kFriends{"浅野", "井上", "上田", "江藤", "大野",
                           "加藤", "木村", "工藤", "小林", "佐藤"};
const QStringList kOthers{"杉山", "田中", "中村"};

void addContact(CVOK_AddressDoc* doc, const QString& name, const QString& group, bool office)
{
    auto r = std::make_unique<AddressRecord>();
    r->setField(AddressRecord::Name, Text::toCp932Lossy(name));
    r->setField(AddressRecord::Group, Text::toCp932Lossy(group));
    r->setField(AddressRecord::PostalCode, "100-0005");
    r->setField(AddressRecord::Address,
                Text::toCp932Lossy(QStringLiteral("東京都千代田区丸の内1-2-3")));
    if (office) {
        r->setField(AddressRecord::Company, Text::toCp932Lossy(QStringLiteral("株式会社ＶＯＫ")));
        r->setField(AddressRecord::OfficePostalCode, "530-0001");
        r->setField(AddressRecord::OfficeAddress,
                    Text::toCp932Lossy(QStringLiteral("大阪市北区梅田2-4-9")));
    }
    doc->AddRecord(std::move(r));
}

template <typename T> T* child(QWidget* parent, const char* name)
{
    return parent->findChild<T*>(QString::fromLatin1(name));
}

void click(QAbstractButton* button)
{
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton, {},
                      QPoint(qMin(8, button->width() / 2), button->height() / 2));
}

// The x of the first word on the first page, in points.
double firstWordX(const QString& pdf)
{
    const QString html =
        PdfText::run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-l"),
                                                   QStringLiteral("1"), pdf, QStringLiteral("-")});
    const auto m = QRegularExpression(QStringLiteral("<word xMin=\"([0-9.]+)\"")).match(html);
    return m.hasMatch() ? m.captured(1).toDouble() : -1;
}

} // namespace

// The print command as the user reaches it: its key or the list's menu, the print dialog, then
// the preview or a PDF file, looked at page by page.
class TestPrintCommand : public QObject
{
    Q_OBJECT
    MessageBoxGuard m_boxes;
    std::unique_ptr<PaneTest::Frame> m_frame;

    PaneTest::Frame& frame(const QString& shown)
    {
        PaneTest::storeGroup(kGroup);
        m_frame = std::make_unique<PaneTest::Frame>();
        CVOK_AddressDoc* doc = m_frame->frame->document();
        for (int i = 0; i < kFriends.size(); ++i)
            addContact(doc, kFriends[i], kGroup, i < 4);
        for (const QString& name : kOthers)
            addContact(doc, name, QStringLiteral("Private"), false);
        m_frame->show(shown);
        return *m_frame;
    }

    // Focuses the list or the tree and selects the rows with clicks (Ctrl for the further ones).
    void focusAndSelect(PaneTest::Frame& f, bool list, const QList<int>& rows)
    {
        // The offscreen platform gives the window back no activation when a dialog closes.
        f.frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.frame.get()));
        for (int i = 0; i < rows.size(); ++i) {
            const QRect rect = f.list->visualRect(f.list->model()->index(rows[i], 0));
            QTest::mouseClick(f.list->viewport(), Qt::LeftButton,
                              i ? Qt::ControlModifier : Qt::NoModifier, rect.center());
        }
        QWidget* target = list ? static_cast<QWidget*>(f.list) : f.tree;
        target->setFocus(Qt::OtherFocusReason);
        QTRY_COMPARE(QApplication::focusWidget(), target);
    }

    // Ctrl+Shift+P, then in the print dialog the paper and address, then `button`.
    int pressPrint(const char* paper, bool office, const char* button)
    {
        ModalDriver driver([&](QWidget* w) {
            if (auto* dialog = qobject_cast<CPrintDialog*>(w)) {
                click(child<QRadioButton>(dialog, paper));
                click(child<QRadioButton>(dialog, office ? "officeRadio" : "homeRadio"));
                click(child<QPushButton>(dialog, button));
            }
        });
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_P,
                        Qt::ControlModifier | Qt::ShiftModifier);
        return driver.seen();
    }

private slots:
    void init()
    {
        m_frame.reset();
        PaneTest::startPaneTest();
        SenderSettings{kSender, QStringLiteral("2310062"), QStringLiteral("横浜市中区桜木町1-1")}
            .save();
    }
    void cleanup() { m_frame.reset(); }

    void printsTheSelectionOrTheShownGroup_data()
    {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("listFocused");
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<QString>("paper");
        QTest::addColumn<bool>("office");
        QTest::addColumn<int>("pages");
        QTest::addColumn<QStringList>("printed"); // empty: the selected rows' names
        QTest::newRow("two selected, postcards")
            << kGroup << true << QList<int>{1, 3} << "postcardRadio" << false << 2 << QStringList();
        QTest::newRow("tree focused: the group, 12 labels")
            << kGroup << false << QList<int>{1} << "label12Radio" << false << 1 << kFriends;
        QTest::newRow("list without selection: the group, 24 labels")
            << kGroup << true << QList<int>{} << "label24Radio" << false << 1 << kFriends;
        QTest::newRow("the root: everyone, 12 labels")
            << CVOK_AddressDoc::RootName << false << QList<int>{} << "label12Radio" << false << 2
            << kFriends + kOthers;
        QTest::newRow("office addresses: those who have one")
            << kGroup << false << QList<int>{} << "postcardRadio" << true << 4
            << kFriends.mid(0, 4);
    }

    void printsTheSelectionOrTheShownGroup()
    {
        if (!PdfText::havePoppler())
            QSKIP("poppler-utils (pdfinfo, pdftotext) are not installed");
        QFETCH(QString, shown);
        QFETCH(bool, listFocused);
        QFETCH(QList<int>, rows);
        QFETCH(QString, paper);
        QFETCH(bool, office);
        QFETCH(int, pages);
        QFETCH(QStringList, printed);
        PaneTest::Frame& f = frame(shown);
        focusAndSelect(f, listFocused, rows);
        if (printed.isEmpty()) {
            for (int row : rows)
                printed << f.cell(row, 0);
        }
        const QString pdf = TestEnv::root() + QStringLiteral("/addresses.pdf");
        QFile::remove(pdf);
        FileDialog::queueFileName(pdf);

        QCOMPARE(pressPrint(paper.toLatin1().constData(), office, "pdfButton"), 1);
        QCOMPARE(PdfText::pageCount(pdf), pages);
        const QString text = PdfText::text(pdf);
        for (const QString& name : kFriends + kOthers)
            QVERIFY2(text.contains(PdfText::folded(name)) == printed.contains(name),
                     qPrintable(name + u' ' + text));
        // The sender from the options stands on every postcard, never on a label.
        const bool postcards = paper == QLatin1String("postcardRadio");
        QCOMPARE(text.count(PdfText::folded(kSender)), postcards ? pages : 0);
        QVERIFY(m_boxes.shown().isEmpty());
    }

    // From the list's context menu to the preview, which holds every page.
    void previewShowsEveryPage_data()
    {
        QTest::addColumn<QString>("paper");
        QTest::addColumn<int>("pages");
        QTest::newRow("postcards") << "postcardRadio" << 10;
        QTest::newRow("12 labels") << "label12Radio" << 1;
    }

    void previewShowsEveryPage()
    {
        QFETCH(QString, paper);
        QFETCH(int, pages);
        PaneTest::Frame& f = frame(kGroup);
        focusAndSelect(f, true, {});
        int previewPages = -1;
        ModalDriver dialogs([&](QWidget* w) {
            if (auto* dialog = qobject_cast<CPrintDialog*>(w)) {
                click(child<QRadioButton>(dialog, paper.toLatin1().constData()));
                click(child<QPushButton>(dialog, "previewButton"));
            } else if (auto* preview = qobject_cast<QPrintPreviewDialog*>(w)) {
                previewPages = preview->findChild<QPrintPreviewWidget*>()->pageCount();
                preview->reject();
            }
        });
        ModalDriver menus(
            [](QWidget* w) {
                auto* menu = qobject_cast<QMenu*>(w);
                for (QAction* action : menu ? menu->actions() : QList<QAction*>()) {
                    if (action->data().toInt() == ID_PRINT_ADDRESSES && action->isEnabled())
                        QTest::mouseClick(menu, Qt::LeftButton, {},
                                          menu->actionGeometry(action).center());
                }
            },
            ModalDriver::Popups);
        // A right-click on an empty part of the list keeps the selection empty: the group.
        QTest::mousePress(f.list->viewport(), Qt::RightButton, {},
                          QPoint(5, f.list->viewport()->height() - 5));
        QTRY_COMPARE(dialogs.seen(), 2);
        QCOMPARE(previewPages, pages);
    }

    // The label sheet moved 10 mm to the right lands 10 mm further right in the PDF, and the
    // next print run starts with the choices of this one.
    void labelSheetAdjustedAndRemembered()
    {
        if (!PdfText::havePoppler())
            QSKIP("poppler-utils (pdfinfo, pdftotext) are not installed");
        PaneTest::Frame& f = frame(kGroup);
        focusAndSelect(f, true, {});
        const QString before = TestEnv::root() + QStringLiteral("/before.pdf");
        FileDialog::queueFileName(before);
        QCOMPARE(pressPrint("label12Radio", true, "pdfButton"), 1);

        const QString after = TestEnv::root() + QStringLiteral("/after.pdf");
        FileDialog::queueFileName(after);
        focusAndSelect(f, true, {});
        ModalDriver driver([&](QWidget* w) {
            auto* dialog = qobject_cast<CPrintDialog*>(w);
            QVERIFY(dialog);
            QVERIFY(child<QRadioButton>(dialog, "label12Radio")->isChecked());
            QVERIFY(child<QRadioButton>(dialog, "officeRadio")->isChecked());
            auto* left = child<QDoubleSpinBox>(dialog, "leftSpin");
            left->setFocus();
            QTest::keyClick(left, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(left, QString::number(left->value() + 10.0, 'f', 1));
            click(child<QPushButton>(dialog, "pdfButton"));
        });
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_P,
                        Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(driver.seen(), 1);
        const double shift = firstWordX(after) - firstWordX(before);
        QVERIFY2(qAbs(shift - 10.0 / 25.4 * 72.0) < 0.5, qPrintable(QString::number(shift)));
        const PrintSettings stored = PrintSettings::load();
        QCOMPARE(stored.layout, int(PrintSettings::Label12));
        QVERIFY(stored.office);
        QCOMPARE(stored.label12.leftMm,
                 PrintSettings::defaultSheet(PrintSettings::Label12).leftMm + 10.0);
        QCOMPARE(stored.label24, PrintSettings::defaultSheet(PrintSettings::Label24));
    }

    void nothingToPrint_data()
    {
        QTest::addColumn<bool>("emptyGroup");
        QTest::newRow("empty group: the command is greyed") << true;
        QTest::newRow("no addresses: the dialog says so") << false;
    }

    void nothingToPrint()
    {
        QFETCH(bool, emptyGroup);
        PaneTest::Frame& f = frame(QStringLiteral("Business"));
        if (!emptyGroup) {
            auto r = std::make_unique<AddressRecord>();
            r->setField(AddressRecord::Name, PaneTest::cp("住所なし"));
            r->setField(AddressRecord::Group, "Business");
            f.frame->document()->AddRecord(std::move(r));
        }
        focusAndSelect(f, true, {});
        QString note;
        bool buttonsEnabled = true;
        ModalDriver driver([&](QWidget* w) {
            note = child<QLabel>(w, "countLabel")->text();
            buttonsEnabled = child<QPushButton>(w, "previewButton")->isEnabled() ||
                             child<QPushButton>(w, "pdfButton")->isEnabled();
            click(child<QPushButton>(w, "cancelButton"));
        });
        // A dialog runs inside the key press: when it returns, the dialog has come and gone.
        QTest::keyClick(f.list, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(driver.seen(), emptyGroup ? 0 : 1);
        QCOMPARE(f.frame->commands()->action(ID_PRINT_ADDRESSES)->isEnabled(), !emptyGroup);
        if (!emptyGroup) {
            QVERIFY(!buttonsEnabled);
            QVERIFY2(note.contains(PrintUiText::NothingToPrint), qPrintable(note));
            QVERIFY2(note.contains(PrintUiText::Skipped.arg(1)), qPrintable(note));
        }
    }

    void pdfThatCannotBeWrittenIsReported()
    {
        PaneTest::Frame& f = frame(kGroup);
        focusAndSelect(f, true, {0});
        const QString pdf = TestEnv::root() + QStringLiteral("/missing/folder.pdf");
        FileDialog::queueFileName(pdf);
        QCOMPARE(pressPrint("postcardRadio", false, "pdfButton"), 1);
        QCOMPARE(m_boxes.shown(), QStringList{PrintUiText::PdfFailed.arg(pdf)});
    }

    // The settings' label sheets and printing's own must not drift apart.
    void storedDefaultsAreTheSheetsOfPrinting()
    {
        const PrintOptions options = PrintSetup::options(PrintSettings());
        for (PrintLayout layout : {PrintLayout::Label12, PrintLayout::Label24}) {
            const LabelSheet& got =
                layout == PrintLayout::Label12 ? options.label12 : options.label24;
            const LabelSheet want = LabelSheet::defaults(layout);
            QCOMPARE(got.marginLeftMm, want.marginLeftMm);
            QCOMPARE(got.marginTopMm, want.marginTopMm);
            QCOMPARE(got.labelWidthMm, want.labelWidthMm);
            QCOMPARE(got.labelHeightMm, want.labelHeightMm);
            QCOMPARE(got.pitchXMm, want.pitchXMm);
            QCOMPARE(got.pitchYMm, want.pitchYMm);
        }
    }
};

VOK_TEST_MAIN(TestPrintCommand)
#include "tst_printcommand.moc"
