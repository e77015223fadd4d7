#pragma once

#include <QString>
#include <string>
#include <string_view>

class ByteLimitValidator;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

// One text field of a contact page: its edit, its byte limit and the exchange of its value
// with the CP932 bytes of the record.
//
// A value the user leaves untouched goes back byte for byte, so bytes that are not valid CP932
// (shown as U+FFFD) survive an edit of other fields.
class ContactField
{
public:
    enum class Input
    {
        Japanese,
        Latin
    };
    enum class Status
    {
        Ok,
        TooLong,
        Unmappable
    };

    ContactField(QLineEdit* edit, int maxBytes, Input input);
    ContactField(QPlainTextEdit* edit, int maxBytes, Input input);

    QWidget* widget() const;
    ByteLimitValidator* validator() const { return m_validator; }
    int maxBytes() const { return m_maxBytes; }

    void load(std::string_view bytes);
    // The bytes to store, unless the text is over the limit or holds what CP932 cannot.
    Status store(std::string& bytes) const;
    QString text() const;

    // Multi-line fields show "\n" for the CR LF they store.
    static QString toDisplay(std::string_view bytes, bool multiLine);
    static QString toStoredText(const QString& display, bool multiLine);

private:
    void setInput(Input input);

    QLineEdit* m_line = nullptr;
    QPlainTextEdit* m_plain = nullptr;
    ByteLimitValidator* m_validator = nullptr;
    int m_maxBytes;
    std::string m_loadedBytes;
    QString m_loadedText;
};
