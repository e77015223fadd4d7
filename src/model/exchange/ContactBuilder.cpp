#include "ContactBuilder.h"

#include "ExchangeText.h"
#include "ImportResult.h"
#include "model/book/AddressRecord.h"
#include "model/book/GroupName.h"
#include "model/text/Cp932.h"
#include "model/text/PostalCode.h"
#include "model/text/Utf8.h"

#include <algorithm>
#include <array>

namespace {

bool hasLineBreak(std::string_view s)
{
    // Two scans by memchr: find_first_of would look each byte up in the set.
    return s.find('\r') != std::string_view::npos || s.find('\n') != std::string_view::npos;
}

// Every line break (CR LF, CR, LF) as CR LF in a multi-line field, as a space in any other.
void normalizeBreaks(std::string& s, bool multiLine)
{
    if (!hasLineBreak(s))
        return;
    std::string out;
    out.reserve(s.size() + 8);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c != '\r' && c != '\n') {
            out += c;
            continue;
        }
        if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n')
            ++i;
        out += multiLine ? "\r\n" : " ";
    }
    s = std::move(out);
}

std::string withoutBreaks(std::string_view s)
{
    std::string out(s);
    normalizeBreaks(out, false);
    return out;
}

// A NUL would end the field in Address.vok, and everything after it would be lost: it becomes
// 〓 like any character the book cannot hold, and is listed (once) in `replaced`.
void replaceNul(std::string& utf8, std::vector<std::string>& replaced)
{
    if (utf8.find('\0') == std::string::npos)
        return;
    std::string out;
    out.reserve(utf8.size() + 8);
    for (const char c : utf8) {
        if (c == '\0')
            out += "〓";
        else
            out += c;
    }
    utf8 = std::move(out);
    replaced.emplace_back(1, '\0');
}

// True when the contact sheet takes the text in this field.
bool fits(int field, std::string_view utf8)
{
    const auto max = std::size_t(AddressRecord::TypedLimit[std::size_t(field)]);
    if (utf8.size() <= max)
        return true; // CP932 is never longer than UTF-8
    const long n = Cp932::byteLength(utf8);
    return n >= 0 && std::size_t(n) <= max;
}

void appendJoined(std::string& out, std::string_view part, std::string_view separator)
{
    if (part.empty())
        return;
    if (!out.empty())
        out += separator;
    out += part;
}

bool isJapan(std::string_view country)
{
    for (std::string_view name : {"日本", "日本国", "Japan", "JP", "JPN"}) {
        if (Utf8::equalsNoCase(country, name))
            return true;
    }
    return false;
}

// Labels that web services give every contact; they name no group of the user's.
bool isServiceLabel(std::string_view name)
{
    for (std::string_view label : {"myContacts", "starred", "Starred in Android"}) {
        if (Utf8::equalsNoCase(name, label))
            return true;
    }
    return false;
}

std::string_view withoutSeparators(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '-' || s.front() == '.'))
        s.remove_prefix(1);
    return s;
}

// "０９０－１２３４－５６７８" is twice as long in CP932 as the field holds: digits and signs
// of a number are kept half-width.
std::string halfWidthSigns(std::string_view typed)
{
    std::string ascii;
    if (Utf8::isAscii(typed)) { // nearly every number
        ascii.assign(typed);
        return ascii;
    }
    ascii.reserve(typed.size());
    for (std::size_t pos = 0; pos < typed.size();) {
        const std::size_t at = pos;
        const char32_t c = Utf8::next(typed, pos);
        if (c >= 0xFF01 && c <= 0xFF5E &&
            std::string_view("０１２３４５６７８９＋－（）＃＊").find(typed.substr(at, pos - at)) !=
                std::string_view::npos)
            ascii += char(c - 0xFEE0);
        else if (c == 0x2010 || c == 0x2011 || c == 0x2012 || c == 0x2013 || c == 0x2212 ||
                 c == 0x30FC || c == 0xFF70)
            ascii += '-';
        else if (c == 0x3000)
            ascii += ' ';
        else
            ascii.append(typed.substr(at, pos - at));
    }
    return ascii;
}

// A Japanese number as it is written at home: "+81 90-1234-5678" is 090-1234-5678, which the
// phone fields hold; the international form does not fit them.
std::string nationalNumber(std::string_view typed)
{
    std::string ascii = halfWidthSigns(typed);
    const std::string_view number = ascii;
    if (number.substr(0, 3) != "+81")
        return ascii;
    std::string_view rest = withoutSeparators(number.substr(3));
    if (rest.substr(0, 3) == "(0)")
        rest = withoutSeparators(rest.substr(3));
    if (rest.empty() || rest.front() < '1' || rest.front() > '9')
        return std::string(number);
    return '0' + std::string(rest);
}

} // namespace

