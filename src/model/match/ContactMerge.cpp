#include "ContactMerge.h"

#include "ContactMatcher.h"
#include "model/book/ContactExtras.h"
#include "model/exchange/ExchangeText.h"
#include "model/text/Cp932.h"

#include <algorithm>

namespace {

bool isMemo(int field)
{
    return field == AddressRecord::Memo || field == AddressRecord::OfficeMemo;
}

// The memo that keeps what another field could not: the office's for office fields.
int memoOf(int field)
{
    return field >= AddressRecord::Company && field < AddressRecord::Group
               ? AddressRecord::OfficeMemo
               : AddressRecord::Memo;
}

std::vector<std::string_view> linesOf(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty())
            lines.push_back(line);
        pos = end + 1;
    }
    return lines;
}

bool hasLine(std::string_view memo, std::string_view line)
{
    const std::vector<std::string_view> lines = linesOf(memo);
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// One number or address written two ways ("+81 90 1111 2222", "090-1111-2222") needs no memo
// line.
bool sameValue(int field, std::string_view a, std::string_view b)
{
    switch (field) {
    case AddressRecord::Phone:
    case AddressRecord::MobilePhone:
    case AddressRecord::Fax:
    case AddressRecord::OfficePhone:
    case AddressRecord::OfficeFax: {
        const std::string key = ContactMatcher::phoneKey(Cp932::toUtf8(a));
        return !key.empty() && key == ContactMatcher::phoneKey(Cp932::toUtf8(b));
    }
    case AddressRecord::Email:
    case AddressRecord::OfficeEmail: {
        const std::string key = ContactMatcher::emailKey(Cp932::toUtf8(a));
        return !key.empty() && key == ContactMatcher::emailKey(Cp932::toUtf8(b));
    }
    default:
        return false;
    }
}

std::string cp932(std::string_view utf8)
{
    return Cp932::fromUtf8(utf8).bytes;
}

} // namespace

ContactMerge::Choice ContactMerge::firstValues()
{
    Choice c;
    c.fill(-1);
    return c;
}

bool ContactMerge::joinInto(std::string& memo, std::string_view lines, int field)
{
    for (std::string_view line : linesOf(lines)) {
        if (hasLine(memo, line))
            continue;
        if (!memo.empty())
            memo += "\r\n";
        memo += line;
    }
    return long(memo.size()) <= AddressRecord::TypedLimit[std::size_t(field)];
}

bool ContactMerge::merge(const std::vector<const AddressRecord*>& records, const Choice& choice,
                         AddressRecord& result)
{
    if (records.empty())
        return false;
    AddressRecord out(*records.front());
    std::array<std::string, AddressRecord::FieldCount> value;
    std::array<int, AddressRecord::FieldCount> from{};
    for (int f = 0; f < AddressRecord::FieldCount; ++f) {
        int pick = choice[std::size_t(f)];
        if (pick < 0 || pick >= int(records.size())) {
            pick = 0;
            for (std::size_t i = 0; i < records.size(); ++i) {
                if (!records[i]->field(f).empty()) {
                    pick = int(i);
                    break;
                }
            }
        }
        from[std::size_t(f)] = pick;
        value[std::size_t(f)] = std::string(records[std::size_t(pick)]->field(f));
    }
    // Memos joined line by line, the chosen one first.
    for (int memo : {AddressRecord::Memo, AddressRecord::OfficeMemo}) {
        for (const AddressRecord* r : records) {
            if (!joinInto(value[std::size_t(memo)], r->field(memo), memo))
                return false;
        }
    }
    // The values that lost go into the memo, labelled with their field's name.
    for (int f = 0; f < AddressRecord::Group; ++f) {
        if (isMemo(f))
            continue;
        const std::string label =
            cp932(ExchangeText::FieldNames[std::size_t(f)]) + cp932(ExchangeText::LabelSeparator);
        for (const AddressRecord* r : records) {
            const std::string_view v = r->field(f);
            if (v.empty() || v == value[std::size_t(f)] || sameValue(f, v, value[std::size_t(f)]))
                continue;
            std::string line = label;
            // A multi-line address stays on one memo line.
            for (std::string_view part : linesOf(v)) {
                if (line.size() > label.size())
                    line += ' ';
                line += part;
            }
            if (!joinInto(value[std::size_t(memoOf(f))], line, memoOf(f)))
                return false;
        }
    }
    for (int f = 0; f < AddressRecord::FieldCount; ++f)
        out.setField(f, value[std::size_t(f)]);

    // The extras: the first contact's, filled from the others; a whole text goes with the
    // value it belongs to.
    ContactExtras x = records.front()->extras() ? *records.front()->extras() : ContactExtras();
    x.fullText.clear();
    for (int f = 0; f < AddressRecord::FieldCount; ++f) {
        const AddressRecord* r = records[std::size_t(from[std::size_t(f)])];
        if (r->extras()) {
            const std::string_view full = r->extras()->fullTextOf(f, r->field(f));
            if (!full.empty())
                x.fullText[f] = std::string(full);
        }
    }
    for (std::size_t i = 1; i < records.size(); ++i) {
        const ContactExtras* o = records[i]->extras();
        if (!o)
            continue;
        if (x.honorific.empty())
            x.honorific = o->honorific;
        if (x.title.empty())
            x.title = o->title;
        if (x.department.empty())
            x.department = o->department;
        if (x.jointNames.empty())
            x.jointNames = o->jointNames;
        for (const ContactExtras::Nenga& n : o->nenga) {
            if (!x.nengaOf(n.year))
                x.setNenga(n);
        }
    }
    out.setExtras(x);
    result = std::move(out);
    return true;
}

bool ContactMerge::fill(const AddressRecord& kept, const AddressRecord& other,
                        AddressRecord& result, std::vector<Difference>* diffs)
{
    Choice choice = firstValues();
    choice[AddressRecord::Group] = 0;
    if (diffs)
        *diffs = differences(kept, other);
    return merge({&kept, &other}, choice, result);
}

AddressRecord ContactMerge::update(const AddressRecord& kept, const AddressRecord& other,
                                   std::vector<Difference>* changes)
{
    AddressRecord out(kept);
    for (int f = 0; f < AddressRecord::Group; ++f) {
        const std::string_view v = other.field(f);
        if (v.empty() || v == kept.field(f))
            continue;
        if (changes)
            changes->push_back({f, std::string(kept.field(f)), std::string(v)});
        out.setField(f, v);
    }
    if (other.extras()) {
        ContactExtras x = kept.extras() ? *kept.extras() : ContactExtras();
        for (const auto& [field, full] : other.extras()->fullText)
            x.fullText[field] = full;
        const ContactExtras& o = *other.extras();
        if (!o.honorific.empty())
            x.honorific = o.honorific;
        if (!o.title.empty())
            x.title = o.title;
        if (!o.department.empty())
            x.department = o.department;
        if (!o.jointNames.empty())
            x.jointNames = o.jointNames;
        for (const ContactExtras::Nenga& n : o.nenga)
            x.setNenga(n);
        out.setExtras(x);
    }
    return out;
}

std::vector<ContactMerge::Difference> ContactMerge::differences(const AddressRecord& a,
                                                                const AddressRecord& b)
{
    std::vector<Difference> out;
    for (int f = 0; f < AddressRecord::Group; ++f) {
        const std::string_view x = a.field(f);
        const std::string_view y = b.field(f);
        if (!x.empty() && !y.empty() && x != y)
            out.push_back({f, std::string(x), std::string(y)});
    }
    return out;
}
