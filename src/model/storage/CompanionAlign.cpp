#include "CompanionAlign.h"

#include <algorithm>
#include <unordered_map>

namespace {

using FP = RecordFingerprint;

struct FpHash
{
    std::size_t operator()(const FP& fp) const
    {
        return std::size_t(fp.name ^ (fp.rest * 0x9E3779B97F4A7C15ull));
    }
};

class Aligner
{
public:
    Aligner(const std::vector<FP>& entries, const std::vector<FP>& records)
        : m_e(entries), m_r(records), m_match(records.size(), CompanionAlign::None),
          m_taken(entries.size(), false)
    {
    }

    std::vector<std::size_t> run()
    {
        exact(0, m_e.size(), 0, m_r.size());
        moved();
        edited();
        return std::move(m_match);
    }

private:
    void pair(std::size_t e, std::size_t r)
    {
        m_match[r] = e;
        m_taken[e] = true;
    }

    // Equal fingerprints in order between entries [e0, e1) and records [r0, r1).
    void exact(std::size_t e0, std::size_t e1, std::size_t r0, std::size_t r1)
    {
        while (e0 < e1 && r0 < r1 && m_e[e0] == m_r[r0])
            pair(e0++, r0++);
        while (e0 < e1 && r0 < r1 && m_e[e1 - 1] == m_r[r1 - 1])
            pair(--e1, --r1);
        if (e0 == e1 || r0 == r1)
            return;

        // Anchors: fingerprints that occur once on each side of this stretch.
        std::unordered_map<FP, std::pair<std::size_t, std::size_t>, FpHash> count; // e, r
        std::unordered_map<FP, std::pair<std::size_t, std::size_t>, FpHash> where;
        count.reserve((e1 - e0) + (r1 - r0));
        for (std::size_t i = e0; i < e1; ++i) {
            auto& c = count[m_e[i]];
            ++c.first;
            where[m_e[i]].first = i;
        }
        for (std::size_t j = r0; j < r1; ++j) {
            auto it = count.find(m_r[j]);
            if (it == count.end())
                continue;
            ++it->second.second;
            where[m_r[j]].second = j;
        }
        std::vector<std::pair<std::size_t, std::size_t>> anchors; // by record order
        for (std::size_t j = r0; j < r1; ++j) {
            const auto it = count.find(m_r[j]);
            if (it != count.end() && it->second.first == 1 && it->second.second == 1)
                anchors.emplace_back(where[m_r[j]].first, j);
        }
        if (anchors.empty()) {
            // No anchor: twins or nothing in common; match equal ones in order.
            inOrder(e0, e1, r0, r1);
            return;
        }
        // The longest run of anchors whose entries also go up (patience sorting).
        std::vector<std::size_t> tails; // anchor index ending each length
        std::vector<std::size_t> before(anchors.size(), ~std::size_t(0));
        for (std::size_t a = 0; a < anchors.size(); ++a) {
            const auto pos = std::lower_bound(
                tails.begin(), tails.end(), anchors[a].first,
                [&](std::size_t t, std::size_t e) { return anchors[t].first < e; });
            if (pos != tails.begin())
                before[a] = *(pos - 1);
            if (pos == tails.end())
                tails.push_back(a);
            else
                *pos = a;
        }
        std::vector<std::size_t> chain;
        for (std::size_t a = tails.back(); a != ~std::size_t(0); a = before[a])
            chain.push_back(a);
        std::reverse(chain.begin(), chain.end());
        std::size_t pe = e0;
        std::size_t pr = r0;
        for (std::size_t a : chain) {
            exact(pe, anchors[a].first, pr, anchors[a].second);
            pair(anchors[a].first, anchors[a].second);
            pe = anchors[a].first + 1;
            pr = anchors[a].second + 1;
        }
        exact(pe, e1, pr, r1);
    }

    // Equal fingerprints matched in order, for stretches without anchors (twins, or nothing
    // in common): each record takes the first free equal entry after the last one taken.
    void inOrder(std::size_t e0, std::size_t e1, std::size_t r0, std::size_t r1)
    {
        std::unordered_map<FP, std::vector<std::size_t>, FpHash> at;
        for (std::size_t e = e0; e < e1; ++e)
            at[m_e[e]].push_back(e);
        std::size_t last = e0;
        for (std::size_t r = r0; r < r1; ++r) {
            const auto it = at.find(m_r[r]);
            if (it == at.end())
                continue;
            const auto& list = it->second;
            const auto next = std::lower_bound(list.begin(), list.end(), last);
            if (next == list.end())
                continue;
            pair(*next, r);
            last = *next + 1;
        }
    }