unsigned ContactBuilder::typeOf(std::string_view word)
{
    struct Entry
    {
        std::string_view word;
        unsigned type;
    };
    static constexpr Entry table[] = {
        {"home", Home},     {"personal", Home},  {"private", Home}, {"work", Work},
        {"business", Work}, {"office", Work},    {"cell", Cell},    {"mobile", Cell},
        {"cellular", Cell}, {"iphone", Cell},    {"fax", Fax},      {"pref", Pref},
        {"pager", Pager},   {"自宅", Home},      {"個人", Home},    {"勤務先", Work},
        {"会社", Work},     {"仕事", Work},      {"携帯", Cell},    {"ファックス", Fax},
        {"ファクス", Fax},  {"ポケベル", Pager},
    };
    // Lower case once, then plain comparisons: this runs for every TYPE of every card.
    char buffer[16];
    if (word.size() > sizeof buffer)
        return 0;
    for (std::size_t i = 0; i < word.size(); ++i) {
        const char c = word[i];
        buffer[i] = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
    }
    const std::string_view lower(buffer, word.size());
    for (const Entry& e : table) {
        if (lower == e.word)
            return e.type;
    }
    return 0;
}

unsigned ContactBuilder::typesOfLabel(std::string_view label)
{
    unsigned types = 0;
    std::size_t i = 0;
    while (i < label.size()) {
        const unsigned char c = static_cast<unsigned char>(label[i]);
        if (c == '*') {
            types |= Pref; // Google marks the primary value so
            ++i;
            continue;
        }
        if (c >= 0x80) {
            ++i;
            continue;
        }
        const bool alnum =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alnum) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < label.size()) {
            const unsigned char e = static_cast<unsigned char>(label[end]);
            if (!((e >= 'a' && e <= 'z') || (e >= 'A' && e <= 'Z') || (e >= '0' && e <= '9')))
                break;
            ++end;
        }
        types |= typeOf(label.substr(i, end - i));
        i = end;
    }
    // Japanese labels have no spaces between their words.
    for (std::string_view word :
         {"自宅", "個人", "勤務先", "会社", "仕事", "携帯", "ファックス", "ファクス", "ポケベル"}) {
        if (label.find(word) != std::string_view::npos)
            types |= typeOf(word);
    }
    return types;
}

void ContactBuilder::setFormattedName(std::string_view name)
{
    m_hasFormattedName = true;
    m_formattedName = name;
}

void ContactBuilder::setNameParts(std::string_view family, std::string_view given,
                                  std::string_view middle)
{
    m_family = family;
    m_given = given;
    m_middle = middle;
}

void ContactBuilder::setReading(std::string_view reading)
{
    m_reading = Utf8::sanitize(reading);
}

void ContactBuilder::addPhone(std::string_view number, unsigned types, std::string_view label)
{
    if (!number.empty()) {
        Typed& t = m_phones.add();
        t.value = nationalNumber(number);
        t.types = types;
        t.label = label;
    }
}

void ContactBuilder::addEmail(std::string_view address, unsigned types, std::string_view label)
{
    if (!address.empty()) {
        Typed& t = m_emails.add();
        t.value = address;
        t.types = types;
        t.label = label;
    }
}

void ContactBuilder::addAddress(const Address& address, unsigned types, std::string_view label)
{
    // An address of nothing but its country (Japan) has nothing to keep.
    if (address.postalCode.empty() && formatAddress(address).empty())
        return;
    TypedAddress& t = m_addresses.add();
    t.address = address;
    t.address.postalCode = PostalCode::normalized(address.postalCode);
    t.types = types;
    t.label = label;
}

void ContactBuilder::addCompany(std::string_view company)
{
    if (!company.empty())
        m_companies.add() = company;
}

void ContactBuilder::addNote(std::string_view note, bool office)
{
    appendJoined(office ? m_officeNote : m_note, note, "\n");
}

void ContactBuilder::addExtra(std::string_view label, std::string_view value)
{
    if (value.empty())
        return;
    if (!m_extras.empty())
        m_extras += '\n';
    m_extras += label;
    m_extras += ExchangeText::LabelSeparator;
    m_extras += withoutBreaks(value);
}

void ContactBuilder::addGroupCandidate(std::string_view name, bool mayCreate)
{
    while (!name.empty() && (name.front() == ' ' || name.front() == '*'))
        name.remove_prefix(1);
    while (!name.empty() && name.back() == ' ')
        name.remove_suffix(1);
    if (!name.empty() && !isServiceLabel(name)) {
        Candidate& c = m_groups.add();
        c.name = name;
        c.mayCreate = mayCreate;
    }
}

bool ContactBuilder::empty() const
{
    return m_formattedName.empty() && m_family.empty() && m_given.empty() && m_middle.empty() &&
           m_phones.empty() && m_emails.empty() && m_addresses.empty() && m_companies.empty() &&
           m_note.empty() && m_officeNote.empty() && m_extras.empty();
}

