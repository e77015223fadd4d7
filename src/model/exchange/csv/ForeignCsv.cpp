#include "ForeignCsv.h"

#include "CsvFile.h"
#include "CsvHeaderGuess.h"
#include "model/book/AddressRecord.h"
#include "model/exchange/ContactBuilder.h"
#include "model/exchange/CsvTokenizer.h"
#include "model/exchange/ExchangeText.h"
#include "model/text/Charset.h"
#include "model/text/Cp932.h"
#include "model/text/Utf8.h"

#include <algorithm>
#include <array>

namespace {

using R = AddressRecord;
using P = CsvColumn::Part;

constexpr std::string_view kBom = "\xEF\xBB\xBF";
// Enough rows to guess from, few enough to guess at once.
constexpr std::size_t kGuessRows = 30;
// The lines that decide whether a file is in this program's own format.
constexpr std::size_t kOwnFormatLines = 20;
// How often a long import reports how far it got.
constexpr std::size_t kProgressRows = 1000;

void appendSpaced(std::string& to, std::string_view part)
{
    if (part.empty())
        return;
    if (!to.empty())
        to += ' ';
    to += part;
}

struct NameParts
{
    std::string whole, family, given, middle;

    void add(P part, std::string_view v)
    {
        switch (part) {
        case P::Family:
            appendSpaced(family, v);
            break;
        case P::Given:
            appendSpaced(given, v);
            break;
        case P::Middle:
            appendSpaced(middle, v);
            break;
        default:
            appendSpaced(whole, v);
        }
    }
};

struct AddressParts
{
    bool office;
    int set;
    ContactBuilder::Address address;

