#include "ByteLimitValidator.h"

#include "ValidatorText.h"
#include "core/Text.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <utility>

namespace {

// Bytes of one character (one or two QChars); -1 when CP932 cannot hold it.
long charBytes(QStringView ch, int lineBreakBytes)
{
    if (ch.size() == 1) {
        const char16_t c = ch.front().unicode();
        if (c == u'\n')
            return lineBreakBytes;
        if (QChar::isSurrogate(c)) // half a character
            return -1;
        if (c < 0x80)
            return 1;
        if (c >= 0xFF61 && c <= 0xFF9F) // half-width katakana
            return 1;
    }
    return Text::cp932Length(ch.toString());
}

qsizetype charSize(const QString& text, qsizetype pos)
{
    if (pos + 1 < text.size() && text.at(pos).isHighSurrogate() &&
        text.at(pos + 1).isLowSurrogate())
        return 2;
    return 1;
}

long bytesOf(const QString& text, int lineBreakBytes)
{
    long total = 0;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = charSize(text, i);
        const long b = charBytes(QStringView(text).mid(i, n), lineBreakBytes);
        if (b < 0)
            return -1;
        total += b;
        i += n;
    }
    return total;
}

// The same where a character CP932 cannot hold counts as its 〓.
long wholeTextBytes(const QString& text, int lineBreakBytes)
{
    long total = 0;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = charSize(text, i);
        const long b = charBytes(QStringView(text).mid(i, n), lineBreakBytes);
        total += b < 0 ? 2 : b;
        i += n;
    }
    return total;
}

// A line break in a single line would be stored as it stands and break the line apart in every
// list and file that shows the field.
QString blankLineBreaks(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

// How a refused character is named: half of one cannot be shown.
QString shownAs(QStringView ch)
{
    if (ch.size() == 1 && ch.front().isSurrogate())
        return QString(QChar::ReplacementCharacter);
    return ch.toString();
}

} // namespace

ByteLimitValidator::ByteLimitValidator(QLineEdit* edit, int maxBytes)
    : QValidator(edit), m_line(edit), m_maxBytes(maxBytes), m_before(edit->text())
{
    edit->setValidator(this);
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { m_before = text; });
}

ByteLimitValidator::ByteLimitValidator(QPlainTextEdit* edit, int maxBytes)
    : QValidator(edit), m_plain(edit), m_maxBytes(maxBytes), m_before(edit->toPlainText())
{
    edit->installEventFilter(this);
    connect(edit, &QPlainTextEdit::textChanged, this, &ByteLimitValidator::plainTextChanged);
}

bool ByteLimitValidator::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != parent() || event->type() != QEvent::KeyPress)
        return QValidator::eventFilter(watched, event);
    // The edits ignore a key whose text is half a character, so a character beyond the 16-bit
    // range typed as two presses would vanish: join the halves into one press.
    const auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    const bool high = text.size() == 1 && text.front().isHighSurrogate();
    const bool low = text.size() == 1 && text.front().isLowSurrogate();
    const QChar pending = std::exchange(m_pendingHigh, QChar());
    if (!pending.isNull() && low) {
        QKeyEvent whole(QEvent::KeyPress, key->key(), key->modifiers(), QString(pending) + text,
                        key->isAutoRepeat());
        QCoreApplication::sendEvent(watched, &whole);
        return true;
    }
    if (!pending.isNull())
        reportUnmappable({shownAs(QStringView(&pending, 1))});
    if (high) {
        m_pendingHigh = text.front();
        return true;
    }
    if (low) {
        reportUnmappable({shownAs(text)});
        return true;
    }
    return false;
}

void ByteLimitValidator::setValue(const QString& text)
{
    m_fixing = true;
    if (m_line)
        m_line->setText(text);
    else
        m_plain->setPlainText(text);
    m_fixing = false;
    m_before = text;
}

long ByteLimitValidator::storedLength(const QString& text)
{
    return bytesOf(text, 2);
}

