#include "MessageBoxGuard.h"
#include "ModalDriver.h"
#include "PaneTestSupport.h"
#include "TestMain.h"

#include "app/AppText.h"
#include "core/BookImport.h"
#include "model/storage/AddressFile.h"
#include "settings/GroupStore.h"
#include "ui/common/FileDialog.h"
#include "ui/common/LongWork.h"
#include "ui/contact/CInfomationSheet.h"
#include "ui/contact/ContactEditor.h"
#include "ui/exchange/CsvImportDialog.h"
#include "ui/exchange/ImportSummaryDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QTableWidget>
#include <QTimer>
#include <QUrl>
#include <functional>

using namespace PaneTest;

namespace {

const QString kImportFailed = QStringLiteral("Importに失敗しました。管理者に連絡して下さい。");
const QString kNotAddressBook =
    QStringLiteral("このファイルはvCardでもCSVでもないため、Importできません。");

QByteArray sj(const QString& text)
{
    return QByteArray::fromStdString(cp(text.toUtf8().constData()));
}

// Quoted-printable of the text's Shift_JIS bytes, every byte escaped as phones write it.
QByteArray qp(const QString& text)
{
    QByteArray out;
    for (const char c : sj(text))
        out += '=' + QByteArray::number(static_cast<unsigned char>(c), 16).toUpper();
    return out;
}

// "名前=value" pairs of the named fields; fields not named are empty, the group is checked
// separately. Line breaks in expected values are written "\n" and compared as CR LF.
QString mismatch(const AddressRecord& record, const QStringList& expect)
{
    static const QStringList names = {
        "名前",           "電子メール",       "郵便番号",       "住所",
        "電話番号",       "携帯電話番号",     "FAX番号",        "メモ",
        "勤務先名",       "勤務先電子メール", "勤務先郵便番号", "勤務先住所",
        "勤務先電話番号", "勤務先FAX番号",    "勤務先メモ",     "グループ"};
    QStringList want(AddressRecord::FieldCount);
    for (const QString& e : expect) {
        const qsizetype eq = e.indexOf(u'=');
        want[names.indexOf(e.left(eq))] = e.mid(eq + 1).replace(u'\n', QStringLiteral("\r\n"));
    }
    QStringList diffs;
    for (int f = 0; f < AddressRecord::FieldCount; ++f) {
        const QString have = Text::fromCp932(record.field(f));
        if (have != want[f])
            diffs << names[f] + QStringLiteral(": [") + have + QStringLiteral("] expected [") +
                         want[f] + u']';
    }
    return diffs.join(QStringLiteral("; "));
}

const AddressRecord* byName(CVOK_AddressDoc& doc, const QString& name)
{
    for (const auto& r : doc.records()) {
        if (Text::fromCp932(r->name()) == name)
            return r.get();
    }
    return nullptr;
}

// Opens the combo box's list with the mouse and clicks the entry with this text.
void chooseInCombo(QComboBox* combo, const QString& text)
{
    const int index = combo->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    QTest::mouseClick(combo, Qt::LeftButton);
    QAbstractItemView* view = combo->view();
    QTRY_VERIFY(view->isVisible());
    // A release right after the list opened is taken as the end of the opening click.
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    const QModelIndex item = view->model()->index(index, 0);
    view->scrollTo(item);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(item).center());
    QTRY_VERIFY(!view->isVisible());
    QCOMPARE(combo->currentText(), text);
}

// Clicks a button, or a check box on its box (its row may be wider than its text).
void click(QAbstractButton* button)
{
    QPoint at = button->rect().center();
    if (auto* box = qobject_cast<QCheckBox*>(button)) {
        QStyleOptionButton option;
        option.initFrom(box);
        at = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box).center();
    }
    QTest::mouseClick(button, Qt::LeftButton, {}, at);
}

void click(QWidget* parent, const char* name)
{
    auto* button = parent->findChild<QAbstractButton*>(QString::fromLatin1(name));
    QVERIFY2(button, name);
    click(button);
}

} // namespace

class TestFileImport : public QObject
{
    Q_OBJECT
    MessageBoxGuard m_boxes;
    std::unique_ptr<Frame> m_f;

    // What the dialogs showed, and what the test does in them.
    std::function<void(CsvImportDialog*)> m_onPreview;
    QStringList m_unticked; // groups the test unticks in the summary
    int m_previews = 0;
    int m_summaries = 0;
    QString m_summaryText;
    QStringList m_offeredGroups;
    QStringList m_log; // the dialogs in the order they came
    std::unique_ptr<ModalDriver> m_driver;

    void driveDialogs()
    {
        m_driver = std::make_unique<ModalDriver>([this](QWidget* w) {
            if (auto* preview = qobject_cast<CsvImportDialog*>(w)) {
                ++m_previews;
                m_log << QStringLiteral("preview");
                if (m_onPreview)
                    m_onPreview(preview);
                click(preview, "importButton");
            } else if (auto* summary = qobject_cast<ImportSummaryDialog*>(w)) {
                ++m_summaries;
                m_log << QStringLiteral("summary");
                m_summaryText = summary->findChild<QLabel*>(QStringLiteral("countLabel"))->text() +
                                u'\n' + summary->details();
                for (QCheckBox* box : summary->findChildren<QCheckBox*>()) {
                    m_offeredGroups << box->text();
                    if (m_unticked.contains(box->text()))
                        click(box);
                }
                click(summary, "okButton");
            } else if (auto* sheet = qobject_cast<CInfomationSheet*>(w)) {
                click(sheet->buttons()->button(QDialogButtonBox::Ok));
                if (sheet->isVisible())
                    sheet->reject(); // it refused what it shows
            }
        });
    }

