#include "TestMain.h"
#include "TypeText.h"
#include "ui/common/ByteLimitValidator.h"

#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>

using Refusal = ByteLimitValidator::Refusal;
Q_DECLARE_METATYPE(ByteLimitValidator::Refusal)

namespace {

const QString kFull = QStringLiteral("あ");
const QString kEmoji = QStringLiteral("\U0001F600");
const QString kRareKanji = QStringLiteral("\U00020BB7"); // 𠮷, outside CP932

QString repeat(const QString& s, int n)
{
    return s.repeated(n);
}

void commit(QWidget* widget, const QString& text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(widget, &event);
}

} // namespace

class TestByteLimitValidator : public QObject
{
    Q_OBJECT
private slots:
    void fit_data();
    void fit();
    void storedLength_data();
    void storedLength();
    void typingStopsAtLimit_data();
    void typingStopsAtLimit();
    void pasteIsCutAtLimit();
    void refusedCharacterByInputMethod();
    void longStoredValueStaysUntilShortened();
    void plainTextCountsLineBreaksAsTwo();
    void plainTextRefusesAmidPaste();
};

void TestByteLimitValidator::fit_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("lineBreak");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<Refusal>("refusal");

    QTest::newRow("under limit") << "ab"
                                 << "abc" << 5 << 1 << "abc" << 3 << Refusal::None;
    QTest::newRow("at limit") << "abcd"
                              << "abcde" << 5 << 1 << "abcde" << 5 << Refusal::None;
    QTest::newRow("over limit") << "abcde"
                                << "abcdef" << 5 << 1 << "abcde" << 5 << Refusal::TooLong;
    QTest::newRow("63 full-width and one half-width")
        << repeat(kFull, 63) << repeat(kFull, 63) + "a" << 127 << 1 << repeat(kFull, 63) + "a" << 64
        << Refusal::None;
    QTest::newRow("64th full-width refused") << repeat(kFull, 63) << repeat(kFull, 64) << 127 << 1
                                             << repeat(kFull, 63) << 63 << Refusal::TooLong;
    QTest::newRow("half-width katakana is one byte")
        << "" << QStringLiteral("ｱｲｳ") << 3 << 1 << QStringLiteral("ｱｲｳ") << 3 << Refusal::None;
    QTest::newRow("wave dash is two bytes") << "" << QStringLiteral("a\u301C") << 3 << 1
                                            << QStringLiteral("a\u301C") << 2 << Refusal::None;
    QTest::newRow("paste in the middle is cut")
        << "abXY"
        << "ab1234XY" << 6 << 1 << "ab12XY" << 4 << Refusal::TooLong;
    QTest::newRow("emoji refused, rest kept")
        << ""
        << "a" + kEmoji + "b" << 10 << 1 << "ab" << 2 << Refusal::Unmappable;
    QTest::newRow("rare kanji not split")
        << "x"
        << "x" + kRareKanji << 10 << 1 << "x" << 1 << Refusal::Unmappable;
    QTest::newRow("deleting from an over-long value")
        << "abcdefg"
        << "abcdef" << 5 << 1 << "abcdef" << 6 << Refusal::None;
    QTest::newRow("typing into an over-long value")
        << "abcdefg"
        << "abcdefgh" << 5 << 1 << "abcdefg" << 7 << Refusal::TooLong;
    QTest::newRow("line break counts two") << "ab"
                                           << "ab\nc" << 4 << 2 << "ab\n"
                                           << 3 << Refusal::TooLong;
    QTest::newRow("same character repeated") << "aa"
                                             << "aaa" << 2 << 1 << "aa" << 2 << Refusal::TooLong;
    QTest::newRow("single line: CR LF, CR and LF become blanks")
        << "ab"
        << "a1\r\n2\r3\n4b" << 20 << 1 << "a1 2 3 4b" << 8 << Refusal::None;
    QTest::newRow("single line: the blank counts one byte")
        << ""
        << "1234\n5678" << 5 << 1 << "1234 " << 5 << Refusal::TooLong;
    QTest::newRow("half a character refused")
        << "" << QString(QChar(0xD842)) + "a" << 10 << 1 << "a" << 1 << Refusal::Unmappable;
}

void TestByteLimitValidator::fit()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(int, limit);
    QFETCH(int, lineBreak);
    QFETCH(QString, expected);
    QFETCH(int, cursor);
    QFETCH(Refusal, refusal);
    const auto r = ByteLimitValidator::fit(before, after, limit,
                                           lineBreak == 2 ? ByteLimitValidator::Lines::Multi
                                                          : ByteLimitValidator::Lines::Single);
    QCOMPARE(r.text, expected);
    QCOMPARE(r.cursor, cursor);
    QCOMPARE(r.refusal, refusal);
}

