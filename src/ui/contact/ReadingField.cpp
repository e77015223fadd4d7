#include "ReadingField.h"

#include <QAbstractButton>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

// Kana, the long-vowel mark and blanks only: what an input method shows before conversion.
bool isKana(const QString& text)
{
    bool any = false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool kana = (u >= 0x3041 && u <= 0x309F) || (u >= 0x30A0 && u <= 0x30FF) ||
                          (u >= 0xFF66 && u <= 0xFF9F);
        if (kana)
            any = true;
        else if (!c.isSpace())
            return false;
    }
    return any;
}

} // namespace

ReadingField::ReadingField(QLineEdit* name, QLineEdit* reading, QAbstractButton* useGuess)
    : QObject(reading), m_name(name), m_reading(reading), m_useGuess(useGuess)
{
    name->installEventFilter(this);
    connect(name, &QLineEdit::textChanged, this, &ReadingField::onNameEdited);
    // The line edit announces the new text before the selection it replaced is gone, so the
    // edit sees whether it wrote over the whole name.
    connect(name, &QLineEdit::selectionChanged, this, [this] {
        m_nameSelected = m_name->hasSelectedText() && m_name->selectedText() == m_name->text();
    });
    connect(reading, &QLineEdit::textChanged, this, &ReadingField::offerGuess);
    connect(useGuess, &QAbstractButton::clicked, this, [this] {
        fill(m_guess);
        m_reading->setFocus(Qt::OtherFocusReason);
    });
    offerGuess();
}

void ReadingField::setGuess(Guess guess)
{
    m_guessOf = std::move(guess);
    offerGuess();
}

void ReadingField::loaded()
{
    m_written = m_reading->text();
    // Kana typed after the loaded name read on from its reading.
    m_composed = m_written;
    m_kana.clear();
    offerGuess();
}

bool ReadingField::untouched() const
{
    return m_reading->text() == m_written || m_reading->text().isEmpty();
}

void ReadingField::fill(const QString& reading)
{
    m_written = reading;
    m_reading->setText(reading);
}

bool ReadingField::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_name && event->type() == QEvent::InputMethod) {
        compose(*static_cast<QInputMethodEvent*>(event));
    } else if (watched == m_name && event->type() == QEvent::KeyPress) {
        // A blank typed between surname and given name, the input method off. Tab and Return
        // carry white space too, but leave the field.
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (text == QStringLiteral(" ") || text == QStringLiteral("\u3000"))
            addPart(QStringLiteral(" "));
    }
    return QObject::eventFilter(watched, event);
}

void ReadingField::compose(const QInputMethodEvent& event)
{
    // One event may commit a conversion and start the next composition: the commit first,
    // with the kana composed before it.
    const QString commit = event.commitString();
    if (!commit.isEmpty()) {
        // Typing over the whole name starts a new one.
        if (m_name->text().isEmpty() || m_nameSelected) {
            m_composed.clear();
            if (untouched())
                fill(QString());
        }
        addPart(commit.trimmed().isEmpty() ? QStringLiteral(" ")
                                           : (isKana(commit) ? commit : m_kana));
        m_kana.clear();
        m_nameSelected = false; // the edit that follows is this commit, accounted for here
    }
    // While the user types, the composition is kana (and the romaji of a kana not yet whole,
    // which is left out); after conversion it is the kanji, and the kana stay remembered.
    const QString preedit = event.preeditString();
    if (isKana(preedit))
        m_kana = preedit;
    else if (preedit.isEmpty() && commit.isEmpty())
        m_kana.clear(); // the composition was abandoned
}

void ReadingField::addPart(const QString& part)
{
    // One blank between parts, none before the first.
    if (part.isEmpty() ||
        (part == QStringLiteral(" ") && (m_composed.isEmpty() || m_composed.endsWith(u' '))))
        return;
    m_composed += part;
    if (untouched())
        fill(m_composed);
}

void ReadingField::onNameEdited(const QString& name)
{
    if (name.trimmed().isEmpty() || m_nameSelected) {
        // A new name begins: the reading of the old one goes with it, unless the user wrote it.
        m_composed.clear();
        if (untouched())
            fill(QString());
    }
    offerGuess();
}

void ReadingField::offerGuess()
{
    m_guess = m_guessOf ? m_guessOf(m_name->text()) : QString();
    m_reading->setPlaceholderText(m_guess);
    m_useGuess->setEnabled(!m_guess.isEmpty() && m_reading->text() != m_guess);
}