    // Ctrl+I where the user's focus is, the file dialog answered with the path.
    void importByShortcut(const QString& path)
    {
        FileDialog::queueFileName(path);
        QApplication::setActiveWindow(m_f->frame.get());
        m_f->tree->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_I, Qt::ControlModifier);
        QTRY_VERIFY(!QApplication::activeModalWidget());
    }

    // The user's groups in the tree, after the three fixed ones.
    QStringList treeGroups() const
    {
        QStringList names;
        QTreeWidgetItem* root = m_f->tree->rootItem();
        for (int i = 3; i < root->childCount(); ++i)
            names << root->child(i)->text(0);
        return names;
    }

private slots:
    void init()
    {
        startPaneTest();
        m_f = std::make_unique<Frame>();
        QVERIFY(m_f->exposed);
        m_onPreview = nullptr;
        m_unticked.clear();
        m_previews = m_summaries = 0;
        m_summaryText.clear();
        m_offeredGroups.clear();
        m_log.clear();
        driveDialogs();
    }
    void cleanup()
    {
        BookImport::setImportSliceForTesting(BookImport::ImportSlice, BookImport::MostSlices);
        m_driver.reset();
        m_f.reset();
        clearStore();
    }

    void byContent_data();
    void byContent();
    void csvPreview_data();
    void csvPreview();
    void summaryGroups_data();
    void summaryGroups();
    void droppedFiles();
    void exportAndBack_data();
    void exportAndBack();
    void outlookHeaders_data();
    void outlookHeaders();
    void thunderbirdAddresses_data();
    void thunderbirdAddresses();
    void sheetTakesImported_data();
    void sheetTakesImported();
    void undoImport_data();
    void undoImport();
    void firstImportIsSaved();
    void closeDuringImport();
    void largeCsvShowsProgress();
};

// The content decides, whatever the name: phones' 2.1 vCards, web mail's 3.0, our own CSV (at
// once, a damaged line named in the summary), and files that are no address book.
void TestFileImport::byContent_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: no such file
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("contact"); // the first contact's fields
    QTest::addColumn<QString>("group");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("summary"); // lines the summary holds
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("previewed"); // through the preview of a foreign CSV

    QTest::newRow("phone: 2.1, Shift_JIS, quoted-printable, named .txt")
        << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\n"
                      "N;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:" +
                      qp("山田") + ";" + qp("太郎") +
                      ";;;\r\n"
                      "SOUND;X-IRMC-N;CHARSET=SHIFT_JIS:" +
                      sj("ﾔﾏﾀﾞ;ﾀﾛｳ") +
                      ";;;\r\n"
                      "TEL;CELL:090-1111-2222\r\nTEL;HOME:03-3333-4444\r\n"
                      "EMAIL;INTERNET:taro@docomo.example\r\n"
                      "ADR;HOME;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:;;" +
                      qp("東京都千代田区表1-1") +
                      ";;;100-0001;\r\n"
                      "NOTE;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:" +
                      qp("一行目") + "=0D=0A" + qp("二行目") +
                      "\r\nX-GN;CHARSET=SHIFT_JIS:" + sj("友人") + "\r\nEND:VCARD\r\n")
        << "phone.txt" << QStringList{"名前=山田 太郎",        "電子メール=taro@docomo.example",
                                      "郵便番号=100-0001",     "住所=東京都千代田区表1-1",
                                      "電話番号=03-3333-4444", "携帯電話番号=090-1111-2222",
                                      "メモ=一行目\n二行目"}
        << "友人" << 1 << QStringList{"1件の管理情報をImportしました。"} << QStringList{} << false;
    QTest::newRow("web mail: 3.0, UTF-8, a character CP932 lacks")
        << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:𠮷田 花子\r\nN:𠮷田;花子;;;\r\n"
                      "EMAIL;TYPE=INTERNET;TYPE=WORK:hanako@corp.example\r\n"
                      "TEL;TYPE=WORK,VOICE:06-1234-5678\r\nORG:株式会社B\\, 大阪支店\r\n"
                      "CATEGORIES:Business\r\nPHOTO;ENCODING=b;TYPE=JPEG:AAAA\r\nEND:VCARD\r\n"
                      "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Second\r\nEND:VCARD\r\n")
        << "contacts.vcf"
        << QStringList{"名前=〓田 花子", "勤務先電子メール=hanako@corp.example",
                       "勤務先電話番号=06-1234-5678", "勤務先名=株式会社B, 大阪支店"}
        << "Business" << 2
        << QStringList{"2件の管理情報をImportしました。", "  〓田 花子（名前）: 𠮷 (U+20BB7)",
                       "写真1枚は取り込みませんでした。"}
        << QStringList{} << false;
    QTest::newRow("own CSV: quoted comma, line break, a damaged line, named .vcf")
        << sj("高橋,t@x.jp,,\"東京都, 港区\",,,,一\\n二,\"A, B支店\",,,,,,,Private\r\n"
              "壊れた行,,,\r\n"
              "佐藤,,,,,,,,,,,,,,,Private\r\n")
        << "own.vcf"
        << QStringList{"名前=高橋", "電子メール=t@x.jp", "住所=東京都, 港区", "メモ=一\n二",
                       "勤務先名=A, B支店"}
        << "Private" << 2
        << QStringList{"2件の管理情報をImportしました。", "  2行目: 項目が16個に足りません"}
        << QStringList{} << false;
    QTest::newRow("binary") << QByteArray("\x7F"
                                          "ELF\x02\x01\x01\0\0\0",
                                          10)
                            << "a.csv" << QStringList{} << "" << 0 << QStringList{}
                            << QStringList{kNotAddressBook} << false;
    QTest::newRow("missing") << QByteArray() << "" << QStringList{} << "" << 0 << QStringList{}
                             << QStringList{kImportFailed} << false;
    QTest::newRow("vCard with NUL bytes in a value: marked, the rest kept")
        << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:西村\r\nNOTE:前半") + '\0' +
               QByteArray("後半\r\nEND:VCARD\r\n")
        << "nul.vcf" << QStringList{"名前=西村", "メモ=前半〓後半"} << "Other" << 1
        << QStringList{"1件の管理情報をImportしました。", "  西村（メモ）: ␀ (U+0000)"}
        << QStringList{} << false;
    QByteArray header;
    for (int c = 1; c <= 16; ++c)
        header += (c > 1 ? "," : "") + sj(QStringLiteral("項目%1").arg(c, 2, 10, QChar(u'0')));
    QTest::newRow("sixteen columns under names we do not know: previewed, not taken as ours")
        << header + "\r\n" + sj("山田 太郎,taro@example.jp,03-1111-2222,,,,,,,,,,,,,Private\r\n") +
               sj("鈴木 花子,hanako@example.jp,,,,,,,,,,,,,,Business\r\n")
        << "other.txt"
        << QStringList{"名前=山田 太郎", "電子メール=taro@example.jp", "電話番号=03-1111-2222",
                       "メモ=Private"}
        << "Other" << 2 << QStringList{"2件の管理情報をImportしました。"} << QStringList{} << true;
}

