#include "DuplicateScan.h"

#include <algorithm>
#include <numeric>
#include <unordered_map>

namespace {

std::size_t root(std::vector<std::size_t>& parent, std::size_t i)
{
    while (parent[i] != i) {
        parent[i] = parent[parent[i]];
        i = parent[i];
    }
    return i;
}

} // namespace

std::vector<DuplicateScan::Group> DuplicateScan::groups(const ContactMatcher& matcher,
                                                        ContactMatcher::Confidence least)
{
    const std::vector<ContactMatcher::Pair> pairs = matcher.pairs(least);
    std::vector<std::size_t> parent(matcher.size());
    std::iota(parent.begin(), parent.end(), std::size_t(0));
    for (const ContactMatcher::Pair& p : pairs) {
        const std::size_t a = root(parent, p.first);
        const std::size_t b = root(parent, p.second);
        if (a != b)
            parent[std::max(a, b)] = std::min(a, b);
    }
    std::unordered_map<std::size_t, std::size_t> groupOf; // root -> index into out
    std::vector<Group> out;
    for (const ContactMatcher::Pair& p : pairs) {
        const std::size_t r = root(parent, p.first);
        auto [it, fresh] = groupOf.try_emplace(r, out.size());
        if (fresh)
            out.emplace_back();
        Group& g = out[it->second];
        g.members.push_back(p.first);
        g.members.push_back(p.second);
        if (p.match.confidence > g.confidence) {
            g.confidence = p.match.confidence;
            g.reasons = p.match.reasons;
        } else if (p.match.confidence == g.confidence) {
            g.reasons |= p.match.reasons;
        }
    }
    for (Group& g : out) {
        std::sort(g.members.begin(), g.members.end());
        g.members.erase(std::unique(g.members.begin(), g.members.end()), g.members.end());
    }
    std::stable_sort(out.begin(), out.end(), [](const Group& a, const Group& b) {
        if (a.confidence != b.confidence)
            return a.confidence > b.confidence;
        return a.members.front() < b.members.front();
    });
    return out;
}
