#include "VCardWriter.h"

#include "model/book/AddressRecord.h"
#include "model/book/ContactExtras.h"
#include "model/book/RecordText.h"
#include "model/text/Cp932.h"
#include "model/text/Utf8.h"

#include <algorithm>
#include <array>
#include <optional>

namespace {

constexpr std::size_t kFoldAt = 75;
constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";

// The bytes that text values escape.
constexpr std::array<bool, 256> kEscaped = [] {
    std::array<bool, 256> escaped{};
    for (const unsigned char c : {'\\', ',', ';', '\r', '\n'})
        escaped[c] = true;
    return escaped;
}();

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
        m_record = &r;
        m_name = RecordText::utf8(r, R::Name);
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
        startLine("FN", {});
        VCardWriter::appendEscaped(m_out, m_name);
        endLine();

        std::string_view family, given;
        splitName(m_name, family, given);
        m_start = m_out.size();
        m_out += "N";
        if (m_v4 && !reading.empty() && reading.find_first_of("\",^") == std::string::npos) {
            m_out += ";SORT-AS=\"";
            m_out += readingFamily;
            if (!readingGiven.empty()) {
                m_out += ',';
                m_out += readingGiven;
            }
            m_out += '"';
        }
        m_out += ':';
        VCardWriter::appendEscaped(m_out, family);
        m_out += ';';
        VCardWriter::appendEscaped(m_out, given);
        m_out += ";;;";
        endLine();
        const ContactExtras* x = r.extras();
        if (x && !x->foreignUid.empty())
            text("UID", x->foreignUid);
        else if (!r.uid().isNull())
            text("UID", m_v4 ? "urn:uuid:" + r.uid().toString() : r.uid().toString());
        if (!reading.empty()) {
            if (!m_v4)
                text("SORT-STRING", reading);
            text("X-PHONETIC-LAST-NAME", readingFamily);
            text("X-PHONETIC-FIRST-NAME", readingGiven);
        }

        simple("EMAIL", m_v4 ? "home" : "INTERNET,HOME", R::Email);
        simple("TEL", m_v4 ? "home,voice" : "HOME,VOICE", R::Phone);
        simple("TEL", m_v4 ? "cell" : "CELL", R::MobilePhone);
        simple("TEL", m_v4 ? "home,fax" : "HOME,FAX", R::Fax);
        address(m_v4 ? "home" : "HOME", R::Address, R::PostalCode);
        simple("NOTE", {}, R::Memo);
        organisation(x ? x->department : std::string_view());
        if (x)
            text("TITLE", x->title);
        simple("EMAIL", m_v4 ? "work" : "INTERNET,WORK", R::OfficeEmail);
        simple("TEL", m_v4 ? "work,voice" : "WORK,VOICE", R::OfficePhone);
        simple("TEL", m_v4 ? "work,fax" : "WORK,FAX", R::OfficeFax);
        address(m_v4 ? "work" : "WORK", R::OfficeAddress, R::OfficePostalCode);
        simple("NOTE", m_v4 ? "work" : "WORK", R::OfficeMemo);
        simple("CATEGORIES", {}, R::Group);
        if (x)
            extras(*x);
        m_out += "END:VCARD\r\n";
    }

