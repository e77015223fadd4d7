#include "ContactField.h"

#include "core/Text.h"
#include "ui/common/ByteLimitValidator.h"

#include <QLineEdit>
#include <QPlainTextEdit>

ContactField::ContactField(QLineEdit* edit, int maxBytes, Input input)
    : m_line(edit), m_validator(new ByteLimitValidator(edit, maxBytes)), m_maxBytes(maxBytes)
{
    setInput(input);
}

ContactField::ContactField(QPlainTextEdit* edit, int maxBytes, Input input)
    : m_plain(edit), m_validator(new ByteLimitValidator(edit, maxBytes)), m_maxBytes(maxBytes)
{
    edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setTabChangesFocus(true);
    setInput(input);
}

void ContactField::setInput(Input input)
{
    QWidget* w = widget();
    // No desktop API switches an input method on or off: Japanese fields keep it, the others
    // refuse it, so an address or a number never arrives as unconverted kana.
    w->setAttribute(Qt::WA_InputMethodEnabled, input == Input::Japanese);
    m_keepsWholeText = input == Input::Japanese;
    m_validator->setKeepsWholeText(m_keepsWholeText);
    if (input == Input::Latin)
        w->setInputMethodHints(Qt::ImhLatinOnly | Qt::ImhNoPredictiveText);
}

void ContactField::setKeepsWholeText(bool keeps)
{
    m_keepsWholeText = keeps;
    m_validator->setKeepsWholeText(keeps);
}

QWidget* ContactField::widget() const
{
    return m_line ? static_cast<QWidget*>(m_line) : static_cast<QWidget*>(m_plain);
}

QString ContactField::text() const
{
    return m_line ? m_line->text() : m_plain->toPlainText();
}

QString ContactField::toDisplay(std::string_view bytes, bool multiLine)
{
    return toDisplay(Text::fromCp932(bytes), multiLine);
}

QString ContactField::toDisplay(QString text, bool multiLine)
{
    if (multiLine) {
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(u'\r', u'\n');
    }
    return text;
}

QString ContactField::toStoredText(const QString& display, bool multiLine)
{
    if (!multiLine)
        return display;
    QString text = display;
    text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return text;
}

void ContactField::load(std::string_view bytes, const QString& whole)
{
    m_loadedBytes = std::string(bytes);
    m_loadedWhole = m_keepsWholeText ? whole : QString();
    m_loadedText = m_loadedWhole.isEmpty() ? toDisplay(bytes, m_plain != nullptr)
                                           : toDisplay(m_loadedWhole, m_plain != nullptr);
    m_validator->setValue(m_loadedText);
}

ContactField::Status ContactField::store(std::string& bytes, QString* whole) const
{
    const QString shown = text();
    if (shown == m_loadedText) {
        if (m_loadedBytes.size() > static_cast<std::size_t>(m_maxBytes))
            return Status::TooLong;
        bytes = m_loadedBytes;
        if (whole)
            *whole = m_loadedWhole;
        return Status::Ok;
    }
    const QString stored = toStoredText(shown, m_plain != nullptr);
    std::string encoded;
    QString kept;
    if (const auto exact = Text::toCp932(stored)) {
        encoded = *exact;
    } else if (m_keepsWholeText && whole) {
        encoded = Text::toCp932Replacing(stored);
        kept = stored;
    } else {
        return Status::Unmappable;
    }
    if (encoded.size() > static_cast<std::size_t>(m_maxBytes))
        return Status::TooLong;
    bytes = std::move(encoded);
    if (whole)
        *whole = kept;
    return Status::Ok;
}