void ContactBuilder::clear()
{
    m_hasFormattedName = false;
    m_formattedName.clear();
    m_family.clear();
    m_given.clear();
    m_middle.clear();
    m_reading.clear();
    m_phones.clear();
    m_emails.clear();
    m_addresses.clear();
    m_companies.clear();
    m_note.clear();
    m_officeNote.clear();
    m_extras.clear();
    m_groups.clear();
    m_uid.clear();
    m_more = ContactExtras();
}

std::string ContactBuilder::joinName(std::string_view family, std::string_view given,
                                     std::string_view middle)
{
    std::string name;
    if (!Utf8::isAscii(family) || !Utf8::isAscii(given)) {
        appendJoined(name, family, " ");
        appendJoined(name, given, " ");
        appendJoined(name, middle, " ");
    } else {
        appendJoined(name, given, " ");
        appendJoined(name, middle, " ");
        appendJoined(name, family, " ");
    }
    return name;
}

std::string ContactBuilder::formatAddress(const Address& a)
{
    std::string text;
    const bool latin = Utf8::isAscii(a.region) && Utf8::isAscii(a.locality) &&
                       Utf8::isAscii(a.street) && Utf8::isAscii(a.extended);
    if (latin) {
        for (const std::string* part : {&a.poBox, &a.street, &a.extended, &a.locality, &a.region})
            appendJoined(text, *part, ", ");
        if (!isJapan(a.country))
            appendJoined(text, a.country, ", ");
        return text;
    }
    text = a.region + a.locality + a.street;
    appendJoined(text, a.extended, "\n");
    appendJoined(text, a.poBox, "\n");
    if (!isJapan(a.country))
        appendJoined(text, a.country, "\n");
    return text;
}

void ContactBuilder::place(std::array<std::string, AddressRecord::FieldCount>& fields, int field,
                           std::string_view value, std::string_view extraLabel)
{
    if (fields[std::size_t(field)].empty() && fits(field, value))
        fields[std::size_t(field)] = value;
    else
        addExtra(extraLabel, value);
}

void ContactBuilder::setUid(std::string_view uid)
{
    m_uid = uid;
}

void ContactBuilder::addTitle(std::string_view title)
{
    if (title.empty())
        return;
    if (m_more.title.empty())
        m_more.title = title;
    else
        addExtra(ExchangeText::ExtraTitle, title);
}

void ContactBuilder::addDepartment(std::string_view department)
{
    if (department.empty())
        return;
    if (m_more.department.empty())
        m_more.department = department;
    else
        addExtra(ExchangeText::PartDepartment, department);
}

void ContactBuilder::setHonorific(std::string_view honorific)
{
    m_more.honorific = honorific;
}

void ContactBuilder::addJointName(const ContactExtras::JointName& joint)
{
    if (!joint.name.empty() && m_more.jointNames.size() < ContactExtras::MaxJointNames)
        m_more.jointNames.push_back(joint);
}

void ContactBuilder::setNenga(const ContactExtras::Nenga& marks)
{
    m_more.setNenga(marks);
}

