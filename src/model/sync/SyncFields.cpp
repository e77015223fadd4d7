#include "SyncFields.h"

#include "SyncText.h"
#include "VCardDoc.h"
#include "model/book/AddressRecord.h"
#include "model/book/ContactExtras.h"
#include "model/book/GroupName.h"
#include "model/book/RecordText.h"
#include "model/exchange/ContactBuilder.h"
#include "model/exchange/ExchangeText.h"
#include "model/text/Cp932.h"
#include "model/text/Utf8.h"

#include <algorithm>
#include <charconv>

namespace {

using R = AddressRecord;
using P = VCardDoc::Property;
using S = SyncFields;

constexpr std::string_view kOther = "Other";
constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";

// Which field a property of a multi-valued kind feeds.
int telSlot(const P& p)
{
    const bool work = VCardDoc::hasType(p, "WORK");
    if (VCardDoc::hasType(p, "FAX"))
        return work ? R::OfficeFax : R::Fax;
    if (VCardDoc::hasType(p, "CELL"))
        return R::MobilePhone;
    return work ? R::OfficePhone : R::Phone;
}

bool isWork(const P& p)
{
    return VCardDoc::hasType(p, "WORK");
}

std::size_t findTel(const VCardDoc& card, int slot)
{
    return card.find("TEL", [slot](const P& p) { return telSlot(p) == slot; });
}

std::size_t findWorkOr(const VCardDoc& card, std::string_view name, bool work)
{
    return card.find(name, [work](const P& p) { return isWork(p) == work; });
}

std::string withoutBreaks(std::string text)
{
    for (char& c : text) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return text;
}

// CR LF and CR as LF.
std::string lfBreaks(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string crlfBreaks(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 8);
    for (const char c : text) {
        if (c == '\n')
            out += "\r\n";
        else
            out += c;
    }
    return out;
}

std::vector<std::string> components(const VCardDoc& card, std::size_t i, std::size_t count)
{
    std::vector<std::string> parts;
    if (i != VCardDoc::npos)
        parts = VCardDoc::split(card.properties()[i].value, ';');
    if (parts.size() < count)
        parts.resize(count);
    return parts;
}

std::string joinEscaped(const std::vector<std::string>& parts, char separator)
{
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i)
            out += separator;
        out += VCardDoc::escape(parts[i]);
    }
    return out;
}

ContactBuilder::Address addressOf(const std::vector<std::string>& c)
{
    ContactBuilder::Address a;
    a.poBox = c[0];
    a.extended = c[1];
    a.street = c[2];
    a.locality = c[3];
    a.region = c[4];
    a.postalCode = c[5];
    a.country = c[6];
    return a;
}

std::string telValue(std::string_view value)
{
    std::string text = VCardDoc::unescape(value);
    if (text.size() > 4 && (text.compare(0, 4, "tel:") == 0 || text.compare(0, 4, "TEL:") == 0))
        text.erase(0, 4);
    return text;
}

// Family and given name as VCardWriter splits them.
void splitName(std::string_view name, std::string& family, std::string& given)
{
    if (Utf8::isAscii(name)) {
        const auto space = name.rfind(' ');
        family = space == std::string_view::npos ? name : name.substr(space + 1);
        given = space == std::string_view::npos ? std::string_view() : name.substr(0, space);
        return;
    }
    std::size_t at = name.find(' ');
    std::size_t width = 1;
    if (const std::size_t wide = name.find(kIdeographicSpace); wide < at) {
        at = wide;
        width = kIdeographicSpace.size();
    }
    family = at == std::string_view::npos ? name : name.substr(0, at);
    given = at == std::string_view::npos ? std::string_view() : name.substr(at + width);
}

// The property at index given this value (escaped form), or added when there is none.
void put(VCardDoc& card, std::size_t index, std::string_view name, std::string_view params,
         std::string value)
{
    if (index != VCardDoc::npos)
        card.setValue(index, std::move(value));
    else
        card.add(name, params, std::move(value));
}

