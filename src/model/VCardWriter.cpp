#include "VCardWriter.h"

#include "AddressRecord.h"
#include "Cp932.h"
#include "Utf8.h"

#include <algorithm>

namespace {

constexpr std::size_t kFoldAt = 75;
constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";

// Text with backslash, comma, semicolon and line breaks escaped.
void appendEscaped(std::string& out, std::string_view text)
{
    const bool plain = std::none_of(text.begin(), text.end(), [](char c) {
        return c == '\\' || c == ',' || c == ';' || c == '\r' || c == '\n';
    });
    if (plain) {
        out += text;
        return;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case ',':
            out += "\\,";
            break;
        case ';':
            out += "\\;";
            break;
        case '\r':
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += "\\n";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += c;
        }
    }
}

// The line with its CR LF, folded into pieces of at most 75 octets, each continuation starting
// with a space; never inside a UTF-8 character.
void appendFolded(std::string& out, std::string_view line)
{
    if (line.size() <= kFoldAt) {
        out += line;
        out += "\r\n";
        return;
    }
    std::size_t pos = 0;
    std::size_t room = kFoldAt;
    while (line.size() - pos > room) {
        std::size_t cut = pos + room;
        while (cut > pos && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        out += line.substr(pos, cut - pos);
        out += "\r\n ";
        pos = cut;
        room = kFoldAt - 1;
    }
    out += line.substr(pos);
    out += "\r\n";
}

// Family and given name: a Japanese name is split at its first space, family first; a Latin
// one before its last word, which is the family name.
void splitName(std::string_view name, std::string_view& family, std::string_view& given)
{
    if (Utf8::isAscii(name)) {
        const auto space = name.rfind(' ');
        if (space == std::string_view::npos) {
            family = name;
            given = {};
        } else {
            family = name.substr(space + 1);
            given = name.substr(0, space);
        }
        return;
    }
    std::size_t at = name.find(' ');
    std::size_t width = 1;
    const std::size_t wide = name.find(kIdeographicSpace);
    if (wide < at) {
        at = wide;
        width = kIdeographicSpace.size();
    }
    if (at == std::string_view::npos) {
        family = name;
        given = {};
    } else {
        family = name.substr(0, at);
        given = name.substr(at + width);
    }
}

class CardWriter
{
public:
    CardWriter(std::string& out, VCardWriter::Version version)
        : m_out(out), m_v4(version == VCardWriter::Version::V40)
    {
    }

    void card(const AddressRecord& r, std::string_view readingText)
    {
        using R = AddressRecord;
        for (int i = 0; i < R::FieldCount; ++i)
            Cp932::toUtf8(r.field(i), m_fields[std::size_t(i)]);
        std::string reading = Utf8::sanitize(readingText);
        for (char& c : reading) {
            if (c == '\r' || c == '\n')
                c = ' ';
        }
        // The reading split like the name: phones keep family and given apart.
        std::string_view readingFamily = reading;
        std::string_view readingGiven;
        if (const auto space = reading.find(' '); space != std::string::npos) {
            readingFamily = std::string_view(reading).substr(0, space);
            readingGiven = std::string_view(reading).substr(space + 1);
        }

        m_out += "BEGIN:VCARD\r\n";
        m_out += m_v4 ? "VERSION:4.0\r\n" : "VERSION:3.0\r\n";
        simple("FN", {}, field(R::Name), true);

        std::string_view family, given;
        splitName(field(R::Name), family, given);
        m_line = "N";
        if (m_v4 && !reading.empty() && reading.find_first_of("\",^") == std::string::npos) {
            m_line += ";SORT-AS=\"";
            m_line += readingFamily;
            if (!readingGiven.empty()) {
                m_line += ',';
                m_line += readingGiven;
            }
            m_line += '"';
        }
        m_line += ':';
        appendEscaped(m_line, family);
        m_line += ';';
        appendEscaped(m_line, given);
        m_line += ";;;";
        appendFolded(m_out, m_line);
        if (!reading.empty()) {
            if (!m_v4)
                simple("SORT-STRING", {}, reading);
            simple("X-PHONETIC-LAST-NAME", {}, readingFamily);
            simple("X-PHONETIC-FIRST-NAME", {}, readingGiven);
        }

        simple("EMAIL", m_v4 ? "home" : "INTERNET,HOME", field(R::Email));
        simple("TEL", m_v4 ? "home,voice" : "HOME,VOICE", field(R::Phone));
        simple("TEL", m_v4 ? "cell" : "CELL", field(R::MobilePhone));
        simple("TEL", m_v4 ? "home,fax" : "HOME,FAX", field(R::Fax));
        address(m_v4 ? "home" : "HOME", field(R::Address), field(R::PostalCode));
        simple("NOTE", {}, field(R::Memo));
        simple("ORG", {}, field(R::Company));
        simple("EMAIL", m_v4 ? "work" : "INTERNET,WORK", field(R::OfficeEmail));
        simple("TEL", m_v4 ? "work,voice" : "WORK,VOICE", field(R::OfficePhone));
        simple("TEL", m_v4 ? "work,fax" : "WORK,FAX", field(R::OfficeFax));
        address(m_v4 ? "work" : "WORK", field(R::OfficeAddress), field(R::OfficePostalCode));
        simple("NOTE", m_v4 ? "work" : "WORK", field(R::OfficeMemo));
        simple("CATEGORIES", {}, field(R::Group));
        m_out += "END:VCARD\r\n";
    }

private:
    std::string_view field(int i) const { return m_fields[std::size_t(i)]; }

    void startLine(std::string_view name, std::string_view types)
    {
        m_line = name;
        if (!types.empty()) {
            m_line += ";TYPE=";
            m_line += types;
        }
        m_line += ':';
    }

    void simple(std::string_view name, std::string_view types, std::string_view value,
                bool evenEmpty = false)
    {
        if (value.empty() && !evenEmpty)
            return;
        startLine(name, types);
        appendEscaped(m_line, value);
        appendFolded(m_out, m_line);
    }

    void address(std::string_view types, std::string_view text, std::string_view postalCode)
    {
        if (text.empty() && postalCode.empty())
            return;
        startLine("ADR", types);
        m_line += ";;";
        appendEscaped(m_line, text);
        m_line += ";;;";
        appendEscaped(m_line, postalCode);
        m_line += ';';
        appendFolded(m_out, m_line);
    }

    std::string& m_out;
    bool m_v4;
    std::string m_line;
    std::string m_fields[AddressRecord::FieldCount];
};

} // namespace

void VCardWriter::appendCard(std::string& out, const AddressRecord& record, Version version,
                             std::string_view reading)
{
    CardWriter(out, version).card(record, reading);
}

std::string VCardWriter::format(std::span<const AddressRecord* const> records, Version version,
                                const ReadingLookup& reading)
{
    std::string out;
    out.reserve(records.size() * 400);
    CardWriter writer(out, version);
    for (const AddressRecord* r : records)
        writer.card(*r, reading ? reading(*r) : std::string());
    return out;
}

FileIo::WriteStatus VCardWriter::write(const std::string& path,
                                       std::span<const AddressRecord* const> records,
                                       Version version, const ReadingLookup& reading)
{
    return FileIo::writeFile(path, format(records, version, reading));
}
