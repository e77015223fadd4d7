#pragma once

#include <string>
#include <string_view>
#include <vector>

// What the user typed into the search field, split into words and folded (TextFold) once, so
// that each record costs only substring searches.
//
//     SearchQuery query("やまだ 0312345678");
//     index.filter(query, shownRecords);
class SearchQuery
{
public:
    struct Word
    {
        std::string folded; // the word as searched in every field and the reading
        std::string phone;  // its phone form, searched in phone numbers and postal codes; empty
                            // when the word has no spaces, hyphens or parentheses to drop
        std::string romaji; // its Romaji spelling, searched like folded; empty when the word is
                            // no romaji or is spelled so already
    };

    SearchQuery() = default;
    // Words are separated by spaces, half-width or full-width, tabs and line breaks.
    explicit SearchQuery(std::string_view utf8);

    // A query without words matches every record.
    bool empty() const { return m_words.empty(); }
    // Longest first: a long word rules most records out soonest.
    const std::vector<Word>& words() const { return m_words; }

    // True when every word (or its romaji spelling) occurs in the record's search text
    // (SearchIndex::searchText): before joinedStart anywhere, the phone form of a word in the phone
    // forms (phoneStart up to joinedStart), and after joinedStart only at the start of a joined
    // name or reading.
    bool matches(std::string_view searchText, std::size_t phoneStart,
                 std::size_t joinedStart) const;
    // The same for one word.
    static bool holds(const Word& word, std::string_view searchText, std::size_t phoneStart,
                      std::size_t joinedStart);

    // Opens each joined name and reading in a search text: a word is looked for there as
    // JoinedMark followed by the word, so that it matches only from the start.
    static constexpr char JoinedMark = '\x01';

private:
    std::vector<Word> m_words;
};