// Sets, removes or adds the single property at index.
void setSimple(VCardDoc& card, std::size_t index, std::string_view name, std::string_view params,
               std::string_view text)
{
    if (text.empty()) {
        if (index != VCardDoc::npos)
            card.remove(index);
        return;
    }
    put(card, index, name, params, VCardDoc::escape(text));
}

void setAddress(VCardDoc& card, bool work, std::string_view text, std::string_view code)
{
    const std::size_t i = findWorkOr(card, "ADR", work);
    std::vector<std::string> c = components(card, i, 7);
    if (ContactBuilder::formatAddress(addressOf(c)) != text) {
        // The region and locality stay when the new text still starts with them.
        const std::string head = c[4] + c[3];
        std::vector<std::string> kept(7);
        kept[6] = c[6];
        if (!head.empty() && text.substr(0, head.size()) == head) {
            kept[4] = c[4];
            kept[3] = c[3];
            kept[2] = text.substr(head.size());
        } else {
            kept[2] = text;
        }
        if (ContactBuilder::formatAddress(addressOf(kept)) != text) {
            kept.assign(7, {});
            kept[2] = text;
        }
        c = std::move(kept);
    }
    c[5] = code;
    bool empty = true;
    for (const std::string& part : c)
        empty = empty && part.empty();
    if (empty) {
        if (i != VCardDoc::npos)
            card.remove(i);
        return;
    }
    put(card, i, "ADR", work ? ";TYPE=WORK" : ";TYPE=HOME", joinEscaped(c, ';'));
}

void setOrganisation(VCardDoc& card, std::string_view company, std::string_view department)
{
    const std::size_t i = card.find("ORG");
    std::vector<std::string> c = components(card, i, 2);
    c[0] = company;
    c[1] = department;
    while (c.size() > 1 && c.back().empty())
        c.pop_back();
    if (c.size() == 1 && c[0].empty()) {
        if (i != VCardDoc::npos)
            card.remove(i);
        return;
    }
    put(card, i, "ORG", {}, joinEscaped(c, ';'));
}

void setGroup(VCardDoc& card, std::string_view group)
{
    const std::size_t i = card.find("CATEGORIES");
    std::vector<std::string> list;
    if (i != VCardDoc::npos)
        list = VCardDoc::split(card.properties()[i].value, ',');
    if (!list.empty())
        list.erase(list.begin());
    if (!group.empty())
        list.insert(list.begin(), std::string(group));
    if (list.empty()) {
        if (i != VCardDoc::npos)
            card.remove(i);
        return;
    }
    put(card, i, "CATEGORIES", {}, joinEscaped(list, ','));
}

// The properties of that name replaced by one for each line (values already escaped).
void setLines(VCardDoc& card, std::string_view name, std::string_view lines)
{
    for (std::size_t i = card.find(name); i != VCardDoc::npos; i = card.find(name))
        card.remove(i);
    while (!lines.empty()) {
        const std::size_t end = lines.find('\n');
        if (end != 0)
            card.add(name, {}, std::string(lines.substr(0, end)));
        if (end == std::string_view::npos)
            break;
        lines.remove_prefix(end + 1);
    }
}