void TestFileImport::byContent()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, name);
    QFETCH(QStringList, contact);
    QFETCH(QString, group);
    QFETCH(int, count);
    QFETCH(QStringList, summary);
    QFETCH(QStringList, messages);
    const QString path = name.isEmpty() ? TestEnv::root() + QStringLiteral("/none.vcf")
                                        : TestEnv::writeFile(name, content);
    importByShortcut(path);
    CVOK_AddressDoc& doc = *m_f->frame->document();
    QCOMPARE(int(doc.records().size()), count);
    QFETCH(bool, previewed);
    QCOMPARE(m_boxes.shown(), messages);
    QCOMPARE(m_previews, previewed ? 1 : 0);
    QCOMPARE(m_summaries, messages.isEmpty() ? 1 : 0);
    for (const QString& line : summary)
        QVERIFY2(m_summaryText.split(u'\n').contains(line), qPrintable(m_summaryText));
    if (count == 0)
        return;
    const AddressRecord& first = *doc.records().at(0);
    const QString diff = mismatch(first, contact << QStringLiteral("グループ=") + group);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    // The phone's reading came with it.
    if (name == QLatin1String("phone.txt"))
        QCOMPARE(QString::fromStdString(std::string(doc.storedReading(first.name()))),
                 QStringLiteral("ﾔﾏﾀﾞ ﾀﾛｳ"));
}

// A UTF-8 CSV with a header, driven through the preview: the guessed columns, a column the
// user changes, the header row unticked, the target group.
void TestFileImport::csvPreview_data()
{
    QTest::addColumn<bool>("keepHeader");
    QTest::addColumn<QString>("phoneTarget"); // what the 電話 column is changed to, or ""
    QTest::addColumn<QString>("target");      // the group chosen, or "" for the file's
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("taro");
    QTest::addColumn<QStringList>("groups"); // the groups created
    QTest::newRow("as guessed") << true << ""
                                << "" << 2
                                << QStringList{"住所=東京都千代田区1-1, 3F",
                                               "電話番号=03-1111-2222", "グループ=友人"}
                                << QStringList{"友人"};
    QTest::newRow("phone column to mobile")
        << true << "携帯電話番号"
        << "" << 2
        << QStringList{"住所=東京都千代田区1-1, 3F", "携帯電話番号=03-1111-2222", "グループ=友人"}
        << QStringList{"友人"};
    QTest::newRow("header unticked: it comes in as a contact too")
        << false << ""
        << "" << 3
        << QStringList{"住所=東京都千代田区1-1, 3F", "電話番号=03-1111-2222", "グループ=友人"}
        << QStringList{"グループ", "友人"};
    QTest::newRow("everyone into Business, the group column aside")
        << true << ""
        << "Business" << 2
        << QStringList{"住所=東京都千代田区1-1, 3F", "電話番号=03-1111-2222", "グループ=Business"}
        << QStringList{};
}

