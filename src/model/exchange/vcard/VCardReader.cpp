#include "VCardReader.h"

#include "model/exchange/ContactBuilder.h"
#include "model/exchange/CsvTokenizer.h"
#include "model/exchange/ExchangeText.h"
#include "model/io/FileIo.h"
#include "model/text/Charset.h"
#include "model/text/Hex.h"
#include "model/text/Utf8.h"

#include <algorithm>
#include <cstdlib>

namespace {

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

bool containsNoCase(std::string_view text, std::string_view word)
{
    for (std::size_t i = 0; i + word.size() <= text.size(); ++i) {
        if (Utf8::equalsNoCase(text.substr(i, word.size()), word))
            return true;
    }
    return false;
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::string_view unquote(std::string_view s)
{
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"')
        return s.substr(1, s.size() - 2);
    return s;
}

std::string decodeQuotedPrintable(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '=') {
            out += s[i];
            continue;
        }
        if (i + 2 < s.size() && Hex::digitValue(s[i + 1]) >= 0 && Hex::digitValue(s[i + 2]) >= 0) {
            out += char(Hex::digitValue(s[i + 1]) * 16 + Hex::digitValue(s[i + 2]));
            i += 2;
        } else if (i + 1 == s.size()) {
            break; // a soft line break with nothing after it
        } else {
            out += '='; // not an escape: keep it
        }
    }
    return out;
}

std::string decodeBase64(std::string_view s)
{
    std::string out;
    out.reserve(s.size() * 3 / 4);
    unsigned bits = 0;
    int count = 0;
    for (char c : s) {
        int v;
        if (c >= 'A' && c <= 'Z')
            v = c - 'A';
        else if (c >= 'a' && c <= 'z')
            v = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            v = c - '0' + 52;
        else if (c == '+')
            v = 62;
        else if (c == '/')
            v = 63;
        else if (c == '=')
            break;
        else
            continue; // folding spaces
        bits = (bits << 6) | unsigned(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += char((bits >> count) & 0xFF);
        }
    }
    return out;
}

// The text of a value with its backslash escapes resolved: \n (or \N) is a line break, \\ \, \;
// \: the character itself; any other backslash stays.
std::string unescape(std::string_view s)
{
    if (s.find('\\') == std::string_view::npos)
        return std::string(s);
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char next = s[i + 1];
        if (next == 'n' || next == 'N')
            out += '\n';
        else if (next == '\\' || next == ',' || next == ';' || next == ':')
            out += next;
        else {
            out += '\\';
            continue;
        }
        ++i;
    }
    return out;
}

