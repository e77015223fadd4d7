#include "Text.h"

#include "model/book/AddressRecord.h"
#include "model/book/RecordText.h"
#include "model/text/Cp932.h"

#include <vector>

namespace Text {

QString fromCp932(std::string_view bytes)
{
    const std::string utf8 = Cp932::toUtf8(bytes);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QString field(const AddressRecord& record, int field)
{
    const std::string_view full = RecordText::fullText(record, field);
    if (!full.empty())
        return QString::fromUtf8(full.data(), static_cast<qsizetype>(full.size()));
    return fromCp932(record.field(field));
}

std::optional<std::string> toCp932(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    Cp932::EncodeResult r =
        Cp932::fromUtf8(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    if (!r.ok)
        return std::nullopt;
    return std::move(r.bytes);
}

std::string toCp932Lossy(const QString& text)
{
    std::string out;
    for (const QChar c : text) {
        if (auto bytes = toCp932(QString(c)))
            out += *bytes;
    }
    return out;
}

std::string toCp932Replacing(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    std::vector<std::string> replaced;
    return Cp932::fromUtf8Replacing(
        std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())), replaced);
}

long cp932Length(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return Cp932::byteLength(
        std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

QString visible(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        if (c.unicode() < 0x20)
            c = QChar(0x2400 + c.unicode());
    }
    return out;
}

} // namespace Text