ByteLimitValidator::Result ByteLimitValidator::fit(const QString& before, const QString& after,
                                                   int maxBytes, Lines lines, bool keepsWholeText)
{
    const int lineBreakBytes = lines == Lines::Multi ? 2 : 1;
    Result r;
    // The change is whatever lies between the common head and the common tail.
    qsizetype head = 0;
    const qsizetype shorter = std::min(before.size(), after.size());
    while (head < shorter && before.at(head) == after.at(head))
        ++head;
    if (head > 0 && head < after.size() && after.at(head).isLowSurrogate())
        --head;
    qsizetype tail = 0;
    while (tail < shorter - head &&
           before.at(before.size() - 1 - tail) == after.at(after.size() - 1 - tail))
        ++tail;
    if (tail > 0 && after.size() - tail > head && after.at(after.size() - tail).isLowSurrogate())
        --tail;

    const QString kept = after.left(head) + after.right(tail);
    QString inserted = after.mid(head, after.size() - head - tail);
    if (lines == Lines::Single)
        inserted = blankLineBreaks(inserted);
    long used = bytesOf(kept, lineBreakBytes);
    if (used < 0 && keepsWholeText)
        used = wholeTextBytes(kept, lineBreakBytes);
    if (used < 0) // an unreadable stored value: only what is typed now is checked
        used = 0;

    QString accepted;
    for (qsizetype i = 0; i < inserted.size();) {
        const qsizetype n = charSize(inserted, i);
        const QStringView ch = QStringView(inserted).mid(i, n);
        i += n;
        long b = charBytes(ch, lineBreakBytes);
        if (b < 0 && keepsWholeText && !(ch.size() == 1 && ch.front().isSurrogate()))
            b = 2; // the 〓 the record keeps for it
        if (b < 0) {
            if (r.refusal == Refusal::None)
                r.refusal = Refusal::Unmappable;
            if (!r.refusedChars.contains(shownAs(ch)))
                r.refusedChars.append(shownAs(ch));
            continue;
        }
        if (used + b > maxBytes) {
            if (r.refusal == Refusal::None)
                r.refusal = Refusal::TooLong;
            break;
        }
        used += b;
        accepted += ch;
    }
    r.text = after.left(head) + accepted + after.right(tail);
    r.cursor = static_cast<int>(head + accepted.size());
    return r;
}

QValidator::State ByteLimitValidator::validate(QString& input, int& pos) const
{
    if (m_fixing) // setValue: a stored value is taken as it is
        return Acceptable;
    const Result r = fit(m_before, input, m_maxBytes, Lines::Single, m_keepsWholeText);
    if (r.text != input) {
        input = r.text;
        pos = r.cursor;
    }
    const_cast<ByteLimitValidator*>(this)->report(r);
    return Acceptable;
}

void ByteLimitValidator::plainTextChanged()
{
    if (m_fixing)
        return;
    const QString text = m_plain->toPlainText();
    const Result r = fit(m_before, text, m_maxBytes, Lines::Multi, m_keepsWholeText);
    if (r.text != text) {
        // Remove only the refused part, so the user's undo history stays.
        m_fixing = true;
        const qsizetype cut = text.size() - r.text.size();
        QTextCursor cursor(m_plain->document());
        cursor.setPosition(r.cursor);
        cursor.setPosition(static_cast<int>(r.cursor + cut), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        if (m_plain->toPlainText() != r.text) // refused characters amid the inserted text
            m_plain->setPlainText(r.text);
        QTextCursor at = m_plain->textCursor();
        at.setPosition(r.cursor);
        m_plain->setTextCursor(at);
        m_fixing = false;
    }
    m_before = r.text;
    report(r);
}

void ByteLimitValidator::report(const Result& result)
{
    if (!result.refusedChars.isEmpty())
        reportUnmappable(result.refusedChars);
    else if (result.refusal == Refusal::TooLong)
        emit refused(ValidatorText::LimitReached.arg(m_maxBytes));
}

void ByteLimitValidator::reportUnmappable(const QStringList& chars)
{
    emit refused(ValidatorText::CannotHoldChar.arg(chars.join(ValidatorText::CharSeparator)));
}
