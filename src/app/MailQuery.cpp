#include "MailQuery.h"

#include "QueryText.h"
#include "model/book/AddressRecord.h"
#include "model/book/RecordText.h"
#include "model/text/Cp932.h"

#include <cstdio>
#include <string_view>

namespace {

// A value in one column: no tab or line break may split the line.
std::string column(std::string text)
{
    for (char& c : text) {
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    }
    return text;
}

void appendAddresses(std::string& out, std::string_view field, const std::string& rest)
{
    constexpr std::string_view kSeparators = ",; \t\r\n";
    std::size_t pos = 0;
    while ((pos = field.find_first_not_of(kSeparators, pos)) != std::string_view::npos) {
        std::size_t end = field.find_first_of(kSeparators, pos);
        if (end == std::string_view::npos)
            end = field.size();
        out += column(Cp932::toUtf8(field.substr(pos, end - pos)));
        out += rest;
        pos = end;
    }
}

} // namespace

namespace MailQuery {

std::string format(std::span<AddressRecord* const> matches)
{
    char first[64];
    std::snprintf(first, sizeof first, QueryText::Found, matches.size());
    std::string out = first;
    out += '\n';
    for (const AddressRecord* r : matches) {
        const std::string rest = '\t' + column(RecordText::utf8(*r, AddressRecord::Name)) + '\t' +
                                 column(Cp932::toUtf8(r->group())) + '\n';
        appendAddresses(out, r->email(), rest);
        appendAddresses(out, r->officeEmail(), rest);
    }
    return out;
}

} // namespace MailQuery
