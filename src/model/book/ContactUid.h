#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A contact's identity: a random RFC 4122 UUID (version 4), given once when the contact enters
// the book and never changed by edits, moves, sorting, export or import. Phones and servers
// know a contact by it, so a copy is another contact and gets another one.
class ContactUid
{
public:
    ContactUid() = default; // the nil UUID: no identity yet

    static ContactUid generate();
    // The canonical form (8-4-4-4-12 hex digits, either case), optionally after "urn:uuid:".
    static std::optional<ContactUid> parse(std::string_view text);
    // A UID a vCard carries: itself when it is a UUID, else one derived from its text (a
    // 128-bit hash, marked version 8). The text itself then travels with the contact's extras,
    // so that it goes out again unchanged.
    static ContactUid fromForeign(std::string_view text);

    bool isNull() const { return m_bytes == std::array<std::uint8_t, 16>{}; }
    std::string toString() const; // lower case, canonical form
    void appendTo(std::string& out) const;

    bool operator==(const ContactUid&) const = default;
    bool operator<(const ContactUid& other) const { return m_bytes < other.m_bytes; }
    std::size_t hash() const;

    struct Hash
    {
        std::size_t operator()(const ContactUid& uid) const { return uid.hash(); }
    };

private:
    std::array<std::uint8_t, 16> m_bytes{};
};