void TestFileImport::csvPreview()
{
    QFETCH(bool, keepHeader);
    QFETCH(QString, phoneTarget);
    QFETCH(QString, target);
    QFETCH(int, count);
    QFETCH(QStringList, taro);
    QFETCH(QStringList, groups);
    const QByteArray csv = "\xEF\xBB\xBF"
                           "氏名,メール,電話,郵便番号,住所,グループ,メモ\r\n"
                           "山田 太郎,taro@example.jp,03-1111-2222,100-0001,"
                           "\"東京都千代田区1-1, 3F\",友人,\"メモの\r\n二行目\"\r\n"
                           "鈴木 花子,hanako@example.jp,,,,,\r\n";
    QStringList guessed;
    QString sample;
    m_onPreview = [&](CsvImportDialog* preview) {
        for (int c = 0; c < 7; ++c)
            guessed << preview->columnCombo(c)->currentText();
        auto* encoding = preview->findChild<QComboBox*>(QStringLiteral("encodingCombo"));
        QCOMPARE(encoding->currentText(), QStringLiteral("UTF-8 (BOM付き)"));
        if (!phoneTarget.isEmpty())
            chooseInCombo(preview->columnCombo(2), phoneTarget);
        if (!keepHeader)
            click(preview, "headerCheck");
        if (!target.isEmpty())
            chooseInCombo(preview->findChild<QComboBox*>(QStringLiteral("groupCombo")), target);
        auto* table = preview->findChild<QTableWidget*>(QStringLiteral("sampleTable"));
        QCOMPARE(table->rowCount(), count);
        sample = table->item(keepHeader ? 0 : 1, 0)->text();
    };
    importByShortcut(TestEnv::writeFile(QStringLiteral("google.csv"), csv));
    QCOMPARE(m_previews, 1);
    QCOMPARE(guessed, (QStringList{"名前", "電子メール", "電話番号", "郵便番号", "住所", "グループ",
                                   "メモ"}));
    QCOMPARE(sample, QStringLiteral("山田 太郎"));
    CVOK_AddressDoc& doc = *m_f->frame->document();
    QCOMPARE(int(doc.records().size()), count);
    const AddressRecord* record = byName(doc, QStringLiteral("山田 太郎"));
    QVERIFY(record);
    const QString diff = mismatch(*record, taro << "名前=山田 太郎"
                                                << "電子メール=taro@example.jp"
                                                << "郵便番号=100-0001"
                                                << "メモ=メモの\n二行目");
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    QCOMPARE(m_offeredGroups, groups);
    for (const QString& g : groups)
        QVERIFY(treeGroups().contains(g));
}

// Groups the file names are offered, ticked; those left ticked are created, appear in the tree
// and receive their contacts, the others' contacts stay in Other.
void TestFileImport::summaryGroups_data()
{
    QTest::addColumn<QStringList>("unticked");
    QTest::addColumn<QStringList>("expectGroups"); // the group of 山田, 鈴木, 佐藤
    QTest::addColumn<QStringList>("tree");
    QTest::newRow("all ticked") << QStringList{} << QStringList{"友人", "同僚", "友人"}
                                << QStringList{"友人", "同僚"};
    QTest::newRow("one unticked") << QStringList{"同僚"} << QStringList{"友人", "Other", "友人"}
                                  << QStringList{"友人"};
}

void TestFileImport::summaryGroups()
{
    QFETCH(QStringList, unticked);
    QFETCH(QStringList, expectGroups);
    QFETCH(QStringList, tree);
    m_unticked = unticked;
    // vCard categories, and a legacy file's group column that names a group the book lacks.
    const QString vcf = TestEnv::writeFile(
        QStringLiteral("groups.vcf"),
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:山田\r\nCATEGORIES:友人\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:鈴木\r\nCATEGORIES:同僚\r\nEND:VCARD\r\n");
    const QString own =
        TestEnv::writeFile(QStringLiteral("own.txt"), sj("佐藤,,,,,,,,,,,,,,,友人\r\n"));
    importByShortcut(vcf);
    QCOMPARE(m_offeredGroups, (QStringList{"友人", "同僚"}));
    m_offeredGroups.clear();
    importByShortcut(own);
    // Already created by the first import when it was ticked there.
    QCOMPARE(m_offeredGroups, QStringList());
    CVOK_AddressDoc& doc = *m_f->frame->document();
    QStringList have;
    for (const char* name : {"山田", "鈴木", "佐藤"})
        have << Text::fromCp932(byName(doc, QString::fromUtf8(name))->group());
    QCOMPARE(have, expectGroups);
    QCOMPARE(treeGroups(), tree);
    // The list of a created group shows its contacts.
    m_f->show(QStringLiteral("友人"));
    QCOMPARE(m_f->column(0).size(), 2);
}

// Files dragged from a file manager and dropped on the window, delivered to the window as the
// platform delivers them; text dragged in is refused.
void TestFileImport::droppedFiles()
{
    const QString a = TestEnv::writeFile(
        QStringLiteral("a.vcf"), "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Dropped A\r\nEND:VCARD\r\n");
    const QString b = TestEnv::writeFile(QStringLiteral("b.dat"), "B,,,,,,,,,,,,,,,Private\r\n");
    QWindow* window = m_f->frame->windowHandle();
    const QPoint at =
        m_f->list->viewport()->mapTo(m_f->frame.get(), m_f->list->viewport()->rect().center());
    const auto drag = [&](QMimeData* data) {
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, {});
        QApplication::sendEvent(window, &enter);
        QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, {});
        QApplication::sendEvent(window, &move);
        if (!move.isAccepted())
            return false;
        QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, {});
        QApplication::sendEvent(window, &drop);
        return drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
    };
    QMimeData text;
    text.setText(QStringLiteral("Someone,,,"));
    QVERIFY(!drag(&text));

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b),
                   QUrl(QStringLiteral("https://example.com/c.vcf"))});
    QVERIFY(drag(&files));
    QTRY_COMPARE(m_summaries, 2);
    QTRY_VERIFY(!QApplication::activeModalWidget());
    CVOK_AddressDoc& doc = *m_f->frame->document();
    QCOMPARE(int(doc.records().size()), 2);
    QVERIFY(byName(doc, QStringLiteral("Dropped A")));
    QVERIFY(byName(doc, QStringLiteral("B")));
}