void TestByteLimitValidator::storedLength_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("bytes");
    QTest::newRow("ascii") << "abc" << 3;
    QTest::newRow("full-width") << QStringLiteral("東京") << 4;
    QTest::newRow("line break") << "a\nb" << 4;
    QTest::newRow("emoji") << kEmoji << -1;
}

void TestByteLimitValidator::storedLength()
{
    QFETCH(QString, text);
    QFETCH(int, bytes);
    QCOMPARE(ByteLimitValidator::storedLength(text), long(bytes));
}

void TestByteLimitValidator::typingStopsAtLimit_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("expected");
    QTest::newRow("name") << repeat(kFull, 63) + "ab" << 127 << repeat(kFull, 63) + "a";
    QTest::newRow("postal code") << "123-45678" << 8 << "123-4567";
    QTest::newRow("phone, full-width") << repeat(kFull, 7) << 13 << repeat(kFull, 6);
}

void TestByteLimitValidator::typingStopsAtLimit()
{
    QFETCH(QString, typed);
    QFETCH(int, limit);
    QFETCH(QString, expected);
    QLineEdit edit;
    auto* validator = new ByteLimitValidator(&edit, limit);
    QSignalSpy hints(validator, &ByteLimitValidator::refused);
    edit.show();
    typeText(&edit, typed);
    QCOMPARE(edit.text(), expected);
    QCOMPARE(hints.count(), 1);
}

void TestByteLimitValidator::pasteIsCutAtLimit()
{
    QLineEdit edit;
    new ByteLimitValidator(&edit, 8);
    edit.setText("12");
    edit.setCursorPosition(1);
    QGuiApplication::clipboard()->setText(QStringLiteral("abcdefghij"));
    edit.paste();
    QCOMPARE(edit.text(), QStringLiteral("1abcdef2"));
    QCOMPARE(edit.cursorPosition(), 7);
}

void TestByteLimitValidator::refusedCharacterByInputMethod()
{
    QLineEdit edit;
    auto* validator = new ByteLimitValidator(&edit, 127);
    QSignalSpy hints(validator, &ByteLimitValidator::refused);
    edit.show();
    edit.setFocus();
    QTest::keyClicks(&edit, "ab");
    commit(&edit, kEmoji);
    QCOMPARE(edit.text(), QStringLiteral("ab"));
    QCOMPARE(hints.count(), 1);
    QVERIFY(hints.at(0).at(0).toString().contains(kEmoji));
    commit(&edit, QStringLiteral("東京"));
    QCOMPARE(edit.text(), QStringLiteral("ab東京"));
}

void TestByteLimitValidator::longStoredValueStaysUntilShortened()
{
    QLineEdit edit;
    auto* validator = new ByteLimitValidator(&edit, 5);
    validator->setValue("abcdefg");
    QCOMPARE(edit.text(), QStringLiteral("abcdefg"));
    edit.show();
    edit.setFocus();
    edit.end(false);
    QTest::keyClick(&edit, Qt::Key_X);
    QCOMPARE(edit.text(), QStringLiteral("abcdefg"));
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QCOMPARE(edit.text(), QStringLiteral("abcdef"));
}

void TestByteLimitValidator::plainTextCountsLineBreaksAsTwo()
{
    QPlainTextEdit edit;
    new ByteLimitValidator(&edit, 6);
    edit.show();
    edit.setFocus();
    QTest::keyClicks(&edit, "ab");
    QTest::keyClick(&edit, Qt::Key_Return);
    QTest::keyClicks(&edit, "cdef");
    QCOMPARE(edit.toPlainText(), QStringLiteral("ab\ncd"));
    QCOMPARE(ByteLimitValidator::storedLength(edit.toPlainText()), 6L);
}

void TestByteLimitValidator::plainTextRefusesAmidPaste()
{
    QPlainTextEdit edit;
    auto* validator = new ByteLimitValidator(&edit, 250);
    QSignalSpy hints(validator, &ByteLimitValidator::refused);
    validator->setValue(QStringLiteral("xy"));
    QTextCursor c = edit.textCursor();
    c.setPosition(1);
    edit.setTextCursor(c);
    edit.insertPlainText("1" + kEmoji + "2");
    QCOMPARE(edit.toPlainText(), QStringLiteral("x12y"));
    QCOMPARE(edit.textCursor().position(), 3);
    QCOMPARE(hints.count(), 1);
}

VOK_TEST_MAIN(TestByteLimitValidator)
#include "tst_bytelimitvalidator.moc"
