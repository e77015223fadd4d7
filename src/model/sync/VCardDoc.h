#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One vCard kept as the server sent it, property by property, so that a change rewrites only
// the properties it touches: every other line (photos, extra numbers, properties nobody here
// knows) goes back byte for byte, in its place. Line ends become CR LF on the way in (servers
// send bare LF too).
class VCardDoc
{
public:
    struct Property
    {
        std::string raw;    // the physical lines as they came, with CR LF; empty once rewritten
        std::string group;  // "item1" of "item1.TEL", without the dot
        std::string name;   // upper case
        std::string params; // everything between the name and the colon, leading ';' included
        std::string value;  // unfolded, still escaped
    };

    // The first card of text; nothing when there is no BEGIN:VCARD … END:VCARD.
    static std::optional<VCardDoc> parse(std::string_view text);
    // A card holding nothing but BEGIN, VERSION:3.0, UID and END.
    static VCardDoc skeleton(std::string_view uid);

    std::string text() const;
    const std::vector<Property>& properties() const { return m_props; }
    // The first property of that name (upper case) the predicate accepts; npos when none.
    static constexpr std::size_t npos = std::size_t(-1);
    template <class Pred> std::size_t find(std::string_view name, Pred accept) const
    {
        for (std::size_t i = 0; i < m_props.size(); ++i) {
            if (m_props[i].name == name && accept(m_props[i]))
                return i;
        }
        return npos;
    }
    std::size_t find(std::string_view name) const
    {
        return find(name, [](const Property&) { return true; });
    }
    std::string uid() const;
    // A group (KIND:group, or X-ADDRESSBOOKSERVER-KIND:group as Apple's servers keep them),
    // not a person.
    bool isGroup() const;

    // Replaces the value (escaped form) of a property, keeping its group and parameters.
    void setValue(std::size_t index, std::string value);
    void setParams(std::size_t index, std::string params);
    void remove(std::size_t index);
    // Adds a property before END:VCARD.
    void add(std::string_view name, std::string_view params, std::string value);

    // Text values: backslash escapes undone / made.
    static std::string unescape(std::string_view value);
    static std::string escape(std::string_view text);
    // The values between unescaped separators (';' for components, ',' for lists), unescaped.
    static std::vector<std::string> split(std::string_view value, char separator);
    // Whether the property names the type (TYPE=a,b; TYPE=a;TYPE=b; bare 2.1 "HOME"), any case.
    static bool hasType(const Property& property, std::string_view type);
    static bool hasAnyType(const Property& property);
    // The value of a parameter (quotes removed), or nothing.
    static std::optional<std::string> param(const Property& property, std::string_view name);

private:
    static std::string render(const Property& property);
    std::vector<Property> m_props;
};
