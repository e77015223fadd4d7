#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class AddressRecord;

// A fingerprint of a record's sixteen fields as the data file holds them (each cut to its
// slot), in two halves: the name, and every other field with the boundaries between them.
// Equal records give equal fingerprints and a change gives another one but by a chance of
// 2^-64 a half. It tells which entry of the companion file belongs to which record of
// Address.vok after another program changed that file; the halves tell a contact edited in
// place (one half kept) from another contact.
struct RecordFingerprint
{
    std::uint64_t name = 0;
    std::uint64_t rest = 0;

    bool operator==(const RecordFingerprint&) const = default;

    static RecordFingerprint of(const AddressRecord& record);
    static RecordFingerprint of(const std::array<std::string_view, 16>& fields);
    // The name's half alone, for a record's name field: a record whose half no entry shares
    // matches none of them, and the rest need not be hashed.
    static std::uint64_t nameHalf(std::string_view name);

    // 32 hex digits, the name's half first.
    std::string toHex() const;
    void appendHex(std::string& out) const;
    static std::optional<RecordFingerprint> parseHex(std::string_view text);

    // A fast 64-bit hash of bytes (eight at a time), for fingerprints and derived identities.
    static std::uint64_t hash(std::string_view bytes, std::uint64_t seed);
};