    void add(int field, P part, std::string_view v)
    {
        ContactBuilder::Address& a = address;
        if (field == R::PostalCode || field == R::OfficePostalCode) {
            appendSpaced(a.postalCode, v);
            return;
        }
        switch (part) {
        case P::Region:
            appendSpaced(a.region, v);
            break;
        case P::Locality:
            appendSpaced(a.locality, v);
            break;
        case P::Extended:
            appendSpaced(a.extended, v);
            break;
        case P::Country:
            appendSpaced(a.country, v);
            break;
        default:
            appendSpaced(a.street, v);
        }
    }
};

struct CompanyParts
{
    int set;
    std::string name, department;
};

// The memo's Japanese heading for a column of an English export ("Birthday", "Website 1 -
// Value"), or the header as it stands.
std::string_view memoLabel(std::string_view header)
{
    std::string key;
    for (char c : header) {
        if (c >= 'A' && c <= 'Z')
            key += char(c - 'A' + 'a');
        else if (c >= 'a' && c <= 'z')
            key += c;
    }
    if (key.ends_with("value"))
        key.resize(key.size() - 5);
    static constexpr std::pair<std::string_view, std::string_view> known[] = {
        {"birthday", ExchangeText::ExtraBirthday},
        {"nickname", ExchangeText::ExtraNickname},
        {"website", ExchangeText::ExtraUrl},
        {"webpage", ExchangeText::ExtraUrl},
        {"homepage", ExchangeText::ExtraUrl},
        {"url", ExchangeText::ExtraUrl},
        {"anniversary", ExchangeText::ExtraAnniversary},
        {"jobtitle", ExchangeText::ExtraTitle},
    };
    for (const auto& [english, japanese] : known) {
        if (key == english)
            return japanese;
    }
    return header;
}

// Google Contacts writes several values of one kind into one cell: "03-1 ::: 03-2".
template <typename Add> void eachValue(std::string_view cell, Add add)
{
    static constexpr std::string_view separator = " ::: ";
    while (true) {
        const std::size_t at = cell.find(separator);
        add(cell.substr(0, at));
        if (at == std::string_view::npos)
            return;
        cell.remove_prefix(at + separator.size());
    }
}

// Puts the cells of one row into the builder as the plan says.
void fillRow(ContactBuilder& b, const std::vector<std::string>& cells, std::size_t count,
             const ForeignCsv::Plan& plan, const std::vector<std::string>& header)
{
    NameParts name, reading;
    std::array<ContactExtras::JointName, ContactExtras::MaxJointNames> joints;
    std::vector<AddressParts> addresses;
    std::vector<CompanyParts> companies;
    bool nameColumn = false;
    const std::size_t columns = std::min(count, plan.columns.size());
    for (std::size_t c = 0; c < columns; ++c) {
        const CsvColumn& t = plan.columns[c];
        if (t.field == R::Name && t.part == P::Whole)
            nameColumn = true;
        const std::string& v = cells[c];
        if (t.field == CsvColumn::Ignore || v.empty())
            continue;
        unsigned types = 0;
        if (t.labelColumn >= 0 && std::size_t(t.labelColumn) < count)
            types = ContactBuilder::typesOfLabel(cells[std::size_t(t.labelColumn)]);
        switch (t.field) {
        case R::Name:
            name.add(t.part, v);
            break;
        case CsvColumn::Reading:
            reading.add(t.part, v);
            break;
        case R::Email:
            eachValue(v, [&](std::string_view x) { b.addEmail(x, types); });
            break;
        case R::OfficeEmail:
            eachValue(v, [&](std::string_view x) { b.addEmail(x, types | ContactBuilder::Work); });
            break;
        case R::Phone:
            eachValue(v, [&](std::string_view x) { b.addPhone(x, types); });
            break;
        case R::MobilePhone:
            eachValue(v, [&](std::string_view x) { b.addPhone(x, types | ContactBuilder::Cell); });
            break;
        case R::Fax:
            eachValue(v, [&](std::string_view x) { b.addPhone(x, types | ContactBuilder::Fax); });
            break;
        case R::OfficePhone:
            eachValue(v, [&](std::string_view x) { b.addPhone(x, types | ContactBuilder::Work); });
            break;
        case R::OfficeFax:
            eachValue(v, [&](std::string_view x) {
                b.addPhone(x, types | ContactBuilder::Work | ContactBuilder::Fax);
            });
            break;
        case R::PostalCode:
        case R::Address:
        case R::OfficePostalCode:
        case R::OfficeAddress: {
            const bool office = t.field == R::OfficeAddress || t.field == R::OfficePostalCode ||
                                (types & ContactBuilder::Work);
            AddressParts* a = nullptr;
            for (AddressParts& x : addresses) {
                if (x.office == office && x.set == t.set)
                    a = &x;
            }
            if (!a)
                a = &addresses.emplace_back(AddressParts{office, t.set, {}});
            a->add(t.field, t.part, v);
            break;
        }
        case R::Company: {
            CompanyParts* co = nullptr;
            for (CompanyParts& x : companies) {
                if (x.set == t.set)
                    co = &x;
            }
            if (!co)
                co = &companies.emplace_back(CompanyParts{t.set, {}, {}});
            appendSpaced(t.part == P::Department ? co->department : co->name, v);
            break;
        }
        case R::Memo:
            if (t.part == P::Labelled)
                b.addExtra(
                    c < header.size() && !header[c].empty() ? memoLabel(header[c]) : t.label(), v);
            else
                b.addNote(v, false);
            break;
        case R::OfficeMemo:
            b.addNote(v, true);
            break;
        case CsvColumn::Honorific:
            b.setHonorific(v);
            break;
        case CsvColumn::Title:
            b.addTitle(v);
            break;
        case CsvColumn::JointName:
        case CsvColumn::JointHonorific:
        case CsvColumn::JointReading: {
            if (t.set < 1 || t.set > int(ContactExtras::MaxJointNames))
                break;
            ContactExtras::JointName& j = joints[std::size_t(t.set - 1)];
            (t.field == CsvColumn::JointName        ? j.name
             : t.field == CsvColumn::JointHonorific ? j.honorific
                                                    : j.reading) = v;
            break;
        }
        case CsvColumn::Uid:
            b.setUid(v);
            break;
        case R::Group: {
            // The whole cell may be a group name with a comma in it; else its parts count
            // ("* myContacts ::: Friends", "Business;Friends").
            b.addGroupCandidate(v, false);
            std::size_t start = 0;
            for (std::size_t i = 0; i <= v.size(); ++i) {
                const std::size_t sep = i == v.size()                 ? 1
                                        : v.compare(i, 3, ":::") == 0 ? 3
                                        : v[i] == ',' || v[i] == ';'  ? 1
                                                                      : 0;
                if (sep == 0)
                    continue;
                b.addGroupCandidate(std::string_view(v).substr(start, i - start));
                start = i + sep;
                i += sep - 1;
            }
            break;
        }
        default:
            break;
        }
    }
    if (!name.whole.empty())
        b.setFormattedName(name.whole);
    else if (!name.family.empty() || !name.given.empty() || !name.middle.empty())
        b.setNameParts(name.family, name.given, name.middle);
    else if (nameColumn)
        b.setFormattedName({}); // the file's name column is empty: keep it so
    if (!reading.whole.empty()) {
        b.setReading(reading.whole);
    } else {
        std::string r = reading.family;
        appendSpaced(r, reading.given);
        b.setReading(r);
    }
    for (const AddressParts& a : addresses)
        b.addAddress(a.address, a.office ? ContactBuilder::Work : ContactBuilder::Home);
    for (const CompanyParts& co : companies) {
        b.addCompany(co.name);
        b.addDepartment(co.department);
    }
    for (const auto& j : joints)
        b.addJointName(j);
}

bool allEmpty(const std::vector<std::string>& cells, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (!cells[i].empty())
            return false;
    }
    return true;
}

