#include "AddressSplit.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <tuple>
#include <vector>

namespace AddressSplit {
namespace {

bool isHyphen(QChar c)
{
    return c == u'―' || c == u'-' || c == u'－' || c == u'‐' || c == u'−';
}

// Numerals of vertical (kanji) and horizontal (digits) addresses, and the hyphens between them.
bool isNumeral(QChar c)
{
    static const QString numerals = QStringLiteral("〇一二三四五六七八九十百千");
    return numerals.contains(c) || (c >= u'０' && c <= u'９') || (c >= u'0' && c <= u'9') ||
           isHyphen(c);
}

bool isDirection(QChar c)
{
    return c == u'北' || c == u'南' || c == u'東' || c == u'西';
}

// Words that belong to a house number: 一丁目二番地, 三番四号, 五の六, 北一条, 十二線, 二地割.
qsizetype suffixLength(const QString& s, qsizetype i)
{
    static const QString suffixes[] = {QStringLiteral("丁目"), QStringLiteral("番地"),
                                       QStringLiteral("地割"), QStringLiteral("番"),
                                       QStringLiteral("号"),   QStringLiteral("の"),
                                       QStringLiteral("条"),   QStringLiteral("線")};
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
// hyphen, or ending the line. A numeral inside a place name (三鷹, 八王子) is none. A direction
// before a numeral belongs to it (北一条西五丁目).
std::vector<Block> houseNumbers(const QString& s)
{
    std::vector<Block> blocks;
    qsizetype i = 0;
    auto numeralAt = [&](qsizetype k) {
        return k < s.size() && isNumeral(s[k]) && !isHyphen(s[k]);
    };
    while (i < s.size()) {
        const bool direction = (isDirection(s[i]) || s[i] == u'第') && numeralAt(i + 1);
        if (!numeralAt(i) && !direction) {
            ++i;
            continue;
        }
        Block b{i, direction ? i + 1 : i};
        bool marked = false;
        while (b.end < s.size()) {
            if (isNumeral(s[b.end])) {
                marked = marked || isHyphen(s[b.end]);
                ++b.end;
            } else if (const qsizetype n = suffixLength(s, b.end); n > 0 && b.end > b.begin) {
                marked = true;
                b.end += n;
            } else if (isDirection(s[b.end]) && numeralAt(b.end + 1)) {
                ++b.end;
            } else {
                break;
            }
        }
        if (marked || b.end == s.size())
            blocks.push_back(b);
        i = std::max(b.end, i + 1);
    }
    return blocks;
}

bool isWordCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x30A1 && u <= 0x30FF) || (u >= u'Ａ' && u <= u'Ｚ') ||
           (u >= u'ａ' && u <= u'ｚ') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') ||
           u == u'・';
}

// Characters a line never begins with.
bool mayNotBeginLine(QChar c)
{
    static const QString closing =
        QStringLiteral("、。，．）」』】〉》］｝ーぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮヵヶ");
    return closing.contains(c);
}

constexpr int UserBreak = 0;
constexpr int Space = 1;
constexpr int BeforeBuilding = 1;
constexpr int AfterTown = 2;
constexpr int BeforeNumber = 4;
constexpr int AfterPrefecture = 4;
constexpr int WordEdge = 6;
constexpr int Anywhere = 8;
constexpr int InsideWord = 60;
// A line break the user wrote and the split ignored; a later one counts more, so that the
// building keeps its own line when lines must join.
constexpr int UnusedUserBreak = 10;
constexpr int ExtraLine = 1;

struct Candidate
{
    qsizetype at = 0;   // the next line starts here
    qsizetype skip = 0; // characters dropped at the break (a space or a line break)
    int cost = 0;
    bool user = false;
    int userIndex = 0; // which of the user's line breaks, when it is one
};

std::vector<Candidate> candidates(const QString& s)
{
    std::vector<int> cost(std::size_t(s.size() + 1), Anywhere);
    std::vector<qsizetype> skip(std::size_t(s.size() + 1), 0);
    std::vector<bool> user(std::size_t(s.size() + 1), false);
    auto offer = [&](qsizetype at, int c) {
        if (at > 0 && at < s.size())
            cost[std::size_t(at)] = std::min(cost[std::size_t(at)], c);
    };
    for (const Block& b : houseNumbers(s)) {
        for (qsizetype k = b.begin + 1; k < b.end; ++k)
            cost[std::size_t(k)] = InsideWord;
    }
    for (qsizetype k = 1; k < s.size(); ++k) {
        if ((isWordCharacter(s[k - 1]) && isWordCharacter(s[k])) || mayNotBeginLine(s[k]))
            cost[std::size_t(k)] = std::max(cost[std::size_t(k)], InsideWord);
        else if (isWordCharacter(s[k - 1]) != isWordCharacter(s[k]))
            offer(k, WordEdge); // where a katakana or Latin word begins or ends
    }
    const std::vector<Block> blocks = houseNumbers(s);
    if (!blocks.empty()) {
        offer(blocks.front().begin, BeforeNumber);
        // The building follows the last house number (a Kyoto 七条 is followed by 下ル).
        if (const Block& b = blocks.back(); b.end < s.size() && !isNumeral(s[b.end]))
            offer(b.end, BeforeBuilding);
    }
    // Before 大字 and 字, which begin the village part.
    for (qsizetype k = s.indexOf(u'字'); k > 0; k = s.indexOf(u'字', k + 1))
        offer(s[k - 1] == u'大' ? k - 1 : k, AfterTown);
    static const QString kyoto[] = {QStringLiteral("上ル"), QStringLiteral("下ル"),
                                    QStringLiteral("入ル"), QStringLiteral("上る"),
                                    QStringLiteral("下る"), QStringLiteral("入る")};
    for (const QString& word : kyoto) {
        for (qsizetype k = s.indexOf(word); k >= 0; k = s.indexOf(word, k + 1))
            offer(k + word.size(), AfterTown);
    }
    static const QString towns = QStringLiteral("市区郡町村");
    for (qsizetype k = 2; k + 1 < s.size(); ++k) {
        // Not inside 河原町通 or 四条通, nor before a number.
        if (!towns.contains(s[k]) || towns.contains(s[k + 1]) || isNumeral(s[k + 1]) ||
            s[k + 1] == u'通' || s[k + 1] == u'筋')
            continue;
        // A city of wards (さいたま市大宮区) and a district of towns (北佐久郡軽井沢町) break
        // after the ward or the town rather than between.
        const QStringView next = QStringView(s).mid(k + 1, 6);
        const bool partOfMore = (s[k] == u'市' && next.contains(u'区')) ||
                                (s[k] == u'郡' && (next.contains(u'町') || next.contains(u'村')));
        offer(k + 1, partOfMore ? BeforeNumber : AfterTown);
    }
    for (const QString& prefecture :
         {QStringLiteral("都"), QStringLiteral("道"), QStringLiteral("府"), QStringLiteral("県")}) {
        const qsizetype k = s.indexOf(prefecture);
        if (k >= 1 && k <= 3)
            offer(k + 1, AfterPrefecture);
    }
    for (qsizetype k = 1; k < s.size(); ++k) {
        if (s[k] == u' ' || s[k] == u'\n') {
            cost[std::size_t(k)] = s[k] == u'\n' ? UserBreak : Space;
            skip[std::size_t(k)] = 1;
            user[std::size_t(k)] = s[k] == u'\n';
        }
    }
    std::vector<Candidate> list;
    int userIndex = 0;
    for (qsizetype k = 1; k < s.size(); ++k) {
        // Not right after a space or a user's break: the break would take the space instead.
        if (s[k - 1] == u' ' || s[k - 1] == u'\n')
            continue;
        list.push_back(
            {k, skip[std::size_t(k)], cost[std::size_t(k)], user[std::size_t(k)], userIndex});
        userIndex += user[std::size_t(k)] ? 1 : 0;
    }
    return list;
}

} // namespace

