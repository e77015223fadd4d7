#pragma once

#include "model/book/AddressRecord.h"

#include <array>
#include <string>
#include <vector>

// Makes one contact of several that are one person, losing nothing: each field takes one
// contact's value, and the other values of that field that differ go into the memo as
// "電話番号：03-…" lines, unless the memo holds them already. Memos are joined line by line.
//
//     ContactMerge::Choice choice;               // -1 everywhere: the first value there is
//     choice[AddressRecord::Phone] = 1;          // the second contact's phone
//     AddressRecord one;
//     if (ContactMerge::merge(records, choice, one)) ...
class ContactMerge
{
public:
    // For each field, the index of the contact whose value it takes; -1: the first non-empty.
    using Choice = std::array<int, AddressRecord::FieldCount>;
    static Choice firstValues();

    // Two values of one field that differ (CP932).
    struct Difference
    {
        int field;
        std::string kept;
        std::string other;
    };

    // False when the memos cannot hold what does not fit a field (then result is untouched).
    // The result has the extras of the first contact, filled from the others where it has none.
    static bool merge(const std::vector<const AddressRecord*>& records, const Choice& choice,
                      AddressRecord& result);

    // kept with the empty fields filled from other (the other's group is not taken).
    // differences receives the fields where both have a different value.
    static bool fill(const AddressRecord& kept, const AddressRecord& other, AddressRecord& result,
                     std::vector<Difference>* differences = nullptr);
    // kept with every value other has put in its place (the group stays); changes receives
    // what changes.
    static AddressRecord update(const AddressRecord& kept, const AddressRecord& other,
                                std::vector<Difference>* changes = nullptr);
    // The fields (not the group) where the two have different values.
    static std::vector<Difference> differences(const AddressRecord& a, const AddressRecord& b);

private:
    static bool joinInto(std::string& memo, std::string_view lines, int field);
};