// Ctrl+P from the list writes the selected contacts in the chosen type; the file imports back
// to the same contacts (Ctrl+I), readings too where the format holds them.
void TestFileImport::exportAndBack_data()
{
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("readings");
    QTest::newRow("legacy CSV") << 0 << "out.txt" << false;
    QTest::newRow("UTF-8 CSV with a header") << 1 << "out.csv" << true;
    QTest::newRow("vCard 3.0") << 2 << "out.vcf" << true;
    QTest::newRow("vCard 4.0") << 3 << "out4.vcf" << true;
}

void TestFileImport::exportAndBack()
{
    QFETCH(int, filter);
    QFETCH(QString, name);
    QFETCH(bool, readings);
    CVOK_AddressDoc& doc = *m_f->frame->document();
    QVERIFY(doc.CreateGroup(QStringLiteral("取引先")));
    std::vector<std::unique_ptr<AddressRecord>> originals;
    const auto add = [&](const QStringList& fields) {
        auto r = std::make_unique<AddressRecord>();
        for (int i = 0; i < fields.size(); ++i)
            r->setField(i, cp(fields[i].toUtf8().constData()));
        originals.push_back(std::make_unique<AddressRecord>(*r));
        doc.AddRecord(std::move(r));
    };
    add({"高橋 一郎", "t@x.jp", "100-0001", "東京都港区1-1\r\n\"青山\"ビル, 5F", "03-1", "090-2",
         "03-3", "一, 二\r\n\"三\"", "株式会社A, B支店", "o@a.jp", "150-0001", "渋谷区2-2", "03-4",
         "03-5", "勤務先の\r\nメモ", "取引先"});
    add({"Left Out", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "Private"});
    add({"佐藤 花子", "", "", "", "", "", "", "表ソ\\t", "", "", "", "", "", "", "", "Business"});
    doc.SetReading(cp("高橋 一郎"), "たかはし いちろう");
    m_f->show(QStringLiteral("VOK_Address"));
    QApplication::setActiveWindow(m_f->frame.get());
    m_f->list->setFocus();
    m_f->list->clearSelection();
    for (int row = 0; row < m_f->list->model()->rowCount(); ++row) {
        if (m_f->cell(row, 0) == QLatin1String("Left Out"))
            continue;
        const QRect cell = m_f->list->visualRect(m_f->list->model()->index(row, 0));
        QTest::mouseClick(m_f->list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          cell.center());
    }
    QCOMPARE(m_f->list->GetSelectedCount(), 2);
    const QString path = TestEnv::root() + u'/' + name;
    FileDialog::queueFileName(path, filter);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_P, Qt::ControlModifier);
    QVERIFY(QFileInfo::exists(path));

    doc.DeleteAllRecords();
    doc.SetReading(cp("高橋 一郎"), "");
    importByShortcut(path);
    QCOMPARE(m_previews, filter == 1 ? 1 : 0);
    QCOMPARE(int(doc.records().size()), 2);
    for (int i : {0, 2}) {
        const AddressRecord& original = *originals.at(std::size_t(i));
        const AddressRecord* back = byName(doc, Text::fromCp932(original.name()));
        QVERIFY(back);
        for (int f = 0; f < AddressRecord::FieldCount; ++f)
            QCOMPARE(Text::fromCp932(back->field(f)), Text::fromCp932(original.field(f)));
    }
    QCOMPARE(QString::fromStdString(std::string(doc.storedReading(cp("高橋 一郎")))),
             readings ? QStringLiteral("たかはし いちろう") : QString());
}

