#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What a contact has beyond the sixteen fields of Address.vok, kept in the companion file:
// how the contact is addressed on postcards (敬称, 連名, 役職, 部署), the 年賀状 marks by year,
// and the whole text of fields that CP932 cannot hold. All text is UTF-8.
//
// A record holds its extras through a shared, unchangeable object (most contacts have none), so
// that copying the book for a save copies a pointer; a change replaces the object.
class ContactExtras
{
public:
    // 敬称 values with a meaning of their own; any other short text is the user's own.
    static constexpr std::string_view DefaultHonorific = "様";
    static constexpr std::string_view NoHonorific = "なし";
    static constexpr std::size_t MaxJointNames = 3;
    // The longest 敬称, 役職 or 部署, in characters, that the sheet takes.
    static constexpr std::size_t MaxHonorificChars = 8;

    // One more person at the contact's address (連名): a given name that shares the contact's
    // family name, or a full name; each with its own 敬称 and reading.
    struct JointName
    {
        std::string name;
        std::string honorific; // empty: 様
        std::string reading;
        bool operator==(const JointName&) const = default;
    };

    // The 年賀状 of one year (the year on the card, 2027 for the cards sent at the end of 2026).
    struct Nenga
    {
        enum class Send
        {
            Unset, // nothing decided: sent when the print asks for everyone
            Send,
            DontSend,
        };
        int year = 0;
        Send send = Send::Unset;
        bool mourning = false; // 喪中: no card this year
        bool sent = false;
        bool received = false;
        bool operator==(const Nenga&) const = default;
        bool empty() const { return send == Send::Unset && !mourning && !sent && !received; }
        // The marks as the companion file and vCard write them ("send", "nosend", "mourning",
        // "sent", "received"), joined by separator.
        std::string markWords(char separator) const;
        // Takes one such word, in any case; an unknown one is ignored.
        void addMarkWord(std::string_view word);
    };

    std::string honorific; // empty: 様; NoHonorific: none
    std::vector<JointName> jointNames;
    std::string title;        // 役職
    std::string department;   // 部署
    std::vector<Nenga> nenga; // by year, ascending; no empty entries
    // The whole text of a field whose characters CP932 cannot hold (the record keeps 〓 for
    // them), by field number. It counts only while the record's field still is its CP932 form.
    std::map<int, std::string> fullText;
    // The UID a card came with when it is no UUID, so that it goes out again as it came.
    std::string foreignUid;
    // The UIDs of contacts the user said are someone else, though they seem the same person.
    std::vector<std::string> notDuplicates;
    // Lines of a newer version of the companion file, kept as they came: key, value.
    std::vector<std::pair<std::string, std::string>> unknown;

    bool empty() const;
    bool operator==(const ContactExtras&) const = default;

    // The 敬称 as printed: 様 when none was chosen, empty for NoHonorific.
    std::string_view printedHonorific() const;
    static std::string_view printedHonorific(std::string_view stored);

    // The year whose 年賀状 is being written at this date: the coming one from October on.
    static int nengaYear(int year, int month) { return month >= 10 ? year + 1 : year; }

    // The marks of a year, or null.
    const Nenga* nengaOf(int year) const;
    // Replaces the marks of its year (an empty one removes them).
    void setNenga(const Nenga& marks);

    // The whole text of the field when it still belongs to the record's field (cp932), else
    // empty: another program changed the field since.
    std::string_view fullTextOf(int field, std::string_view cp932) const;
    // Keeps utf8 as the field's whole text when CP932 cannot hold it, and returns what the
    // record's field gets: the CP932 text, with 〓 for what CP932 cannot hold.
    std::string setFieldText(int field, std::string_view utf8);
};
