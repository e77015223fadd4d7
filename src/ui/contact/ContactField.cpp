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
    if (input == Input::Latin)
        w->setInputMethodHints(Qt::ImhLatinOnly | Qt::ImhNoPredictiveText);
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
    QString text = Text::fromCp932(bytes);
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

void ContactField::load(std::string_view bytes)
{
    m_loadedBytes = std::string(bytes);
    m_loadedText = toDisplay(bytes, m_plain != nullptr);
    m_validator->setValue(m_loadedText);
}

ContactField::Status ContactField::store(std::string& bytes) const
{
    const QString shown = text();
    if (shown == m_loadedText) {
        if (m_loadedBytes.size() > static_cast<std::size_t>(m_maxBytes))
            return Status::TooLong;
        bytes = m_loadedBytes;
        return Status::Ok;
    }
    const auto encoded = Text::toCp932(toStoredText(shown, m_plain != nullptr));
    if (!encoded)
        return Status::Unmappable;
    if (encoded->size() > static_cast<std::size_t>(m_maxBytes))
        return Status::TooLong;
    bytes = *encoded;
    return Status::Ok;
}