// Outlook in Japanese names the parts of both addresses "番地 (自宅)", "郵便番号 (会社)", ...:
// accepted as the preview guesses them, they land in the home and office fields.
void TestFileImport::outlookHeaders_data()
{
    QTest::addColumn<QByteArray>("content");
    const QString csv = QStringLiteral(
        "\"姓\",\"名\",\"会社名\",\"番地 (会社)\",\"番地 2 (会社)\",\"市町村 (会社)\","
        "\"都道府県 (会社)\",\"郵便番号 (会社)\",\"国/地域 (会社)\",\"番地 (自宅)\","
        "\"市区町村 (自宅)\",\"都道府県 (自宅)\",\"郵便番号 (自宅)\",\"国/地域 (自宅)\","
        "\"会社電話\",\"自宅電話\",\"電子メール アドレス\"\r\n"
        "\"伊藤\",\"健\",\"伊藤商事\",\"中央1-2-3\",\"伊藤ビル5F\",\"千代田区\",\"東京都\","
        "\"100-0005\",\"日本\",\"緑町4-5\",\"武蔵野市\",\"東京都\",\"180-0012\",\"日本\","
        "\"03-0000-2222\",\"0422-11-3333\",\"ken@example.jp\"\r\n");
    QTest::newRow("CP932") << sj(csv);
    QTest::newRow("UTF-8 with a byte-order mark") << "\xEF\xBB\xBF" + csv.toUtf8();
}