std::string readingOf(const VCardDoc& card)
{
    const std::size_t last = card.find("X-PHONETIC-LAST-NAME");
    const std::size_t first = card.find("X-PHONETIC-FIRST-NAME");
    if (last != VCardDoc::npos || first != VCardDoc::npos) {
        std::string reading;
        if (last != VCardDoc::npos)
            reading = VCardDoc::unescape(card.properties()[last].value);
        if (first != VCardDoc::npos) {
            const std::string given = VCardDoc::unescape(card.properties()[first].value);
            if (!reading.empty() && !given.empty())
                reading += ' ';
            reading += given;
        }
        return withoutBreaks(reading);
    }
    if (const std::size_t n = card.find("N"); n != VCardDoc::npos) {
        if (auto sortAs = VCardDoc::param(card.properties()[n], "SORT-AS")) {
            for (char& c : *sortAs) {
                if (c == ',')
                    c = ' ';
            }
            return *sortAs;
        }
    }
    if (const std::size_t s = card.find("SORT-STRING"); s != VCardDoc::npos)
        return withoutBreaks(VCardDoc::unescape(card.properties()[s].value));
    const std::size_t sound = card.find("SOUND", [](const P& p) {
        return VCardDoc::hasType(p, "X-IRMC-N") || p.params.find("X-IRMC-N") != std::string::npos;
    });
    if (sound != VCardDoc::npos) {
        std::string reading;
        for (const std::string& part : VCardDoc::split(card.properties()[sound].value, ';')) {
            if (part.empty())
                continue;
            if (!reading.empty())
                reading += ' ';
            reading += part;
        }
        return withoutBreaks(reading);
    }
    return {};
}

std::string linesOf(const VCardDoc& card, std::string_view name)
{
    std::string lines;
    for (const P& p : card.properties()) {
        if (p.name != name)
            continue;
        if (!lines.empty())
            lines += '\n';
        lines += p.value;
    }
    return lines;
}

} // namespace

std::string_view SyncFields::label(int slot)
{
    if (slot < AddressRecord::FieldCount)
        return ExchangeText::FieldNames[static_cast<std::size_t>(slot)];
    return SyncText::ExtraSlotNames[static_cast<std::size_t>(slot - AddressRecord::FieldCount)];
}

