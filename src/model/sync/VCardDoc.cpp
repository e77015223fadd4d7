#include "VCardDoc.h"

#include "model/exchange/vcard/VCardWriter.h"

#include <algorithm>
#include <cctype>

namespace {

std::string upper(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

// The parameters split at semicolons outside quotes, without the leading one.
std::vector<std::string_view> paramList(std::string_view params)
{
    std::vector<std::string_view> out;
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= params.size(); ++i) {
        if (i < params.size() && params[i] == '"')
            quoted = !quoted;
        if (i == params.size() || (params[i] == ';' && !quoted)) {
            if (i > start)
                out.push_back(params.substr(start, i - start));
            start = i + 1;
        }
    }
    return out;
}

} // namespace

std::optional<VCardDoc> VCardDoc::parse(std::string_view text)
{
    VCardDoc doc;
    bool inside = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        // One logical line: its physical lines up to one that no blank or tab continues.
        Property p;
        std::string logical;
        do {
            std::size_t end = text.find('\n', pos);
            const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
            if (end == std::string_view::npos)
                end = text.size();
            std::size_t stop = end;
            if (stop > pos && text[stop - 1] == '\r')
                --stop;
            const std::string_view physical = text.substr(pos, stop - pos);
            if (logical.empty() && p.raw.empty())
                logical = physical;
            else
                logical += physical.substr(1);
            p.raw += physical;
            p.raw += "\r\n";
            pos = next;
        } while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'));
        if (logical.empty())
            continue;
        const std::size_t colon = [&] {
            bool quoted = false;
            for (std::size_t i = 0; i < logical.size(); ++i) {
                if (logical[i] == '"')
                    quoted = !quoted;
                else if (logical[i] == ':' && !quoted)
                    return i;
            }
            return std::string::npos;
        }();
        if (colon == std::string::npos)
            continue; // no property: dropped, as every reader does
        std::string_view head = std::string_view(logical).substr(0, colon);
        const std::size_t semi = head.find(';');
        std::string_view name = head.substr(0, semi);
        if (semi != std::string_view::npos)
            p.params = head.substr(semi);
        if (const std::size_t dot = name.find('.'); dot != std::string_view::npos) {
            p.group = name.substr(0, dot);
            name = name.substr(dot + 1);
        }
        p.name = upper(name);
        p.value = logical.substr(colon + 1);
        if (!inside) {
            if (p.name == "BEGIN" && equalsNoCase(p.value, "VCARD")) {
                inside = true;
                doc.m_props.push_back(std::move(p));
            }
            continue;
        }
        const bool last = p.name == "END" && equalsNoCase(p.value, "VCARD");
        doc.m_props.push_back(std::move(p));
        if (last)
            return doc;
    }
    return std::nullopt;
}

VCardDoc VCardDoc::skeleton(std::string_view uid)
{
    VCardDoc doc;
    for (const auto& [name, value] : {std::pair<const char*, std::string_view>{"BEGIN", "VCARD"},
                                      {"VERSION", "3.0"},
                                      {"PRODID", "-//VOK System//VOK_Address//JA"},
                                      {"UID", uid},
                                      {"END", "VCARD"}}) {
        Property p;
        p.name = name;
        p.value = value;
        p.raw = render(p);
        doc.m_props.push_back(std::move(p));
    }
    return doc;
}

std::string VCardDoc::render(const Property& p)
{
    std::string line;
    if (!p.group.empty()) {
        line += p.group;
        line += '.';
    }
    line += p.name;
    line += p.params;
    line += ':';
    line += p.value;
    std::string out;
    VCardWriter::appendFolded(out, line);
    return out;
}

std::string VCardDoc::text() const
{
    std::string out;
    for (const Property& p : m_props)
        out += p.raw.empty() ? render(p) : p.raw;
    return out;
}

std::string VCardDoc::uid() const
{
    const std::size_t i = find("UID");
    return i == npos ? std::string() : unescape(m_props[i].value);
}

bool VCardDoc::isGroup() const
{
    for (const std::string_view name : {"KIND", "X-ADDRESSBOOKSERVER-KIND"}) {
        const std::size_t i = find(name);
        if (i != npos && upper(unescape(m_props[i].value)) == "GROUP")
            return true;
    }
    return false;
}

void VCardDoc::setValue(std::size_t index, std::string value)
{
    Property& p = m_props.at(index);
    if (p.value == value)
        return;
    p.value = std::move(value);
    p.raw.clear();
}

void VCardDoc::setParams(std::size_t index, std::string params)
{
    Property& p = m_props.at(index);
    if (p.params == params)
        return;
    p.params = std::move(params);
    p.raw.clear();
}

void VCardDoc::remove(std::size_t index)
{
    m_props.erase(m_props.begin() + static_cast<long>(index));
}

void VCardDoc::add(std::string_view name, std::string_view params, std::string value)
{
    Property p;
    p.name = name;
    p.params = params;
    p.value = std::move(value);
    std::size_t at = m_props.size();
    if (at > 0 && m_props.back().name == "END")
        --at;
    m_props.insert(m_props.begin() + static_cast<long>(at), std::move(p));
}

std::string VCardDoc::unescape(std::string_view value)
{
    if (value.find('\\') == std::string_view::npos)
        return std::string(value);
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const char c = value[++i];
        out += (c == 'n' || c == 'N') ? '\n' : c;
    }
    return out;
}

std::string VCardDoc::escape(std::string_view text)
{
    std::string out;
    VCardWriter::appendEscaped(out, text);
    return out;
}

std::vector<std::string> VCardDoc::split(std::string_view value, char separator)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= value.size(); ++i) {
        if (i < value.size() && value[i] == '\\') {
            ++i;
            continue;
        }
        if (i >= value.size() || value[i] == separator) {
            out.push_back(unescape(value.substr(start, std::min(i, value.size()) - start)));
            start = i + 1;
        }
    }
    return out;
}

std::optional<std::string> VCardDoc::param(const Property& property, std::string_view name)
{
    for (std::string_view item : paramList(property.params)) {
        const std::size_t eq = item.find('=');
        if (eq == std::string_view::npos || !equalsNoCase(item.substr(0, eq), name))
            continue;
        std::string value(item.substr(eq + 1));
        value.erase(std::remove(value.begin(), value.end(), '"'), value.end());
        return value;
    }
    return std::nullopt;
}

bool VCardDoc::hasType(const Property& property, std::string_view type)
{
    for (std::string_view item : paramList(property.params)) {
        const std::size_t eq = item.find('=');
        if (eq == std::string_view::npos) {
            if (equalsNoCase(item, type))
                return true;
            continue;
        }
        if (!equalsNoCase(item.substr(0, eq), "TYPE"))
            continue;
        std::string_view values = item.substr(eq + 1);
        while (!values.empty()) {
            const std::size_t comma = values.find(',');
            std::string_view one = values.substr(0, comma);
            if (!one.empty() && one.front() == '"')
                one.remove_prefix(1);
            if (!one.empty() && one.back() == '"')
                one.remove_suffix(1);
            if (equalsNoCase(one, type))
                return true;
            if (comma == std::string_view::npos)
                break;
            values.remove_prefix(comma + 1);
        }
    }
    return false;
}

bool VCardDoc::hasAnyType(const Property& property)
{
    for (std::string_view item : paramList(property.params)) {
        const std::size_t eq = item.find('=');
        if (eq == std::string_view::npos || equalsNoCase(item.substr(0, eq), "TYPE"))
            return true;
    }
    return false;
}