void TestFileImport::outlookHeaders()
{
    QFETCH(QByteArray, content);
    importByShortcut(TestEnv::writeFile(QStringLiteral("outlook.csv"), content));
    QCOMPARE(m_previews, 1);
    const AddressRecord* record = byName(*m_f->frame->document(), QStringLiteral("伊藤 健"));
    QVERIFY(record);
    const QString diff = mismatch(
        *record, {"名前=伊藤 健", "電子メール=ken@example.jp", "郵便番号=180-0012",
                  "住所=東京都武蔵野市緑町4-5", "電話番号=0422-11-3333", "勤務先名=伊藤商事",
                  "勤務先郵便番号=100-0005", "勤務先住所=東京都千代田区中央1-2-3\n伊藤ビル5F",
                  "勤務先電話番号=03-0000-2222", "グループ=Other"});
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

// Thunderbird's "Home Address" is the street line beside the city and region columns: it comes
// in with them, as guessed in the preview.
void TestFileImport::thunderbirdAddresses_data()
{
    QTest::addColumn<QString>("header");
    QTest::newRow("English") << "Display Name,Primary Email,Home Address,Home Address 2,Home City,"
                                "Home State,Home ZipCode,Home Country,Work Address,Work City,"
                                "Work State,Work ZipCode";
    QTest::newRow("Japanese") << "表示名,メールアドレス,自宅の住所,自宅の住所 2,自宅の市区町村,"
                                 "自宅の都道府県,自宅の郵便番号,自宅の国,勤務先の住所,"
                                 "勤務先の市区町村,勤務先の都道府県,勤務先の郵便番号";
}

void TestFileImport::thunderbirdAddresses()
{
    QFETCH(QString, header);
    const QString row = QStringLiteral("中村 恵子,keiko@example.jp,栄3-4-5,サンシャインビル,"
                                       "名古屋市中区,愛知県,460-0008,日本,丸の内1-1,名古屋市中区,"
                                       "愛知県,460-0002\r\n");
    importByShortcut(
        TestEnv::writeFile(QStringLiteral("thunderbird.csv"), (header + "\r\n" + row).toUtf8()));
    QCOMPARE(m_previews, 1);
    const AddressRecord* record = byName(*m_f->frame->document(), QStringLiteral("中村 恵子"));
    QVERIFY(record);
    const QString diff = mismatch(
        *record, {"名前=中村 恵子", "電子メール=keiko@example.jp", "郵便番号=460-0008",
                  "住所=愛知県名古屋市中区栄3-4-5\nサンシャインビル", "勤務先郵便番号=460-0002",
                  "勤務先住所=愛知県名古屋市中区丸の内1-1", "グループ=Other"});
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

// The contact sheet takes whatever an import put into a field: OK on an imported contact stores
// it as it came. Japanese numbers written internationally come in as written at home, which
// the phone fields hold.
void TestFileImport::sheetTakesImported_data()
{
    QTest::addColumn<QByteArray>("card"); // the lines between VERSION and END
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("+81 numbers")
        << QByteArray("TEL;TYPE=CELL:+81 90-5555-6666\r\nTEL;TYPE=HOME:+81 3-2222-3333\r\n"
                      "TEL;TYPE=WORK:+81 (0)6-1234-5678\r\nTEL;TYPE=FAX:+1-555-0100\r\n")
        << QStringList{"携帯電話番号=090-5555-6666", "電話番号=03-2222-3333",
                       "勤務先電話番号=06-1234-5678", "FAX番号=+1-555-0100"};
    QTest::newRow("a note longer than the memo takes")
        << "NOTE:" + QString(130, u'あ').toUtf8() + "\r\n"
        << QStringList{"メモ=" + QString(125, u'あ')};
    QTest::newRow("a number too long for its field: into the memo")
        << QByteArray("TEL;TYPE=HOME:03-1111-2222 ext. 123\r\n")
        << QStringList{"メモ=電話：03-1111-2222 ext. 123"};
}

void TestFileImport::sheetTakesImported()
{
    QFETCH(QByteArray, card);
    QFETCH(QStringList, fields);
    importByShortcut(
        TestEnv::writeFile(QStringLiteral("sheet.vcf"),
                           "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:輸入\r\n" + card + "END:VCARD\r\n"));
    CVOK_AddressDoc& doc = *m_f->frame->document();
    QCOMPARE(int(doc.records().size()), 1);
    AddressRecord* record = doc.records().at(0);
    const QString diff = mismatch(*record, fields << "名前=輸入"
                                                  << "グループ=Other");
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    const AddressRecord before = *record;
    QVERIFY(ContactEditor::OnEditContact(m_f->frame.get(), doc, record));
    QCOMPARE(m_boxes.shown(), QStringList());
    QVERIFY(*record == before);
}

// One Ctrl+Z takes back the whole import, the groups it created included; Ctrl+Y makes it again.
void TestFileImport::undoImport_data()
{
    QTest::addColumn<QStringList>("unticked");
    QTest::addColumn<QStringList>("groups"); // of 山田, 鈴木 after the import and after Ctrl+Y
    QTest::addColumn<int>("more");           // contacts after them, each with a group of its own
    QTest::addColumn<int>("slice");          // contacts added (and moved) at a time; 0: as built
    QTest::addColumn<int>("largest");        // slice at most, with `slice`; 0: no limit
    QTest::addColumn<int>("announced");      // times the book tells of new contacts
    QTest::newRow("two groups created")
        << QStringList{} << QStringList{"友人", "同僚"} << 0 << 0 << 0 << 1;
    QTest::newRow("one group created")
        << QStringList{"同僚"} << QStringList{"友人", "Other"} << 0 << 0 << 0 << 1;
    QTest::newRow("none created") << QStringList{"友人", "同僚"} << QStringList{"Other", "Other"}
                                  << 0 << 0 << 0 << 1;
    // More groups than the undo history keeps steps: still created, and taken back, as one.
    QTest::newRow("a hundred and fifty groups")
        << QStringList{} << QStringList{"友人", "同僚"} << 150 << 0 << 0 << 1;
    // More slices than the undo history keeps steps, the window answering between them.
    QTest::newRow("a contact at a time")
        << QStringList{} << QStringList{"友人", "同僚"} << 150 << 1 << 0 << 152;
    QTest::newRow("two at a time, one group unticked")
        << QStringList{"同僚"} << QStringList{"友人", "Other"} << 150 << 2 << 0 << 76;
    // A file too large for its slices to stay small: more slices rather than larger ones.
    QTest::newRow("none past the largest")
        << QStringList{} << QStringList{"友人", "同僚"} << 150 << 20 << 10 << 16;
}

void TestFileImport::undoImport()
{
    QFETCH(QStringList, unticked);
    QFETCH(QStringList, groups);
    QFETCH(int, more);
    QFETCH(int, slice);
    QFETCH(int, largest);
    QFETCH(int, announced);
    if (slice > 0)
        BookImport::setImportSliceForTesting(std::size_t(slice), SIZE_MAX,
                                             largest > 0 ? std::size_t(largest) : SIZE_MAX);
    m_unticked = unticked;
    CVOK_AddressDoc& doc = *m_f->frame->document();
    m_f->add({"前からの人", "", "Private"});
    m_f->show(CVOK_AddressDoc::RootName);
    QByteArray cards = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:山田\r\nCATEGORIES:友人\r\nEND:VCARD\r\n"
                       "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:鈴木\r\nCATEGORIES:同僚\r\nEND:VCARD\r\n";
    QStringList moreContacts, moreGroups;
    QStringList importedNames{"山田", "鈴木"};
    for (int i = 0; i < more; ++i) {
        const QString n = QString::number(i).rightJustified(3, u'0');
        cards += ("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:名前" + n + "\r\nCATEGORIES:取引先" + n +
                  "\r\nEND:VCARD\r\n")
                     .toUtf8();
        moreContacts << "名前" + n + "/取引先" + n;
        importedNames << "名前" + n;
        moreGroups << "取引先" + n;
    }
    const QString vcf = TestEnv::writeFile(QStringLiteral("undo.vcf"), cards);
    const auto state = [&] {
        QStringList s;
        for (const auto& r : doc.records())
            s << Text::fromCp932(r->name()) + u'/' + Text::fromCp932(r->group());
        return s + treeGroups();
    };
    // The groups kept in the settings, for the next start.
    const auto stored = [] {
        QStringList names = GroupStore::load();
        names.sort();
        return names;
    };
    int told = 0;
    const QMetaObject::Connection counting =
        connect(&doc, &CVOK_AddressDoc::recordsAdded, [&told] { ++told; });
    importByShortcut(vcf);
    disconnect(counting);
    QCOMPARE(told, announced);
    QStringList created = groups;
    created.removeAll(QStringLiteral("Other"));
    created += moreGroups;
    const QStringList imported =
        QStringList{"前からの人/Private", "山田/" + groups[0], "鈴木/" + groups[1]} + moreContacts +
        created;
    QCOMPARE(state(), imported);
    // What came is selected, all of it, whatever the slices.
    QStringList selected;
    for (const QModelIndex& row : m_f->list->selectionModel()->selectedRows())
        selected << row.data().toString();
    selected.sort();
    importedNames.sort();
    QCOMPARE(selected, importedNames);
    QStringList sortedCreated = created;
    sortedCreated.sort();
    QCOMPARE(stored(), sortedCreated);

    QApplication::setActiveWindow(m_f->frame.get());
    m_f->list->setFocus();
    QTest::keyClick(m_f->list, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(state(), QStringList{"前からの人/Private"});
    QCOMPARE(stored(), QStringList());
    QTest::keyClick(m_f->list, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(state(), imported);
    QCOMPARE(stored(), sortedCreated);
    QTest::keyClick(m_f->list, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(state(), QStringList{"前からの人/Private"});
}

// A new user's first change can come with a reading (a phone's vCard): ending the program
// right after it saves the book and the readings, although the book's folder does not exist yet.
void TestFileImport::firstImportIsSaved()
{
    const QByteArray oldDir = qgetenv("VOK_ADDRESS_DIR");
    const QString dir = TestEnv::root() + QStringLiteral("/new-user/VOK_Address");
    QVERIFY(!QFileInfo::exists(dir));
    qputenv("VOK_ADDRESS_DIR", QFile::encodeName(dir));
    m_f = std::make_unique<Frame>();
    QVERIFY(m_f->exposed);
    const QString vcf = TestEnv::writeFile(QStringLiteral("first.vcf"),
                                           "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:山田 太郎\r\n"
                                           "X-PHONETIC-LAST-NAME:やまだ\r\nCATEGORIES:友人\r\n"
                                           "END:VCARD\r\n");
    importByShortcut(vcf);
    const bool closed = m_f->frame->close();
    qputenv("VOK_ADDRESS_DIR", oldDir);
    QVERIFY(closed);
    QCOMPARE(m_boxes.shown(), QStringList());
    QCOMPARE(QFileInfo(dir + QStringLiteral("/Address.vok")).size(),
             qint64(AddressFile::RecordSize));
    QFile readings(dir + QStringLiteral("/Readings.txt"));
    QVERIFY(readings.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(readings.readAll()), QStringLiteral("山田 太郎\tやまだ\n"));
    // The group it made is in the settings, where older copies look for it.
    QStringList keys;
    RegistryKey::EnumGroupKeys(keys);
    QCOMPARE(keys, QStringList{QStringLiteral("友人")});
}

// The window closed by the desktop while an import adds its contacts: it stays, and the
// import comes in whole.
void TestFileImport::closeDuringImport()
{
    BookImport::setImportSliceForTesting(1, SIZE_MAX);
    QByteArray cards;
    for (int i = 0; i < 50; ++i)
        cards +=
            "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:名前" + QByteArray::number(i) + "\r\nEND:VCARD\r\n";
    int closes = 0;
    QTimer closer;
    connect(&closer, &QTimer::timeout, this, [&] {
        if (LongWork::running() && !QApplication::activeModalWidget() && closes++ < 3)
            QVERIFY(!m_f->frame->close());
    });
    closer.start(0);
    importByShortcut(TestEnv::writeFile(QStringLiteral("closed.vcf"), cards));
    closer.stop();
    QVERIFY(closes > 0);
    QVERIFY(m_f->frame->isVisible());
    QCOMPARE(int(m_f->frame->document()->records().size()), 50);
}

// A large CSV of another program: its reading shows progress before the preview can, and its
// import after it; the progress dialogs run the window's events while they are up.
void TestFileImport::largeCsvShowsProgress()
{
    // Progress dialogs as they come up, beside the other dialogs.
    struct ProgressWatch : QObject
    {
        QStringList& log;
        explicit ProgressWatch(QStringList& to) : log(to) {}
        bool eventFilter(QObject* o, QEvent* e) override
        {
            if (e->type() == QEvent::Show)
                if (auto* progress = qobject_cast<QProgressDialog*>(o))
                    log << progress->labelText();
            return false;
        }
    } watch(m_log);
    qApp->installEventFilter(&watch);
    LongWork::setDelayForTesting(0);
    const int rows = 60000;
    QByteArray csv = "\xEF\xBB\xBF名前,メール,電話\r\n";
    for (int i = 0; i < rows; ++i)
        csv += "山田 " + QByteArray::number(i) + ",yamada" + QByteArray::number(i) +
               "@example.jp,03-1111-2222\r\n";
    importByShortcut(TestEnv::writeFile(QStringLiteral("large.csv"), csv));
    LongWork::setDelayForTesting(500);
    qApp->removeEventFilter(&watch);
    QCOMPARE(m_log, (QStringList{"ファイルを読み込んでいます...", "preview", "Importしています...",
                                 "summary"}));
    QCOMPARE(int(m_f->frame->document()->records().size()), rows);
}

VOK_TEST_MAIN(TestFileImport)
#include "tst_fileimport.moc"