void ContactBuilder::finish(ImportResult& result, const std::vector<std::string>& knownGroups,
                            std::string_view fallbackGroup)
{
    namespace T = ExchangeText;
    using R = AddressRecord;
    std::array<std::string, R::FieldCount>& f = m_fields;
    for (std::string& field : f)
        field.clear();

    std::string name = m_formattedName;
    if (name.empty())
        name = joinName(m_family, m_given, m_middle);
    if (name.empty() && !m_hasFormattedName) {
        // A card without any name still needs something to show in the list.
        if (!m_companies.empty())
            name = m_companies[0];
        else if (!m_emails.empty())
            name = m_emails[0].value;
    }
    f[R::Name] = name;

    const auto prefFirst = [](const auto& a, const auto& b) {
        return (a.types & Pref) > (b.types & Pref);
    };
    std::stable_sort(m_phones.begin(), m_phones.end(), prefFirst);
    std::stable_sort(m_emails.begin(), m_emails.end(), prefFirst);
    std::stable_sort(m_addresses.begin(), m_addresses.end(), prefFirst);

    // "実家の住所", "その他の電話": a label of the user's own names the value in the memo.
    const auto labelled = [](const std::string& label, std::string_view kind) {
        return label + std::string(T::Of) + std::string(kind);
    };
    for (const Typed& p : m_phones) {
        const bool work = p.types & Work;
        if (!p.label.empty())
            addExtra(labelled(p.label, T::ExtraPhone), p.value);
        else if (p.types & Pager)
            addExtra(T::ExtraPager, p.value);
        else if (p.types & Cell)
            place(f, R::MobilePhone, p.value, T::ExtraMobile);
        else if (p.types & Fax)
            place(f, work ? R::OfficeFax : R::Fax, p.value, work ? T::ExtraOfficeFax : T::ExtraFax);
        else
            place(f, work ? R::OfficePhone : R::Phone, p.value,
                  work ? T::ExtraOfficePhone : T::ExtraPhone);
    }
    for (const Typed& e : m_emails) {
        const bool work = e.types & Work;
        if (!e.label.empty()) {
            addExtra(labelled(e.label, T::ExtraEmail), e.value);
            continue;
        }
        place(f, work ? R::OfficeEmail : R::Email, e.value,
              work ? T::ExtraOfficeEmail : T::ExtraEmail);
    }
    for (const TypedAddress& a : m_addresses) {
        const bool work = a.types & Work;
        const int addressField = work ? R::OfficeAddress : R::Address;
        const int postalField = work ? R::OfficePostalCode : R::PostalCode;
        const std::string text = formatAddress(a.address);
        if (a.label.empty() && f[std::size_t(addressField)].empty() &&
            f[std::size_t(postalField)].empty() && fits(postalField, a.address.postalCode)) {
            f[std::size_t(addressField)] = text;
            f[std::size_t(postalField)] = a.address.postalCode;
        } else {
            std::string line;
            if (!a.address.postalCode.empty())
                line = std::string(T::PostalMark) + a.address.postalCode;
            appendJoined(line, text, " ");
            addExtra(a.label.empty() ? std::string(work ? T::ExtraOfficeAddress : T::ExtraAddress)
                                     : labelled(a.label, T::ExtraAddress),
                     line);
        }
    }
    for (std::size_t i = 0; i < m_companies.size(); ++i) {
        if (i == 0)
            place(f, R::Company, m_companies[i], T::ExtraCompany);
        else
            addExtra(T::ExtraCompany, m_companies[i]);
    }
    f[R::Memo] = m_note;
    appendJoined(f[R::Memo], m_extras, "\n");
    if (!m_extras.empty())
        result.inMemo.push_back({result.records.size(), m_extras});
    f[R::OfficeMemo] = m_officeNote;

    // The group: the first that the caller knows, in the caller's spelling.
    std::string group(fallbackGroup);
    std::string wanted;
    bool found = false;
    std::vector<std::string> ignored;
    for (const Candidate& candidate : m_groups) {
        std::string name = withoutBreaks(candidate.name);
        replaceNul(name, ignored);
        const std::string cp932 = Cp932::fromUtf8Replacing(name, ignored);
        for (const std::string& known : knownGroups) {
            if (GroupName::equals(known, cp932)) {
                group = known;
                found = true;
                break;
            }
        }
        if (found)
            break;
        if (wanted.empty() && candidate.mayCreate)
            wanted = Cp932::cutAtBoundary(cp932, AddressRecord::SlotWidth[R::Group] - 1);
    }
    if (found)
        wanted.clear();

    const std::size_t contact = result.records.size();
    std::array<std::string, R::FieldCount>& bytes = m_bytes;
    std::array<std::string_view, R::FieldCount> views;
    std::vector<std::string>& bad = m_bad;
    for (int i = 0; i < R::FieldCount; ++i) {
        const std::size_t k = std::size_t(i);
        if (i == R::Group) {
            bytes[k] = group;
        } else {
            bad.clear();
            normalizeBreaks(f[k], AddressRecord::IsMultiLine(i));
            replaceNul(f[k], bad);
            Cp932::fromUtf8Replacing(f[k], bytes[k], bad);
            for (std::size_t b = 0; b < bad.size(); ++b) {
                if (std::find(bad.begin(), bad.begin() + long(b), bad[b]) == bad.begin() + long(b))
                    result.replaced.push_back({contact, i, bad[b]});
            }
        }
        views[k] = Cp932::cutAtBoundary(bytes[k], std::size_t(R::TypedLimit[k]));
        if (views[k].size() < bytes[k].size())
            result.cut.push_back({contact, i});
        else if (i != R::Group && !bad.empty())
            m_more.fullText[i] = f[k];
    }
    auto record = std::make_unique<AddressRecord>();
    record->assign(views);
    if (!m_uid.empty()) {
        const ContactUid uid = ContactUid::fromForeign(m_uid);
        record->setUid(uid);
        // Kept as it came unless it is a UUID as this program writes one.
        const std::string canonical = uid.toString();
        if (m_uid != canonical && m_uid != "urn:uuid:" + canonical)
            m_more.foreignUid = m_uid;
    }
    record->setExtras(m_more);
    std::string reading = withoutBreaks(m_reading);
    replaceNul(reading, ignored);
    result.add(std::move(record), std::move(reading), std::move(wanted));
    clear();
}
