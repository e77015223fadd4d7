#include "AddressSplit.h"

#include <algorithm>
#include <tuple>
#include <vector>

namespace AddressSplit {
namespace {

bool isNumeral(QChar c)
{
    static const QString numerals = QStringLiteral("〇一二三四五六七八九十百千万―");
    return numerals.contains(c) || (c >= u'０' && c <= u'９');
}

// Words that belong to a house number: 一丁目二番地, 三番四号, 五の六.
qsizetype suffixLength(const QString& s, qsizetype i)
{
    static const QString suffixes[] = {QStringLiteral("丁目"), QStringLiteral("番地"),
                                       QStringLiteral("番"), QStringLiteral("号"),
                                       QStringLiteral("の")};
    for (const QString& suffix : suffixes) {
        if (QStringView(s).mid(i).startsWith(suffix))
            return suffix.size();
    }
    return 0;
}

struct Block
{
    qsizetype begin = 0;
    qsizetype end = 0;
};

// Runs of numerals with their suffixes that read as a house number: with a suffix or a
// hyphen, or ending the line. A numeral inside a place name (三鷹, 八王子) is none.
std::vector<Block> houseNumbers(const QString& s)
{
    std::vector<Block> blocks;
    qsizetype i = 0;
    while (i < s.size()) {
        if (!isNumeral(s[i]) || s[i] == u'―') {
            ++i;
            continue;
        }
        Block b{i, i};
        bool marked = false;
        while (b.end < s.size()) {
            if (isNumeral(s[b.end])) {
                marked = marked || s[b.end] == u'―';
                ++b.end;
            } else if (const qsizetype n = suffixLength(s, b.end); n > 0) {
                marked = true;
                b.end += n;
            } else {
                break;
            }
        }
        if (marked || b.end == s.size())
            blocks.push_back(b);
        i = b.end;
    }
    return blocks;
}

struct Candidate
{
    qsizetype at = 0;   // the second line starts here
    qsizetype skip = 0; // characters dropped at the break (a space)
    int preference = 0; // lower is better
};

} // namespace

QStringList lines(const QString& address, int capacity)
{
    QStringList parts;
    for (const QString& line : address.split(u'\n')) {
        const QString s = line.simplified();
        if (!s.isEmpty())
            parts << s;
    }
    if (parts.size() > 1) {
        // The user's own breaks. Of more than two lines the last ones join (the building
        // keeps a line of its own) as long as the first line fits, else the most even break.
        auto joined = [&](qsizetype from, qsizetype to) {
            return parts.mid(from, to - from).join(QString());
        };
        qsizetype best = 0;
        for (qsizetype k = parts.size() - 1; k >= 1 && best == 0; --k) {
            if (joined(0, k).size() <= capacity)
                best = k;
        }
        if (best == 0) {
            qsizetype bestLongest = address.size();
            for (qsizetype k = 1; k < parts.size(); ++k) {
                const qsizetype longest =
                    std::max(joined(0, k).size(), joined(k, parts.size()).size());
                if (longest < bestLongest) {
                    best = k;
                    bestLongest = longest;
                }
            }
        }
        return {joined(0, best), joined(best, parts.size())};
    }
    if (parts.isEmpty())
        return {};
    const QString s = parts.first();
    if (s.size() <= capacity)
        return {s};

    std::vector<Candidate> candidates;
    for (qsizetype i = 1; i + 1 < s.size(); ++i) {
        if (s[i] == u' ')
            candidates.push_back({i, 1, 0});
    }
    const std::vector<Block> blocks = houseNumbers(s);
    if (!blocks.empty()) {
        if (blocks.back().end < s.size())
            candidates.push_back({blocks.back().end, 0, 1});
        if (blocks.front().begin > 0)
            candidates.push_back({blocks.front().begin, 0, 2});
    }
    static const QString towns = QStringLiteral("市区町村郡");
    for (qsizetype i = 2; i + 1 < s.size(); ++i) {
        if (towns.contains(s[i]) && !towns.contains(s[i + 1]))
            candidates.push_back({i + 1, 0, 3});
    }
    // Nothing sensible: the middle, so that both lines stay as short as they can.
    candidates.push_back({(s.size() + 1) / 2, 0, 4});

    // Any break whose longer line fits, or is nearly as short as the shortest possible one
    // (which shrinks the type least); among those the most sensible, then the most even.
    auto longest = [&](const Candidate& c) { return std::max(c.at, s.size() - c.at - c.skip); };
    qsizetype shortest = s.size();
    for (const Candidate& c : candidates)
        shortest = std::min(shortest, longest(c));
    const qsizetype allowed = std::max<qsizetype>(capacity, shortest * 6 / 5);
    auto key = [&](const Candidate& c) {
        return std::tuple(longest(c) > allowed, c.preference, longest(c));
    };
    const Candidate best =
        *std::min_element(candidates.begin(), candidates.end(),
                          [&](const Candidate& a, const Candidate& b) { return key(a) < key(b); });
    return {s.left(best.at), s.mid(best.at + best.skip)};
}

} // namespace AddressSplit