    // The same record elsewhere in the file (another program reordered it): equal
    // fingerprints among what is left, twins in order.
    void moved()
    {
        std::unordered_map<FP, std::vector<std::size_t>, FpHash> left;
        for (std::size_t e = 0; e < m_e.size(); ++e) {
            if (!m_taken[e])
                left[m_e[e]].push_back(e);
        }
        if (left.empty())
            return;
        std::unordered_map<FP, std::size_t, FpHash> next;
        for (std::size_t r = 0; r < m_r.size(); ++r) {
            if (m_match[r] != CompanionAlign::None)
                continue;
            const auto it = left.find(m_r[r]);
            if (it == left.end())
                continue;
            std::size_t& n = next[m_r[r]];
            if (n < it->second.size())
                pair(it->second[n++], r);
        }
    }

    // Records edited in place: between two matched neighbours (or the file's ends), an equal
    // number of unmatched entries and records, paired by position when exactly one half of the
    // fingerprint is kept (the name, or all the rest): a record deleted and another added in
    // its place differ in both.
    void edited()
    {
        std::size_t r = 0;
        while (r < m_r.size()) {
            if (m_match[r] != CompanionAlign::None) {
                ++r;
                continue;
            }
            const std::size_t r0 = r;
            while (r < m_r.size() && m_match[r] == CompanionAlign::None)
                ++r;
            // The entries between the neighbours' entries.
            const std::size_t e0 = r0 == 0 ? 0 : m_match[r0 - 1] + 1;
            const std::size_t e1 = r == m_r.size() ? m_e.size() : m_match[r];
            if (e1 < e0)
                continue;
            std::vector<std::size_t> free;
            for (std::size_t e = e0; e < e1; ++e) {
                if (!m_taken[e])
                    free.push_back(e);
            }
            if (free.size() == r - r0) {
                for (std::size_t k = 0; k < free.size(); ++k) {
                    const FP& a = m_e[free[k]];
                    const FP& b = m_r[r0 + k];
                    if ((a.name == b.name) != (a.rest == b.rest))
                        pair(free[k], r0 + k);
                }
            } else {
                uniqueHalves(free, r0, r);
            }
        }
    }

    // Where a record was edited beside one deleted or added, the counts differ: a record and an
    // entry still pair when they share one half and nothing else in the stretch shares it.
    void uniqueHalves(const std::vector<std::size_t>& free, std::size_t r0, std::size_t r1)
    {
        for (const bool byName : {true, false}) {
            const auto half = [byName](const FP& f) { return byName ? f.name : f.rest; };
            // half -> (entry, how many entries have it); half -> how many records have it
            std::unordered_map<std::uint64_t, std::pair<std::size_t, std::size_t>> entries;
            std::unordered_map<std::uint64_t, std::size_t> records;
            for (std::size_t e : free) {
                if (m_taken[e])
                    continue;
                auto& slot = entries[half(m_e[e])];
                slot.first = e;
                ++slot.second;
            }
            for (std::size_t r = r0; r < r1; ++r) {
                if (m_match[r] == CompanionAlign::None)
                    ++records[half(m_r[r])];
            }
            for (std::size_t r = r0; r < r1; ++r) {
                if (m_match[r] != CompanionAlign::None)
                    continue;
                const auto it = entries.find(half(m_r[r]));
                if (it == entries.end() || it->second.second != 1 || records[half(m_r[r])] != 1 ||
                    m_taken[it->second.first])
                    continue;
                pair(it->second.first, r);
            }
        }
    }

    const std::vector<FP>& m_e;
    const std::vector<FP>& m_r;
    std::vector<std::size_t> m_match;
    std::vector<bool> m_taken;
};

} // namespace

std::vector<std::size_t> CompanionAlign::align(const std::vector<FP>& entries,
                                               const std::vector<FP>& records)
{
    if (entries.size() == records.size() && entries == records) { // the usual case
        std::vector<std::size_t> match(records.size());
        for (std::size_t i = 0; i < match.size(); ++i)
            match[i] = i;
        return match;
    }
    return Aligner(entries, records).run();
}
