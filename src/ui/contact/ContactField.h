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
// (shown as U+FFFD) survive an edit of other fields. A Japanese field keeps its whole text
// (𠮷田, an emoji): the record gets 〓 for what CP932 cannot hold, the extras the whole text.
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
    // Japanese fields keep their whole text unless told otherwise (the reading is CP932 only).
    void setKeepsWholeText(bool keeps);
    ByteLimitValidator* validator() const { return m_validator; }
    int maxBytes() const { return m_maxBytes; }

    // whole: the field's whole text when CP932 could not hold it (empty for none).
    void load(std::string_view bytes, const QString& whole = {});
    // The bytes to store, unless the text is over the limit or holds what CP932 cannot (and
    // the field keeps no whole text); whole gets the whole text, or empty when the bytes are it.
    Status store(std::string& bytes, QString* whole = nullptr) const;
    QString text() const;

    // Multi-line fields show "\n" for the CR LF they store.
    static QString toDisplay(std::string_view bytes, bool multiLine);
    static QString toDisplay(QString text, bool multiLine);
    static QString toStoredText(const QString& display, bool multiLine);

private:
    void setInput(Input input);

    QLineEdit* m_line = nullptr;
    QPlainTextEdit* m_plain = nullptr;
    ByteLimitValidator* m_validator = nullptr;
    int m_maxBytes;
    std::string m_loadedBytes;
    QString m_loadedText;
    QString m_loadedWhole;
    bool m_keepsWholeText = false;
};