QStringList lines(const QString& address, int capacity, int maxLines)
{
    // The user's lines, without blank ones and with single spaces.
    QStringList parts;
    for (const QString& line : address.split(u'\n')) {
        const QString p = line.simplified();
        if (!p.isEmpty())
            parts << p;
    }
    if (parts.isEmpty())
        return {};
    const QString s = parts.join(u'\n');
    if (parts.size() == 1 && s.size() <= capacity)
        return {s};

    // The sensible breaks first: when a split of them fits, the others are not looked at (a
    // 40-character address has some 800 ways to break in three).
    const std::vector<Candidate> all = candidates(s);
    std::vector<Candidate> list;
    std::copy_if(all.begin(), all.end(), std::back_inserter(list),
                 [](const Candidate& c) { return c.cost < Anywhere; });
    const int userBreaks = int(parts.size()) - 1;
    struct Choice
    {
        std::vector<std::size_t> breaks;
        qsizetype longest = 0;
        int cost = 0;
        qsizetype squares = 0; // smaller when the lines are more even
        bool clean = true;     // no break inside a word or a number
    };
    std::vector<Choice> choices;
    std::vector<std::size_t> chosen;
    // Every way of choosing up to maxLines - 1 breaks, in order.
    auto evaluate = [&] {
        Choice c{chosen, 0, int(chosen.size()) * ExtraLine, 0, true};
        qsizetype from = 0;
        auto line = [&](qsizetype length) {
            c.longest = std::max(c.longest, length);
            c.squares += length * length;
        };
        std::vector<bool> used(std::size_t(userBreaks), false);
        for (std::size_t k : chosen) {
            line(list[k].at - from);
            c.cost += list[k].cost;
            c.clean = c.clean && list[k].cost < InsideWord;
            if (list[k].user)
                used[std::size_t(list[k].userIndex)] = true;
            from = list[k].at + list[k].skip;
        }
        line(s.size() - from);
        for (int u = 0; u < userBreaks; ++u) {
            if (!used[std::size_t(u)])
                c.cost += UnusedUserBreak + u;
        }
        choices.push_back(std::move(c));
    };
    auto recurse = [&](auto&& self, std::size_t start, int left) -> void {
        evaluate();
        if (left == 0)
            return;
        for (std::size_t k = start; k < list.size(); ++k) {
            chosen.push_back(k);
            self(self, k + 1, left - 1);
            chosen.pop_back();
        }
    };
    recurse(recurse, 0, std::max(0, maxLines - 1));
    if (std::none_of(choices.begin(), choices.end(),
                     [&](const Choice& c) { return c.longest <= capacity; })) {
        // Never inside a word or a number: the unbroken line always beats that.
        list.clear();
        std::copy_if(all.begin(), all.end(), std::back_inserter(list),
                     [](const Candidate& c) { return c.cost < InsideWord; });
        choices.clear();
        recurse(recurse, 0, std::max(0, maxLines - 1));
    }

    // Any split whose longest line fits, or is nearly as short as the shortest possible one
    // (which shrinks the type least); among those the most sensible, then the shortest, then
    // the most even.
    // A word or a number is broken only when every split breaks one.
    const bool anyClean =
        std::any_of(choices.begin(), choices.end(), [](const Choice& c) { return c.clean; });
    qsizetype shortest = std::numeric_limits<qsizetype>::max();
    for (const Choice& c : choices) {
        if (c.clean || !anyClean)
            shortest = std::min(shortest, c.longest);
    }
    const qsizetype allowed = shortest <= capacity ? capacity : shortest * 5 / 4;
    const Choice* best = nullptr;
    for (const Choice& c : choices) {
        if (c.longest > allowed || (anyClean && !c.clean))
            continue;
        if (!best || std::tuple(c.cost, c.longest, c.squares) <
                         std::tuple(best->cost, best->longest, best->squares))
            best = &c;
    }
    QStringList out;
    qsizetype from = 0;
    for (std::size_t k : best->breaks) {
        out << QString(s.mid(from, list[k].at - from)).remove(u'\n');
        from = list[k].at + list[k].skip;
    }
    out << QString(s.mid(from)).remove(u'\n');
    return out;
}

} // namespace AddressSplit