// Splits at every separator that no backslash escapes; the parts keep their escapes.
void splitEscaped(std::string_view s, char separator, std::vector<std::string_view>& parts)
{
    parts.clear();
    std::size_t start = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\') {
            ++i;
        } else if (s[i] == separator) {
            parts.push_back(s.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(s.substr(start));
}

std::vector<std::string_view> splitEscaped(std::string_view s, char separator)
{
    std::vector<std::string_view> parts;
    splitEscaped(s, separator, parts);
    return parts;
}

// The unescaped component at index, or empty.
std::string component(const std::vector<std::string_view>& parts, std::size_t index)
{
    return index < parts.size() ? unescape(parts[index]) : std::string();
}

// RFC 6868: ^n, ^^ and ^' in parameter values.
std::string decodeCaret(std::string_view s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '^' && i + 1 < s.size()) {
            const char n = s[i + 1];
            if (n == 'n' || n == '^' || n == '\'') {
                out += n == 'n' ? '\n' : n == '^' ? '^' : '"';
                ++i;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

std::string joinReading(std::string_view family, std::string_view given)
{
    std::string r(trim(family));
    const std::string_view g = trim(given);
    if (!r.empty() && !g.empty())
        r += ' ';
    r += g;
    return r;
}

// What the parameters of one property say.
struct Params
{
    unsigned types = 0;
    bool quotedPrintable = false;
    bool base64 = false;
    bool irmcReading = false;
    bool phonetic = false; // a reading, not the name itself
    std::string_view charset;
    std::string_view sortAs;
};

class Parser
{
public:
    Parser(std::string_view text, ImportResult& result, const std::vector<std::string>& known,
           std::string_view fallback)
        : m_text(text), m_result(result), m_known(known), m_fallback(fallback), m_lines(text),
          m_utf8(Utf8::isValid(text))
    {
    }

    void run()
    {
        std::string_view line;
        while (nextLogical(line))
            property(line);
        if (m_inCard)
            finishCard(); // a last card without END:VCARD still counts
    }

private:
    bool nextPhysical(std::string_view& line)
    {
        if (m_lines.atEnd())
            return false;
        line = m_lines.peekLine();
        m_lines.skipLine();
        return true;
    }

    // One property line with its folded continuation lines joined. Version 2.1 folds before
    // white space that belongs to the value; later versions insert the white space.
    bool nextLogical(std::string_view& out)
    {
        if (!nextPhysical(out))
            return false;
        m_lineStart = m_lines.line();
        if (!continues())
            return true; // the usual line: a view into the text
        m_line.assign(out);
        std::string_view more;
        while (continues()) {
            nextPhysical(more);
            m_line.append(m_v21 ? more : more.substr(1));
        }
        out = m_line;
        return true;
    }

    bool continues() const
    {
        const std::size_t pos = m_lines.position();
        return pos < m_text.size() && (m_text[pos] == ' ' || m_text[pos] == '\t');
    }

    void property(std::string_view line)
    {
        if (line.find(':') == std::string_view::npos) {
            notProperty(line);
            return;
        }
        // name, parameters up to the first colon outside quotes, then the value
        std::size_t i = 0;
        while (i < line.size() && line[i] != ';' && line[i] != ':')
            ++i;
        std::string_view name = trim(line.substr(0, i));
        std::string_view group;
        if (const auto dot = name.rfind('.'); dot != std::string_view::npos) {
            group = name.substr(0, dot); // "item1.EMAIL"
            name.remove_prefix(dot + 1);
        }
        // An iPhone labels a group's value in a line of its own, after it (or before): the
        // group's lines wait until the group ends.
        if (m_inCard && m_nested == 0 && !m_replaying) {
            if (!group.empty()) {
                if (group != m_pendingGroup) {
                    flushGroup();
                    m_pendingGroup = group;
                }
                if (Utf8::equalsNoCase(name, "X-ABLABEL"))
                    m_pendingLabel = unescape(trim(line.substr(std::min(line.size(), i + 1))));
                else
                    m_pendingLines.emplace_back(line);
                return;
            }
            flushGroup();
        }
        Params params;
        while (i < line.size() && line[i] == ';') {
            const std::size_t start = ++i;
            bool quoted = false;
            while (i < line.size() && (quoted || (line[i] != ';' && line[i] != ':'))) {
                if (line[i] == '"')
                    quoted = !quoted;
                ++i;
            }
            parameter(line.substr(start, i - start), params);
        }
        if (i >= line.size())
            return; // no value: a line of base64 data or noise
        const std::string_view value = line.substr(i + 1);
        m_name.assign(name);
        for (char& c : m_name)
            c = upper(c);
        const std::string_view key = m_name;
        m_afterNote = key == "NOTE";
        if (m_lastCharset != params.charset) // nearly always both empty: no copy per line
            m_lastCharset.assign(params.charset);
        m_inBinary = params.base64 || key == "PHOTO" || key == "LOGO";

        if (!m_inCard) {
            if (key == "BEGIN" && Utf8::equalsNoCase(trim(value), "VCARD"))
                startCard();
            return;
        }
        const bool afterAgent = m_afterAgent;
        m_afterAgent = key == "AGENT" && trim(value).empty();
        if (m_nested > 0) {
            // the card of a 2.1 AGENT: not a contact of the book
            if (key == "BEGIN")
                ++m_nested;
            else if (key == "END")
                --m_nested;
            return;
        }
        if (key == "BEGIN") {
            if (afterAgent) {
                ++m_nested;
                return;
            }
            // The card before was cut off: keep what it had and begin the next one.
            finishCard();
            startCard();
            return;
        }
        if (key == "END") {
            finishCard();
            return;
        }
        if (key == "VERSION") {
            m_v21 = Utf8::startsWithNoCase(trim(value), "2.");
            return;
        }
        if (key == "PHOTO" || key == "LOGO") {
            ++m_result.photosSkipped;
            return;
        }
        std::string_view raw = value;
        // A soft line break ends a quoted-printable line with "=".
        if (params.quotedPrintable && !m_replaying && !value.empty() && value.back() == '=') {
            m_raw.assign(value);
            std::string_view more;
            while (!m_raw.empty() && m_raw.back() == '=' && !m_lines.atEnd() &&
                   !Utf8::startsWithNoCase(m_text.substr(m_lines.position()), "END:VCARD") &&
                   nextPhysical(more)) {
                m_raw.pop_back();
                m_raw.append(more);
            }
            raw = m_raw;
        }
        if (params.quotedPrintable) {
            m_decoded = decodeQuotedPrintable(raw);
            raw = m_decoded;
        } else if (params.base64) {
            m_decoded = decodeBase64(raw);
            raw = m_decoded;
        }
        // UTF-8 as it stands is the usual case: no copy.
        std::string_view text = raw;
        const bool decoded = params.quotedPrintable || params.base64;
        if (!(params.charset.empty() || Utf8::equalsNoCase(params.charset, "UTF-8")) ||
            ((decoded || !m_utf8) && !Utf8::isValid(raw))) {
            m_converted = Charset::toUtf8(raw, params.charset);
            text = m_converted;
        }
        use(key, params, text);
    }

    // A line without a colon: the data of a photo, or text a phone wrote without folding it.
    // Text right after a note continues it; anything else is reported, never dropped unseen.
    void notProperty(std::string_view line)
    {
        if (!m_inCard || m_nested > 0 || trim(line).empty()) {
            m_inBinary = false;
            return;
        }
        if (m_inBinary)
            return;
        std::string text(trim(line));
        if (!Utf8::isValid(text))
            text = Charset::toUtf8(text, m_lastCharset.empty() ? std::string_view("SHIFT_JIS")
                                                               : std::string_view(m_lastCharset));
        const bool joined = m_afterNote;
        if (joined)
            m_builder.addNote(text, false);
        m_result.unread.push_back({m_lineStart, std::move(text), joined});
    }

    // The lines of one group, read with the group's label.
    void flushGroup()
    {
        if (!m_pendingLines.empty()) {
            applyLabel(m_pendingLabel);
            m_replaying = true;
            for (const std::string& line : m_pendingLines)
                property(line);
            m_replaying = false;
            m_label.clear();
            m_labelTypes = 0;
        }
        m_pendingLines.clear();
        m_pendingGroup.clear();
        m_pendingLabel.clear();
    }

    // The types or the label of an iPhone's X-ABLabel ("_$!<Mobile>!$_", "_$!<Other>!$_",
    // "実家").
    void applyLabel(std::string_view label)
    {
        m_label.clear();
        m_labelTypes = 0;
        if (label.starts_with("_$!<") && label.ends_with(">!$_")) {
            const std::string_view inner = label.substr(4, label.size() - 8);
            struct Known
            {
                std::string_view name;
                unsigned types;
            };
            using B = ContactBuilder;
            static constexpr Known known[] = {
                {"Home", B::Home},
                {"Work", B::Work},
                {"Mobile", B::Cell},
                {"iPhone", B::Cell},
                {"HomeFAX", B::Home | B::Fax},
                {"WorkFAX", B::Work | B::Fax},
                {"OtherFAX", B::Fax},
                {"Pager", B::Pager},
                {"Main", 0},
                {"HomePage", 0},
            };
            for (const Known& k : known) {
                if (Utf8::equalsNoCase(inner, k.name)) {
                    m_labelTypes = k.types;
                    return;
                }
            }
            m_label = Utf8::equalsNoCase(inner, "Other") ? std::string(ExchangeText::LabelOther)
                                                         : std::string(inner);
            return;
        }
        m_label = label;
    }

    void parameter(std::string_view p, Params& params)
    {
        const auto eq = p.find('=');
        const std::string_view key =
            trim(eq == std::string_view::npos ? std::string_view() : p.substr(0, eq));
        const std::string_view value = trim(eq == std::string_view::npos ? p : p.substr(eq + 1));
        if (key.empty() || Utf8::equalsNoCase(key, "TYPE")) {
            // 2.1 writes the types and the encoding bare: "TEL;CELL;PREF", ";QUOTED-PRINTABLE"
            std::string_view list = unquote(value);
            while (!list.empty()) {
                const std::size_t comma = std::min(list.find(','), list.size());
                const std::string_view t = trim(unquote(list.substr(0, comma)));
                list.remove_prefix(std::min(list.size(), comma + 1));
                if (Utf8::equalsNoCase(t, "QUOTED-PRINTABLE"))
                    params.quotedPrintable = true;
                else if (Utf8::equalsNoCase(t, "BASE64"))
                    params.base64 = true;
                else if (Utf8::equalsNoCase(t, "X-IRMC-N"))
                    params.irmcReading = true;
                else
                    params.types |= ContactBuilder::typeOf(t);
            }
        } else if (Utf8::equalsNoCase(key, "ENCODING")) {
            const std::string_view e = unquote(value);
            params.quotedPrintable =
                Utf8::equalsNoCase(e, "QUOTED-PRINTABLE") || Utf8::equalsNoCase(e, "QP");
            params.base64 = Utf8::equalsNoCase(e, "B") || Utf8::equalsNoCase(e, "BASE64");
        } else if (Utf8::equalsNoCase(key, "CHARSET")) {
            params.charset = unquote(value);
        } else if (Utf8::equalsNoCase(key, "PREF")) {
            params.types |= ContactBuilder::Pref;
        } else if (Utf8::equalsNoCase(key, "SORT-AS")) {
            params.sortAs = unquote(value);
        } else if (Utf8::equalsNoCase(key, "PHONETIC")) {
            params.phonetic = true;
        } else if (Utf8::equalsNoCase(key, "LANGUAGE") || Utf8::equalsNoCase(key, "SCRIPT")) {
            for (std::string_view kana : {"Hira", "Kana", "Hrkt"}) {
                if (containsNoCase(value, kana))
                    params.phonetic = true;
            }
        }
    }

    // The value with its escapes resolved, in a buffer of the parser's (valid until the next
    // call).
    std::string_view unescaped(std::string_view s)
    {
        if (s.find('\\') == std::string_view::npos)
            return s;
        m_unescaped = unescape(s);
        return m_unescaped;
    }

    // name: upper case
    void use(std::string_view name, const Params& params, std::string_view text)
    {
        namespace T = ExchangeText;
        const auto is = [&](std::string_view n) { return name == n; };
        if (is("FN")) {
            m_builder.setFormattedName(unescaped(text));
        } else if (is("N")) {
            std::vector<std::string_view>& parts = m_parts;
            splitEscaped(text, ';', parts);
            if (params.phonetic) {
                m_phoneticN = joinReading(component(parts, 0), component(parts, 1));
                return;
            }
            m_builder.setNameParts(component(parts, 0), component(parts, 1), component(parts, 2));
            if (!params.sortAs.empty()) {
                const std::string sortAs = decodeCaret(params.sortAs);
                const auto sort = splitEscaped(sortAs, ',');
                m_sortAs = joinReading(sort[0], sort.size() > 1 ? sort[1] : std::string_view());
            }
        } else if (is("X-PHONETIC-LAST-NAME")) {
            m_phoneticFamily = unescaped(text);
        } else if (is("X-PHONETIC-FIRST-NAME")) {
            m_phoneticGiven = unescaped(text);
        } else if (is("SORT-STRING")) {
            m_sortString = unescaped(text);
        } else if (is("SOUND")) {
            if (params.irmcReading) {
                const auto parts = splitEscaped(text, ';');
                m_irmcReading = joinReading(component(parts, 0), component(parts, 1));
            }
        } else if (is("TEL")) {
            std::string_view number = unescaped(trim(text));
            if (Utf8::startsWithNoCase(number, "tel:"))
                number.remove_prefix(4);
            m_builder.addPhone(number, params.types | m_labelTypes, m_label);
        } else if (is("EMAIL")) {
            std::string_view address = unescaped(trim(text));
            if (Utf8::startsWithNoCase(address, "mailto:"))
                address.remove_prefix(7);
            m_builder.addEmail(address, params.types | m_labelTypes, m_label);
        } else if (is("ADR")) {
            std::vector<std::string_view>& parts = m_parts;
            splitEscaped(text, ';', parts);
            ContactBuilder::Address a;
            a.poBox = component(parts, 0);
            a.extended = component(parts, 1);
            a.street = component(parts, 2);
            a.locality = component(parts, 3);
            a.region = component(parts, 4);
            a.postalCode = component(parts, 5);
            a.country = component(parts, 6);
            m_builder.addAddress(a, params.types | m_labelTypes, m_label);
            m_hasAddress = true;
        } else if (is("LABEL")) {
            m_labels.push_back({std::string(unescaped(text)), params.types});
        } else if (is("ORG")) {
            // The organisation, then its units: the department.
            std::string department;
            const auto parts = splitEscaped(text, ';');
            for (std::size_t i = 1; i < parts.size(); ++i) {
                const std::string p = unescape(parts[i]);
                if (!p.empty() && !department.empty())
                    department += ' ';
                department += p;
            }
            m_builder.addCompany(parts.empty() ? std::string() : unescape(parts[0]));
            m_builder.addDepartment(department);
        } else if (is("NOTE")) {
            m_builder.addNote(unescaped(text), params.types & ContactBuilder::Work);
        } else if (is("CATEGORIES") || is("X-GN")) {
            // X-GN: the group name of Japanese feature phones
            for (std::string_view c : splitEscaped(text, ','))
                m_builder.addGroupCandidate(unescape(c));
        } else if (is("BDAY")) {
            m_builder.addExtra(T::ExtraBirthday, unescaped(trim(text)));
        } else if (is("ANNIVERSARY") || is("X-ANNIVERSARY")) {
            m_builder.addExtra(T::ExtraAnniversary, unescaped(trim(text)));
        } else if (is("URL")) {
            m_builder.addExtra(T::ExtraUrl, unescaped(trim(text)));
        } else if (is("NICKNAME")) {
            m_builder.addExtra(T::ExtraNickname, unescaped(text));
        } else if (is("TITLE")) {
            m_builder.addTitle(unescaped(text));
        } else if (is("UID")) {
            m_builder.setUid(unescaped(trim(text)));
        } else if (is("X-VOK-HONORIFIC")) {
            m_builder.setHonorific(unescaped(trim(text)));
        } else if (is("X-VOK-JOINT-NAME")) {
            const auto parts = splitEscaped(text, ';');
            m_builder.addJointName({component(parts, 0), component(parts, 1), component(parts, 2)});
        } else if (is("X-VOK-NENGA")) {
            const auto parts = splitEscaped(text, ';');
            ContactExtras::Nenga n;
            n.year = std::atoi(component(parts, 0).c_str());
            const std::string marks = component(parts, 1);
            for (std::string_view w : splitEscaped(marks, ','))
                n.addMarkWord(trim(w));
            if (n.year > 0)
                m_builder.setNenga(n);
        } else if (is("ROLE")) {
            m_builder.addExtra(T::ExtraRole, unescaped(text));
        } else if (is("IMPP")) {
            m_builder.addExtra(T::ExtraIm, unescaped(trim(text)));
        }
    }

    void startCard()
    {
        m_inCard = true;
        m_nested = 0;
        m_afterAgent = false;
        m_v21 = false;
        m_cardLine = m_lineStart;
        m_builder.clear();
        m_phoneticFamily.clear();
        m_phoneticGiven.clear();
        m_sortString.clear();
        m_sortAs.clear();
        m_phoneticN.clear();
        m_irmcReading.clear();
        m_labels.clear();
        m_hasAddress = false;
        m_pendingLines.clear();
        m_pendingGroup.clear();
        m_pendingLabel.clear();
        m_afterNote = false;
        m_inBinary = false;
    }

    void finishCard()
    {
        flushGroup();
        m_inCard = false;
        m_v21 = false;
        // A formatted address stands in only when the card has no structured one.
        if (!m_hasAddress) {
            for (const Label& l : m_labels) {
                ContactBuilder::Address a;
                a.street = l.text;
                m_builder.addAddress(a, l.types);
            }
        }
        if (m_builder.empty()) {
            m_result.refused.push_back({m_cardLine, ExchangeText::NothingToImport});
            m_builder.clear();
            return;
        }
        std::string reading = joinReading(m_phoneticFamily, m_phoneticGiven);
        for (const std::string* r : {&m_sortString, &m_sortAs, &m_phoneticN, &m_irmcReading}) {
            if (reading.empty())
                reading = trim(*r);
        }
        m_builder.setReading(reading);
        m_builder.finish(m_result, m_known, m_fallback);
    }

    struct Label
    {
        std::string text;
        unsigned types;
    };

    std::string_view m_text;
    ImportResult& m_result;
    std::string m_raw, m_decoded, m_converted, m_name, m_unescaped;
    std::vector<std::string_view> m_parts;
    const std::vector<std::string>& m_known;
    std::string_view m_fallback;

    CsvTokenizer m_lines; // only its lines: the same line ends as CSV files
    bool m_utf8 = false;  // the whole text is UTF-8: values need no check of their own
    std::size_t m_lineStart = 0;
    std::string m_line;

    bool m_inCard = false;
    bool m_afterAgent = false;
    int m_nested = 0;
    bool m_v21 = false;
    std::size_t m_cardLine = 0;
    ContactBuilder m_builder;
    std::string m_phoneticFamily, m_phoneticGiven, m_sortString, m_sortAs, m_phoneticN,
        m_irmcReading;
    std::vector<Label> m_labels;
    bool m_hasAddress = false;
    // The lines of an iPhone's "item1." group and its label, until the group ends.
    std::string m_pendingGroup, m_pendingLabel;
    std::vector<std::string> m_pendingLines;
    bool m_replaying = false;
    std::string m_label; // of the grouped line being read: the memo's label for its value
    unsigned m_labelTypes = 0;
    bool m_afterNote = false; // a note may go on in a line without a colon
    std::string m_lastCharset;
    bool m_inBinary = false; // after a photo: lines of data, up to an empty line
};

} // namespace

ImportResult VCardReader::read(std::string_view bytes, const std::vector<std::string>& knownGroups,
                               std::string_view fallbackGroup)
{
    ImportResult result;
    std::string utf16;
    if (Charset::fromUtf16(bytes, utf16))
        bytes = utf16;
    else if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    Parser(bytes, result, knownGroups, fallbackGroup).run();
    return result;
}

ImportResult VCardReader::readFile(const std::string& path,
                                   const std::vector<std::string>& knownGroups,
                                   std::string_view fallbackGroup)
{
    std::string bytes;
    if (FileIo::readFile(path, bytes, MaxFileBytes) != 0)
        return ImportResult::openFailed();
    return read(bytes, knownGroups, fallbackGroup);
}