private:
    // A line is written straight into the output and folded there when it is long.
    void startLine(std::string_view name, std::string_view types)
    {
        m_start = m_out.size();
        m_out += name;
        if (!types.empty()) {
            m_out += ";TYPE=";
            m_out += types;
        }
        m_out += ':';
    }

    void endLine()
    {
        if (m_out.size() - m_start <= kFoldAt) {
            m_out += "\r\n";
            return;
        }
        m_line.assign(m_out, m_start);
        m_out.resize(m_start);
        VCardWriter::appendFolded(m_out, m_line);
    }

    // What only this program reads back: 敬称, 連名 (name;敬称;reading) and 年賀 marks.
    void extras(const ContactExtras& x)
    {
        text("X-VOK-HONORIFIC", x.honorific);
        for (const auto& j : x.jointNames) {
            startLine("X-VOK-JOINT-NAME", {});
            VCardWriter::appendEscaped(m_out, j.name);
            m_out += ';';
            VCardWriter::appendEscaped(m_out, j.honorific);
            m_out += ';';
            VCardWriter::appendEscaped(m_out, j.reading);
            endLine();
        }
        for (const auto& n : x.nenga) {
            startLine("X-VOK-NENGA", {});
            m_out += std::to_string(n.year);
            m_out += ';';
            m_out += n.markWords(',');
            endLine();
        }
    }

    // ORG: the company, and the department as its unit.
    void organisation(std::string_view department)
    {
        if (m_record->field(AddressRecord::Company).empty() && department.empty())
            return;
        startLine("ORG", {});
        appendValue(AddressRecord::Company);
        if (!department.empty()) {
            m_out += ';';
            VCardWriter::appendEscaped(m_out, department);
        }
        endLine();
    }

    // A field's text as UTF-8 (its whole text when CP932 could not hold it), converted straight
    // into the output and escaped there when it holds what needs escaping.
    void appendValue(int field)
    {
        const std::size_t start = m_out.size();
        const std::string_view full = RecordText::fullText(*m_record, field);
        if (full.empty())
            Cp932::appendUtf8(m_record->field(field), m_out);
        else
            m_out += full;
        const auto special = [](char c) { return kEscaped[static_cast<unsigned char>(c)]; };
        if (std::none_of(m_out.begin() + long(start), m_out.end(), special))
            return;
        m_value.assign(m_out, start);
        m_out.resize(start);
        VCardWriter::appendEscaped(m_out, m_value);
    }

    // A property holding a field, when the field is not empty.
    void simple(std::string_view name, std::string_view types, int field)
    {
        if (m_record->field(field).empty())
            return;
        startLine(name, types);
        appendValue(field);
        endLine();
    }

    // A property holding UTF-8 text, when there is some.
    void text(std::string_view name, std::string_view utf8)
    {
        if (utf8.empty())
            return;
        startLine(name, {});
        VCardWriter::appendEscaped(m_out, utf8);
        endLine();
    }

    void address(std::string_view types, int field, int postalCode)
    {
        if (m_record->field(field).empty() && m_record->field(postalCode).empty())
            return;
        startLine("ADR", types);
        m_out += ";;";
        appendValue(field);
        m_out += ";;;";
        appendValue(postalCode);
        m_out += ';';
        endLine();
    }

    std::string& m_out;
    bool m_v4;
    std::size_t m_start = 0; // where the line being written starts in m_out
    std::string m_line;      // a long line while it is folded
    std::string m_value;     // a value while it is escaped
    std::string m_name;      // the contact's name in UTF-8
    const AddressRecord* m_record = nullptr;
};

} // namespace

void VCardWriter::appendEscaped(std::string& out, std::string_view text)
{
    const bool plain = std::none_of(text.begin(), text.end(),
                                    [](char c) { return kEscaped[static_cast<unsigned char>(c)]; });
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
void VCardWriter::appendFolded(std::string& out, std::string_view line)
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
    return writeEach(path, recordsOf(records), version, reading);
}

FileIo::WriteStatus VCardWriter::writeEach(const std::string& path, const RecordSource& records,
                                           Version version, const ReadingLookup& reading,
                                           const FileIo::Completion& complete)
{
    std::optional<CardWriter> writer; // made for the buffer that writeStreamed keeps
    return FileIo::writeStreamed(
        path,
        [&](std::string& out) {
            const AddressRecord* record = records();
            if (!record)
                return false;
            if (!writer)
                writer.emplace(out, version);
            writer->card(*record, reading ? reading(*record) : std::string());
            return true;
        },
        complete);
}
