#include "SearchQuery.h"

#include "model/text/Romaji.h"
#include "model/text/TextFold.h"

#include <algorithm>

SearchQuery::SearchQuery(std::string_view utf8)
{
    // Folding turns the ideographic space and control characters into plain spaces.
    const std::string folded = TextFold::fromUtf8(utf8);
    std::size_t pos = 0;
    while (pos < folded.size()) {
        const std::size_t start = folded.find_first_not_of(' ', pos);
        if (start == std::string::npos)
            break;
        std::size_t end = folded.find(' ', start);
        if (end == std::string::npos)
            end = folded.size();
        Word word;
        word.folded = folded.substr(start, end - start);
        word.phone = TextFold::phoneForm(word.folded);
        if (word.phone == word.folded)
            word.phone.clear();
        word.romaji = Romaji::fromTyped(word.folded);
        if (word.romaji == word.folded)
            word.romaji.clear();
        m_words.push_back(std::move(word));
        pos = end;
    }
    std::stable_sort(m_words.begin(), m_words.end(), [](const Word& a, const Word& b) {
        return a.folded.size() > b.folded.size();
    });
}

bool SearchQuery::matches(std::string_view text, std::size_t phoneStart,
                          std::size_t joinedStart) const
{
    for (const Word& w : m_words) {
        if (!holds(w, text, phoneStart, joinedStart))
            return false;
    }
    return true;
}

bool SearchQuery::holds(const Word& w, std::string_view text, std::size_t phoneStart,
                        std::size_t joinedStart)
{
    joinedStart = std::min(joinedStart, text.size());
    phoneStart = std::min(phoneStart, joinedStart);
    const std::string_view joined = text.substr(joinedStart);
    const std::string_view phones = text.substr(phoneStart, joinedStart - phoneStart);
    text = text.substr(0, joinedStart);
    if (text.find(w.folded) != std::string_view::npos)
        return true;
    if (joined.find(JoinedMark + w.folded) != std::string_view::npos)
        return true;
    if (!w.phone.empty() && phones.find(w.phone) != std::string_view::npos)
        return true;
    return !w.romaji.empty() && (text.find(w.romaji) != std::string_view::npos ||
                                 joined.find(JoinedMark + w.romaji) != std::string_view::npos);
}