// The file as the tokenizer reads it, and each value turned into UTF-8 on its own. UTF-8 and
// CP932 are read as they stand: quotes, delimiters and line ends are single bytes there that
// never occur inside a character, so a large file is never copied whole. UTF-16 is decoded
// first.
class Source
{
public:
    Source(std::string_view bytes, ForeignCsv::Encoding encoding)
        : m_text(bytes), m_cp932(encoding == ForeignCsv::Encoding::Cp932)
    {
        if (encoding == ForeignCsv::Encoding::Utf8Bom && bytes.substr(0, 3) == kBom)
            m_text.remove_prefix(3);
        if (encoding == ForeignCsv::Encoding::Utf16 && Charset::fromUtf16(bytes, m_decoded))
            m_text = m_decoded;
    }
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;

    std::string_view text() const { return m_text; }

    void decode(std::vector<std::string>& cells, std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i) {
            std::string& cell = cells[i];
            if (m_cp932) {
                if (Utf8::isAscii(cell))
                    continue;
                Cp932::toUtf8(cell, m_scratch);
                cell.swap(m_scratch);
            } else if (!Utf8::isValid(cell)) {
                cell = Utf8::sanitize(cell);
            }
        }
    }

    // The next record in UTF-8, as CsvTokenizer::next.
    bool next(CsvTokenizer& tokens, std::vector<std::string>& cells, std::size_t& count)
    {
        if (!tokens.next(cells, count))
            return false;
        decode(cells, count);
        return true;
    }

private:
    std::string m_decoded;
    std::string_view m_text;
    bool m_cp932;
    std::string m_scratch;
};

} // namespace

ForeignCsv::Encoding ForeignCsv::detectEncoding(std::string_view bytes)
{
    if (bytes.substr(0, 3) == kBom)
        return Encoding::Utf8Bom;
    if (bytes.size() >= 2 &&
        ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF')))
        return Encoding::Utf16;
    return Utf8::isValid(bytes) ? Encoding::Utf8 : Encoding::Cp932;
}

std::string ForeignCsv::decode(std::string_view bytes, Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8Bom:
        if (bytes.substr(0, 3) == kBom)
            bytes.remove_prefix(3);
        return Utf8::sanitize(bytes);
    case Encoding::Utf16: {
        std::string text;
        if (Charset::fromUtf16(bytes, text))
            return text;
        return Utf8::sanitize(bytes);
    }
    case Encoding::Cp932:
        return Cp932::toUtf8(bytes);
    case Encoding::Utf8:
        break;
    }
    return Utf8::sanitize(bytes);
}

char ForeignCsv::detectDelimiter(std::string_view utf8)
{
    std::size_t commas = 0, tabs = 0, semicolons = 0;
    bool quoted = false;
    for (char c : utf8) {
        if (c == '"')
            quoted = !quoted;
        if (quoted)
            continue;
        if (c == '\r' || c == '\n')
            break;
        commas += c == ',';
        tabs += c == '\t';
        semicolons += c == ';';
    }
    if (tabs > commas && tabs >= semicolons)
        return '\t';
    if (semicolons > commas)
        return ';';
    return ',';
}

ForeignCsv::Table ForeignCsv::parse(std::string_view utf8, char delimiter, std::size_t maxRows)
{
    Table table;
    CsvTokenizer tokens(utf8, delimiter);
    std::vector<std::string> cells;
    std::size_t count = 0;
    while (table.rows.size() < maxRows && tokens.next(cells, count)) {
        table.rows.emplace_back(cells.begin(), cells.begin() + long(count));
        table.lines.push_back(tokens.line());
    }
    return table;
}

ForeignCsv::Plan ForeignCsv::guessPlan(std::string_view bytes, std::string_view targetGroup)
{
    return guessPlan(bytes, detectEncoding(bytes), targetGroup);
}

