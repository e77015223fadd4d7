#pragma once

#include <QString>
#include <QStringList>
#include <QValidator>

class QLineEdit;
class QPlainTextEdit;

// Keeps an edit within a CP932 byte limit and refuses characters that CP932 cannot hold, unless
// the field keeps its whole text beside the record (names, addresses, memos): there such a
// character is taken and counts as the two bytes of the 〓 the record holds for it.
//
// It looks at each user change as the text inserted between an unchanged head and tail, so
// typing and pasting stop at the limit, and a value that came in longer than the limit (from a
// stored record) stays as it is until the user shortens it. A multi-line edit counts each line
// break as the two bytes of the CR LF it is stored as; a single-line edit takes a line break
// (pasted) as a blank. Every refused character is named in the hint, also one whose two UTF-16
// halves come as two key presses, which the edits would otherwise drop without a word.
class ByteLimitValidator : public QValidator
{
    Q_OBJECT
public:
    enum class Refusal
    {
        None,
        Unmappable,
        TooLong
    };

    enum class Lines
    {
        Single, // a line break becomes a blank
        Multi   // a line break counts as CR LF
    };

    struct Result
    {
        QString text;
        int cursor = 0;
        Refusal refusal = Refusal::None; // the first reason
        QStringList refusedChars;        // each character CP932 cannot hold, once
    };

    ByteLimitValidator(QLineEdit* edit, int maxBytes);
    ByteLimitValidator(QPlainTextEdit* edit, int maxBytes);

    int maxBytes() const { return m_maxBytes; }
    void setKeepsWholeText(bool keeps) { m_keepsWholeText = keeps; }
    // Puts a value into the edit without checking it: a stored value may exceed the limit.
    void setValue(const QString& text);
    // Bytes the text takes in a record (line breaks as CR LF), -1 when CP932 cannot hold it.
    static long storedLength(const QString& text);
    // The text after a change from before to after, cut back to what the limit admits.
    static Result fit(const QString& before, const QString& after, int maxBytes, Lines lines,
                      bool keepsWholeText = false);

    // Line edits: the change the edit is about to take, cut back in place.
    State validate(QString& input, int& pos) const override;

signals:
    // A change was cut back; the text says why, short enough to stand beside the field.
    void refused(const QString& hint);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void plainTextChanged();
    void report(const Result& result);
    void reportUnmappable(const QStringList& chars);

    QLineEdit* m_line = nullptr;
    QPlainTextEdit* m_plain = nullptr;
    int m_maxBytes;
    mutable QString m_before;
    bool m_fixing = false;
    QChar m_pendingHigh; // first half of a character typed as two key presses
    bool m_keepsWholeText = false;
};
