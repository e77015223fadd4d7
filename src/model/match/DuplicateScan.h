#pragma once

#include "ContactMatcher.h"

#include <cstddef>
#include <vector>

// The contacts of a book that seem to be one person, in groups, the surest first: every pair
// the matcher finds joins its two contacts' groups.
//
//     ContactMatcher book;  ... book.add(keys) for every record ...
//     for (const DuplicateScan::Group& g : DuplicateScan::groups(book)) ...
class DuplicateScan
{
public:
    struct Group
    {
        std::vector<std::size_t> members; // indexes of the matcher, ascending
        ContactMatcher::Confidence confidence = ContactMatcher::Confidence::None; // the best pair
        unsigned reasons = 0; // of the pairs that are that sure
    };

    static std::vector<Group>
    groups(const ContactMatcher& matcher,
           ContactMatcher::Confidence least = ContactMatcher::Confidence::Possible);
};