ForeignCsv::Plan ForeignCsv::guessPlan(std::string_view bytes, Encoding encoding,
                                       std::string_view targetGroup)
{
    Plan plan;
    plan.targetGroup = targetGroup;
    plan.encoding = encoding;
    {
        // The first line decides; the bytes of the other characters do not matter here.
        const Source source(bytes, encoding);
        plan.delimiter = detectDelimiter(source.text());
    }
    Table first = rows(bytes, encoding, plan.delimiter, kGuessRows);
    if (first.rows.empty())
        return plan;
    plan.hasHeader = CsvHeaderGuess::looksLikeHeader(first.rows.front());
    if (plan.hasHeader) {
        plan.columns = CsvHeaderGuess::guessAll(first.rows.front());
    } else if (CsvHeaderGuess::looksLikeWideHeader(first.rows)) {
        // Names we do not know: the columns go by what the rows below hold.
        plan.hasHeader = true;
        first.rows.erase(first.rows.begin());
        plan.columns = CsvHeaderGuess::guessFromContent(first.rows);
    } else {
        plan.columns = CsvHeaderGuess::guessFromContent(first.rows);
    }
    return plan;
}

ForeignCsv::Table ForeignCsv::rows(std::string_view bytes, Encoding encoding, char delimiter,
                                   std::size_t maxRows)
{
    Table table;
    Source source(bytes, encoding);
    CsvTokenizer tokens(source.text(), delimiter);
    std::vector<std::string> cells;
    std::size_t count = 0;
    while (table.rows.size() < maxRows && source.next(tokens, cells, count)) {
        table.rows.emplace_back(cells.begin(), cells.begin() + long(count));
        table.lines.push_back(tokens.line());
    }
    return table;
}

ForeignCsv::Table ForeignCsv::preview(std::string_view bytes, const Plan& plan, std::size_t maxRows)
{
    Table table = rows(bytes, plan.encoding, plan.delimiter, maxRows + (plan.hasHeader ? 1 : 0));
    if (plan.hasHeader && !table.rows.empty()) {
        table.rows.erase(table.rows.begin());
        table.lines.erase(table.lines.begin());
    }
    return table;
}

ImportResult ForeignCsv::apply(std::string_view bytes, const Plan& plan,
                               const std::vector<std::string>& knownGroups, std::size_t maxRows,
                               const CsvFile::Progress& progress)
{
    ImportResult result;
    Source source(bytes, plan.encoding);
    CsvTokenizer tokens(source.text(), plan.delimiter);
    std::vector<std::string> cells;
    std::size_t count = 0;
    std::vector<std::string> header;
    if (plan.hasHeader && source.next(tokens, cells, count))
        header.assign(cells.begin(), cells.begin() + long(count));
    ContactBuilder builder;
    std::size_t rows = 0;
    while (rows < maxRows && source.next(tokens, cells, count)) {
        ++rows;
        if (progress && rows % kProgressRows == 0)
            progress(rows, tokens.position(), source.text().size());
        if (allEmpty(cells, count))
            continue;
        fillRow(builder, cells, count, plan, header);
        if (builder.empty()) {
            result.refused.push_back({tokens.line(), ExchangeText::NothingToImport});
            builder.clear();
            continue;
        }
        builder.finish(result, knownGroups, plan.targetGroup);
    }
    return result;
}

bool ForeignCsv::isOwnFormat(std::string_view bytes)
{
    if (bytes.empty())
        return true;
    const Encoding encoding = detectEncoding(bytes);
    if (encoding == Encoding::Utf8Bom || encoding == Encoding::Utf16)
        return false;
    if (encoding == Encoding::Utf8 && !Utf8::isAscii(bytes))
        return false;
    // The first lines, each a contact of sixteen fields with a group.
    std::size_t end = 0;
    std::size_t lines = 0;
    while (end < bytes.size() && lines < kOwnFormatLines) {
        if (const std::size_t n = CsvTokenizer::lineEndLength(bytes, end)) {
            end += n;
            ++lines;
        } else {
            ++end;
        }
    }
    const std::string_view head = bytes.substr(0, end);
    // A damaged line among good ones is still our file: it imports at once, and the summary
    // names the line.
    const ImportResult first = CsvFile::ImportText(head);
    if (first.records.size() <= first.refused.size())
        return false;
    const Table top = parse(Cp932::toUtf8(head), ',', kOwnFormatLines);
    if (top.rows.empty())
        return true;
    // A header names nearly every column; a contact of ours leaves many fields empty, and one
    // of them may well read like a column name ("mail", "Private").
    const std::vector<std::string>& row = top.rows.front();
    const auto filled = std::size_t(
        std::count_if(row.begin(), row.end(), [](const std::string& c) { return !c.empty(); }));
    if (filled * 2 < row.size())
        return true;
    return !CsvHeaderGuess::looksLikeHeader(row) && !CsvHeaderGuess::looksLikeWideHeader(top.rows);
}
