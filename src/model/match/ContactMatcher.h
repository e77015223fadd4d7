#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class AddressRecord;

// Tells whether two contacts seem to be one person, and why, the way a Japanese user would:
// names compared after folding width, kana and the usual variant kanji (髙橋 = 高橋, 齋藤 = 斉藤)
// with spaces ignored; readings in any kana or in romaji (ﾀｶﾊｼ = たかはし = Takahashi); phones
// by their digits with +81 made domestic; e-mail without regard to case; the postal code with
// the start of the address.
//
// Contacts the user said are two people never match. A shared name alone is never certain, and a
// shared name beside a different phone and a different e-mail is no match at all: namesakes are
// common.
//
//     ContactMatcher book;
//     for (const AddressRecord* r : records) book.add(ContactMatcher::keysOf(*r, readingOf(*r)));
//     for (const ContactMatcher::Candidate& c : book.find(ContactMatcher::keysOf(card, reading)))
//         ...                                  // c.index: the order of add(); best first
//     for (const ContactMatcher::Pair& p : book.pairs()) ...   // every pair once
class ContactMatcher
{
public:
    enum class Confidence
    {
        None,
        Possible, // the same name and nothing against it, or the same reading
        Likely,   // the same personal e-mail or mobile, or the same reading and contact data
        Certain,  // the same UID, or the same name and phone, e-mail or address
    };
    enum Reason : unsigned
    {
        SameUid = 1,
        SameName = 2,
        SameReading = 4,
        SamePhone = 8,
        SameEmail = 16,
        SameAddress = 32,
    };
    struct Match
    {
        Confidence confidence = Confidence::None;
        unsigned reasons = 0; // Reason bits
    };

    // What a contact is compared by, worked out once.
    struct Keys
    {
        std::string uid;
        std::string name;                  // folded, variants unified, without spaces
        std::vector<std::string> readings; // romaji of the reading (and of a kana or Latin name)
        std::vector<std::string> phones;   // digits, domestic
        std::vector<std::string> emails;   // lower case
        std::string address;               // postal code and the first number of the address
        std::vector<std::string> notSame;  // UIDs the user said are someone else
    };
    // reading: UTF-8, empty when none is known.
    static Keys keysOf(const AddressRecord& record, std::string_view reading);
    // The parts one by one, for callers with their own fields (UTF-8 in, keys out).
    static std::string nameKey(std::string_view utf8);
    static std::string phoneKey(std::string_view utf8);
    static std::string emailKey(std::string_view utf8);
    static std::string addressKey(std::string_view postalCode, std::string_view address);
    // A mobile number (070, 080, 090): a person's own, unlike a home's or an office's.
    static bool isMobile(std::string_view phoneKey);

    static Match compare(const Keys& a, const Keys& b);

    struct Candidate
    {
        std::size_t index;
        Match match;
    };
    struct Pair
    {
        std::size_t first; // first < second
        std::size_t second;
        Match match;
    };

    // Adds a contact to those find() and pairs() look at; its index is the count before.
    void add(Keys keys);
    std::size_t size() const { return m_keys.size(); }
    const Keys& keys(std::size_t index) const { return m_keys[index]; }
    void reserve(std::size_t count);

    // The contacts added that match these keys at least as least, best first. The first call
    // after add() sorts the index: not for two threads at once.
    std::vector<Candidate> find(const Keys& keys, Confidence least = Confidence::Possible) const;
    // Every pair of contacts added that matches at least as least, each pair once, in the
    // order of their first contact.
    std::vector<Pair> pairs(Confidence least = Confidence::Possible) const;

    // A key shared by more contacts than this (a switchboard's number, a very common name) is
    // no sign of one person and is not followed.
    static constexpr std::size_t MaxShared = 16;

private:
    // One key of one contact, by the hash of its kind and text: equal keys sort together, and
    // a rare collision only costs a comparison that compare() answers.
    struct Entry
    {
        std::uint64_t hash;
        std::uint32_t index;
        bool operator<(const Entry& o) const
        {
            return hash < o.hash || (hash == o.hash && index < o.index);
        }
    };
    template <typename Visit> void forEachKey(const Keys& keys, Visit&& visit) const;
    void sort() const;

    std::vector<Keys> m_keys;
    mutable std::vector<Entry> m_entries;
    mutable bool m_sorted = true;
};