bool SyncFields::same(int slot, std::string_view a, std::string_view b)
{
    if (slot != R::Email && slot != R::OfficeEmail)
        return a == b;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

SyncFields SyncFields::fromRecord(const AddressRecord& record, std::string_view reading)
{
    SyncFields f;
    for (int i = 0; i < R::Group; ++i)
        f.value[i] = lfBreaks(RecordText::utf8(record, i));
    const std::string group = Cp932::toUtf8(record.group());
    if (!GroupName::equals(record.group(), kOther))
        f.value[R::Group] = group;
    f.value[Reading] = reading;
    if (const ContactExtras* x = record.extras()) {
        f.value[Honorific] = x->honorific;
        for (const ContactExtras::JointName& j : x->jointNames) {
            if (!f.value[JointNames].empty())
                f.value[JointNames] += '\n';
            f.value[JointNames] += joinEscaped({j.name, j.honorific, j.reading}, ';');
        }
        f.value[Title] = x->title;
        f.value[Department] = x->department;
        for (const ContactExtras::Nenga& n : x->nenga) {
            if (!f.value[Nenga].empty())
                f.value[Nenga] += '\n';
            f.value[Nenga] += std::to_string(n.year) + ';' + n.markWords(',');
        }
    }
    return f;
}

SyncFields SyncFields::fromCard(const VCardDoc& card)
{
    SyncFields f;
    std::array<bool, SlotCount> seen{};
    const auto take = [&](int slot, std::string text) {
        if (seen[slot])
            return;
        seen[slot] = true;
        f.value[slot] = std::move(text);
    };
    for (const P& p : card.properties()) {
        if (p.name == "FN") {
            take(R::Name, withoutBreaks(VCardDoc::unescape(p.value)));
        } else if (p.name == "TEL") {
            take(telSlot(p), withoutBreaks(telValue(p.value)));
        } else if (p.name == "EMAIL") {
            take(isWork(p) ? R::OfficeEmail : R::Email, withoutBreaks(VCardDoc::unescape(p.value)));
        } else if (p.name == "ADR") {
            const bool work = isWork(p);
            if (seen[work ? R::OfficeAddress : R::Address])
                continue;
            std::vector<std::string> c = VCardDoc::split(p.value, ';');
            c.resize(7);
            take(work ? R::OfficeAddress : R::Address,
                 lfBreaks(ContactBuilder::formatAddress(addressOf(c))));
            take(work ? R::OfficePostalCode : R::PostalCode, withoutBreaks(c[5]));
        } else if (p.name == "NOTE") {
            take(isWork(p) ? R::OfficeMemo : R::Memo, lfBreaks(VCardDoc::unescape(p.value)));
        } else if (p.name == "ORG") {
            if (seen[R::Company])
                continue;
            std::vector<std::string> c = VCardDoc::split(p.value, ';');
            c.resize(2);
            take(R::Company, withoutBreaks(c[0]));
            take(Department, withoutBreaks(c[1]));
        } else if (p.name == "TITLE") {
            take(Title, withoutBreaks(VCardDoc::unescape(p.value)));
        } else if (p.name == "CATEGORIES") {
            std::vector<std::string> list = VCardDoc::split(p.value, ',');
            std::string first = list.empty() ? std::string() : withoutBreaks(list.front());
            if (Utf8::isAscii(first) && GroupName::equals(first, kOther))
                first.clear();
            take(R::Group, std::move(first));
        } else if (p.name == "X-VOK-HONORIFIC") {
            take(Honorific, withoutBreaks(VCardDoc::unescape(p.value)));
        }
    }
    if (!seen[R::Name]) {
        if (const std::size_t n = card.find("N"); n != VCardDoc::npos) {
            std::vector<std::string> c = VCardDoc::split(card.properties()[n].value, ';');
            c.resize(2);
            f.value[R::Name] = withoutBreaks(ContactBuilder::joinName(c[0], c[1]));
        }
    }
    f.value[Reading] = readingOf(card);
    f.value[JointNames] = linesOf(card, "X-VOK-JOINT-NAME");
    f.value[Nenga] = linesOf(card, "X-VOK-NENGA");
    return f;
}

void SyncFields::patch(VCardDoc& card, int slot, const SyncFields& fields)
{
    const std::string& v = fields.value[slot];
    switch (slot) {
    case R::Name: {
        setSimple(card, card.find("FN"), "FN", {}, v);
        std::string family, given;
        splitName(v, family, given);
        std::vector<std::string> c = components(card, card.find("N"), 5);
        c[0] = family;
        c[1] = given;
        const std::size_t n = card.find("N");
        if (n != VCardDoc::npos)
            card.setValue(n, joinEscaped(c, ';'));
        else
            card.add("N", {}, joinEscaped(c, ';'));
        break;
    }
    case R::Email:
    case R::OfficeEmail: {
        const bool work = slot == R::OfficeEmail;
        setSimple(card, findWorkOr(card, "EMAIL", work), "EMAIL",
                  work ? ";TYPE=INTERNET,WORK" : ";TYPE=INTERNET,HOME", v);
        break;
    }
    case R::Phone:
    case R::MobilePhone:
    case R::Fax:
    case R::OfficePhone:
    case R::OfficeFax: {
        static constexpr std::string_view kTypes[] = {";TYPE=HOME,VOICE", ";TYPE=CELL",
                                                      ";TYPE=HOME,FAX", ";TYPE=WORK,VOICE",
                                                      ";TYPE=WORK,FAX"};
        const int kind = slot == R::Phone         ? 0
                         : slot == R::MobilePhone ? 1
                         : slot == R::Fax         ? 2
                         : slot == R::OfficePhone ? 3
                                                  : 4;
        setSimple(card, findTel(card, slot), "TEL", kTypes[kind], v);
        break;
    }
    case R::PostalCode:
    case R::Address:
        setAddress(card, false, fields.value[R::Address], fields.value[R::PostalCode]);
        break;
    case R::OfficePostalCode:
    case R::OfficeAddress:
        setAddress(card, true, fields.value[R::OfficeAddress], fields.value[R::OfficePostalCode]);
        break;
    case R::Memo:
        setSimple(card, findWorkOr(card, "NOTE", false), "NOTE", {}, v);
        break;
    case R::OfficeMemo:
        setSimple(card, findWorkOr(card, "NOTE", true), "NOTE", ";TYPE=WORK", v);
        break;
    case R::Company:
    case Department:
        setOrganisation(card, fields.value[R::Company], fields.value[Department]);
        break;
    case R::Group:
        setGroup(card, v);
        break;
    case Reading: {
        std::string_view family = v, given;
        if (const std::size_t space = v.find(' '); space != std::string::npos) {
            family = std::string_view(v).substr(0, space);
            given = std::string_view(v).substr(space + 1);
        }
        setSimple(card, card.find("X-PHONETIC-LAST-NAME"), "X-PHONETIC-LAST-NAME", {}, family);
        setSimple(card, card.find("X-PHONETIC-FIRST-NAME"), "X-PHONETIC-FIRST-NAME", {}, given);
        if (const std::size_t s = card.find("SORT-STRING"); s != VCardDoc::npos)
            setSimple(card, s, "SORT-STRING", {}, v);
        break;
    }
    case Honorific:
        setSimple(card, card.find("X-VOK-HONORIFIC"), "X-VOK-HONORIFIC", {}, v);
        break;
    case Title:
        setSimple(card, card.find("TITLE"), "TITLE", {}, v);
        break;
    case JointNames:
        setLines(card, "X-VOK-JOINT-NAME", v);
        break;
    case Nenga:
        setLines(card, "X-VOK-NENGA", v);
        break;
    default:
        break;
    }
}

VCardDoc SyncFields::newCard(const SyncFields& fields, std::string_view uid)
{
    VCardDoc card = VCardDoc::skeleton(VCardDoc::escape(uid));
    for (int slot = 0; slot < SlotCount; ++slot) {
        if (!fields.value[slot].empty())
            patch(card, slot, fields);
    }
    return card;
}

void SyncFields::toRecord(const SyncFields& fields, std::string_view groupCp932,
                          AddressRecord& record)
{
    ContactExtras x = record.extras() ? *record.extras() : ContactExtras();
    for (int i = 0; i < R::Group; ++i) {
        const std::string text = R::IsMultiLine(i) ? crlfBreaks(fields.value[i]) : fields.value[i];
        const std::string bytes = x.setFieldText(i, text);
        record.setField(i, Cp932::cutAtBoundary(bytes, std::size_t(R::TypedLimit[i])));
    }
    record.setField(R::Group, groupCp932);
    x.honorific = fields.value[Honorific];
    x.title = fields.value[Title];
    x.department = fields.value[Department];
    x.jointNames.clear();
    std::string_view lines = fields.value[JointNames];
    while (!lines.empty() && x.jointNames.size() < ContactExtras::MaxJointNames) {
        const std::size_t end = lines.find('\n');
        std::vector<std::string> c = VCardDoc::split(lines.substr(0, end), ';');
        c.resize(3);
        if (!c[0].empty())
            x.jointNames.push_back({c[0], c[1], c[2]});
        if (end == std::string_view::npos)
            break;
        lines.remove_prefix(end + 1);
    }
    x.nenga.clear();
    lines = fields.value[Nenga];
    while (!lines.empty()) {
        const std::size_t end = lines.find('\n');
        const std::string_view line = lines.substr(0, end);
        const std::size_t semi = line.find(';');
        ContactExtras::Nenga n;
        const std::string_view year = line.substr(0, semi);
        if (std::from_chars(year.data(), year.data() + year.size(), n.year).ec == std::errc() &&
            semi != std::string_view::npos) {
            for (const std::string& word : VCardDoc::split(line.substr(semi + 1), ','))
                n.addMarkWord(word);
            x.setNenga(n);
        }
        if (end == std::string_view::npos)
            break;
        lines.remove_prefix(end + 1);
    }
    record.setExtras(x);
}
