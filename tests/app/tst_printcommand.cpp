#include "MessageBoxGuard.h"
#include "ModalDriver.h"
#include "PaneTestSupport.h"
#include "PdfText.h"
#include "PrintTestBook.h"
#include "TestMain.h"
#include "model/book/ContactExtras.h"
#include "model/text/Cp932.h"
#include "print/PrintText.h"
#include "settings/PrintSettings.h"
#include "settings/SenderSettings.h"
#include "ui/common/FileDialog.h"
#include "ui/print/PrintDialog.h"
#include "ui/print/PrintSetup.h"
#include "ui/print/PrintUiText.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

namespace {

template <typename T> T* child(QWidget* parent, const QString& name)
{
    return parent->findChild<T*>(name);
}

void click(QAbstractButton* button)
{
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
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
// the preview or a PDF file, looked at page by page. A dialog runs inside the key press or click
// that opens it, so when that returns the dialog has come and gone.
class TestPrintCommand : public QObject
{
    Q_OBJECT
    MessageBoxGuard m_boxes;
    std::unique_ptr<PaneTest::Frame> m_frame;

    PaneTest::Frame& frame(const QString& shown)
    {
        PaneTest::storeGroup(PrintTestBook::Group);
        m_frame = std::make_unique<PaneTest::Frame>();
        PrintTestBook::fill(*m_frame->frame->document());
        m_frame->show(shown);
        return *m_frame;
    }

    // Focuses the list or the tree, after selecting rows with clicks (Ctrl for further ones).
    void focusAndSelect(PaneTest::Frame& f, bool list, const QList<int>& rows = {})
    {
        // The offscreen platform gives the window no activation back when a dialog closes.
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

    // Ctrl+Shift+P; `act` plays the user's part in the print dialog. Returns the dialogs seen.
    int pressPrint(const std::function<void(QWidget*)>& act)
    {
        ModalDriver driver(act);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_P,
                        Qt::ControlModifier | Qt::ShiftModifier);
        return driver.seen();
    }

    int pressPrint(const QString& paper, bool office, const QString& button)
    {
        return pressPrint([&](QWidget* dialog) {
            click(child<QRadioButton>(dialog, paper));
            click(child<QRadioButton>(dialog, office ? "officeRadio" : "homeRadio"));
            click(child<QPushButton>(dialog, button));
        });
    }

private slots:
    void init()
    {
        m_frame.reset();
        PaneTest::startPaneTest();
        SenderSettings{PrintTestBook::Sender, "2310062", QStringLiteral("横浜市中区")}.save();
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
        const QString& group = PrintTestBook::Group;
        const QStringList& friends = PrintTestBook::Friends;
        QTest::newRow("two selected, postcards")
            << group << true << QList<int>{1, 3} << "postcardRadio" << false << 2 << QStringList();
        QTest::newRow("tree focused: the group, 12 labels")
            << group << false << QList<int>{1} << "label12Radio" << false << 1 << friends;
        QTest::newRow("list without selection: the group, 24 labels")
            << group << true << QList<int>{} << "label24Radio" << false << 1 << friends;
        QTest::newRow("the root: everyone, 12 labels")
            << CVOK_AddressDoc::RootName << false << QList<int>{} << "label12Radio" << false << 2
            << friends + PrintTestBook::Others;
        QTest::newRow("office addresses: those who have one")
            << group << false << QList<int>{} << "postcardRadio" << true << 4 << friends.mid(0, 4);
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
        for (int row : rows)
            printed << f.cell(row, 0);
        const QString pdf = TestEnv::root() + QStringLiteral("/addresses.pdf");
        QFile::remove(pdf);
        FileDialog::queueFileName(pdf);

        QCOMPARE(pressPrint(paper, office, "pdfButton"), 1);
        QCOMPARE(PdfText::pageCount(pdf), pages);
        const QString text = PdfText::text(pdf);
        for (const QString& name : PrintTestBook::Friends + PrintTestBook::Others)
            QVERIFY2(text.contains(PdfText::folded(name)) == printed.contains(name),
                     qPrintable(name + u' ' + text));
        // The sender from the options stands on every postcard, never on a label.
        const bool postcards = paper == QLatin1String("postcardRadio");
        QCOMPARE(text.count(PdfText::folded(PrintTestBook::Sender)), postcards ? pages : 0);
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
        PaneTest::Frame& f = frame(PrintTestBook::Group);
        focusAndSelect(f, true);
        int previewPages = -1;
        ModalDriver dialogs([&](QWidget* w) {
            if (auto* dialog = qobject_cast<PrintDialog*>(w)) {
                click(child<QRadioButton>(dialog, paper));
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
        // A right-click below the rows selects none: the menu prints the group.
        QTest::mousePress(f.list->viewport(), Qt::RightButton, {},
                          QPoint(5, f.list->viewport()->height() - 5));
        QTRY_COMPARE(dialogs.seen(), 2);
        QCOMPARE(previewPages, pages);
    }

    // The label sheet, or a layout's printer offset, moved 10 mm to the right lands 10 mm
    // further right in the PDF, and the next print run starts with the choices of this one.
    void movedAndRemembered_data()
    {
        QTest::addColumn<QString>("paper");
        QTest::addColumn<QString>("spin");
        QTest::newRow("label sheet margin") << "label12Radio"
                                            << "leftSpin";
        QTest::newRow("label offset") << "label12Radio"
                                      << "offsetXSpin";
        QTest::newRow("postcard offset") << "postcardRadio"
                                         << "offsetXSpin";
    }

    void movedAndRemembered()
    {
        if (!PdfText::havePoppler())
            QSKIP("poppler-utils (pdfinfo, pdftotext) are not installed");
        QFETCH(QString, paper);
        QFETCH(QString, spin);
        PaneTest::Frame& f = frame(PrintTestBook::Group);
        const QString before = TestEnv::root() + QStringLiteral("/before.pdf");
        const QString after = TestEnv::root() + QStringLiteral("/after.pdf");
        FileDialog::queueFileName(before);
        focusAndSelect(f, true);
        QCOMPARE(pressPrint(paper, true, "pdfButton"), 1);

        FileDialog::queueFileName(after);
        focusAndSelect(f, true);
        QCOMPARE(pressPrint([&](QWidget* dialog) {
                     QVERIFY(child<QRadioButton>(dialog, paper)->isChecked());
                     QVERIFY(child<QRadioButton>(dialog, "officeRadio")->isChecked());
                     auto* moved = child<QDoubleSpinBox>(dialog, spin);
                     moved->setFocus();
                     QTest::keyClick(moved, Qt::Key_A, Qt::ControlModifier);
                     QTest::keyClicks(moved, QString::number(moved->value() + 10.0, 'f', 1));
                     click(child<QPushButton>(dialog, "pdfButton"));
                 }),
                 1);
        const double shift = firstWordX(after) - firstWordX(before);
        QVERIFY2(qAbs(shift - 10.0 / 25.4 * 72.0) < 0.5, qPrintable(QString::number(shift)));
        const PrintSettings stored = PrintSettings::load();
        const bool postcard = paper == QLatin1String("postcardRadio");
        QCOMPARE(stored.layout, int(postcard ? PrintSettings::Postcard : PrintSettings::Label12));
        QVERIFY(stored.office);
        const bool offset = spin == QLatin1String("offsetXSpin");
        QCOMPARE(stored.label12.leftMm,
                 PrintSettings::defaultSheet(PrintSettings::Label12).leftMm + (offset ? 0 : 10.0));
        QCOMPARE(stored.offsets[postcard ? 0 : 1].xMm, offset ? 10.0 : 0.0);
        QCOMPARE(stored.offsets[postcard ? 1 : 0].xMm, 0.0);
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
        if (!emptyGroup)
            f.add({"住所なし", "", "Business"});
        focusAndSelect(f, true);
        QString note;
        QString leftOut;
        bool enabled = true;
        const int seen = pressPrint([&](QWidget* dialog) {
            note = child<QLabel>(dialog, "countLabel")->text();
            leftOut = child<QPlainTextEdit>(dialog, "leftOutText")->toPlainText();
            enabled = child<QPushButton>(dialog, "previewButton")->isEnabled() ||
                      child<QPushButton>(dialog, "pdfButton")->isEnabled();
            click(child<QPushButton>(dialog, "cancelButton"));
        });
        QCOMPARE(seen, emptyGroup ? 0 : 1);
        QCOMPARE(f.frame->commands()->action(ID_PRINT_ADDRESSES)->isEnabled(), !emptyGroup);
        if (!emptyGroup) {
            QVERIFY(!enabled);
            QCOMPARE(note, PrintUiText::NothingToPrint);
            // Named, with the reason.
            QCOMPARE(leftOut, PrintUiText::LeftOutCount.arg(1) + u'\n' +
                                  PrintUiText::NoteLine.arg(QStringLiteral("住所なし"),
                                                            PrintText::leftOutNoAddress()));
        }
    }

    // A 年賀状 run: the dialog's choice for 2027 leaves out the one in mourning and the one not
    // to be sent, names them, and after the PDF the printed contacts are marked sent, as one
    // Ctrl+Z.
    void nengaRunMarksThePrintedSent()
    {
        PaneTest::Frame& f = frame(PrintTestBook::Group);
        focusAndSelect(f, false);
        const QString pdf = TestEnv::root() + QStringLiteral("/nenga.pdf");
        FileDialog::queueFileName(pdf);
        MessageBox::queueAnswer(MessageBox::Yes);
        QString leftOut;
        QCOMPARE(pressPrint([&](QWidget* dialog) {
                     auto* filter = child<QComboBox>(dialog, "filterCombo");
                     filter->setFocus();
                     QTest::keyClick(filter, Qt::Key_Down);
                     auto* year = child<QSpinBox>(dialog, "yearSpin");
                     year->setFocus();
                     QTest::keyClick(year, Qt::Key_A, Qt::ControlModifier);
                     QTest::keyClicks(year, QStringLiteral("2027"));
                     QTest::keyClick(year, Qt::Key_Tab);
                     leftOut = child<QPlainTextEdit>(dialog, "leftOutText")->toPlainText();
                     click(child<QPushButton>(dialog, "pdfButton"));
                 }),
                 1);
        QVERIFY2(leftOut.contains(QStringLiteral("井上 — 喪中")) &&
                     leftOut.contains(QStringLiteral("上田 — 年賀状を送らない印")),
                 qPrintable(leftOut));
        QCOMPARE(PdfText::pageCount(pdf), 8);
        QCOMPARE(m_boxes.shown(), QStringList{PrintUiText::MarkSent.arg(8).arg(2027)});
        auto sent = [&] {
            QStringList names;
            for (const auto& record : f.frame->document()->records()) {
                const ContactExtras* extras = record->extras();
                const ContactExtras::Nenga* marks = extras ? extras->nengaOf(2027) : nullptr;
                if (marks && marks->sent)
                    names << QString::fromStdString(Cp932::toUtf8(record->name()));
            }
            return names;
        };
        QCOMPARE(sent(), QStringList{PrintTestBook::Friends[0]} + PrintTestBook::Friends.mid(3));
        // The marks they had stay: 浅野 is still marked to send.
        const ContactExtras::Nenga* first =
            (*f.frame->document()->records().begin())->extras()->nengaOf(2027);
        QVERIFY(first && first->send == ContactExtras::Nenga::Send::Send);
        focusAndSelect(f, true);
        QTest::keyClick(f.list, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(sent(), QStringList());
    }

    void pdfThatCannotBeWrittenIsReported()
    {
        PaneTest::Frame& f = frame(PrintTestBook::Group);
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
        for (const auto& [got, layout] : {std::pair{options.label12, PrintLayout::Label12},
                                          std::pair{options.label24, PrintLayout::Label24}}) {
            const LabelSheet want = LabelSheet::defaults(layout);
            QCOMPARE(QList<double>({got.marginLeftMm, got.marginTopMm, got.labelWidthMm,
                                    got.labelHeightMm, got.pitchXMm, got.pitchYMm}),
                     QList<double>({want.marginLeftMm, want.marginTopMm, want.labelWidthMm,
                                    want.labelHeightMm, want.pitchXMm, want.pitchYMm}));
        }
    }
};

VOK_TEST_MAIN(TestPrintCommand)
#include "tst_printcommand.moc"
