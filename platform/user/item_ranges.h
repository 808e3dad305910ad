// A set of item indices kept as disjoint ranges, so that "all of a million rows" or "rows 10 to
// 900,000" cost one entry. The list view keeps its selection in one.
#pragma once

#include <map>

namespace zv::user {

class ItemRanges {
public:
    bool Contains(int item) const;
    // Inclusive bounds; an empty range (last < first) changes nothing.
    void Add(int first, int last);
    void Remove(int first, int last);
    void Clear() { m_ranges.clear(); }
    // Drops every index from `count` on.
    void Truncate(int count);
    bool Empty() const { return m_ranges.empty(); }
    // How many indices the set holds (capped at the largest int).
    int Count() const;
    // The first index after `item` (or before it), -1 when there is none.
    int NextAfter(int item) const;
    int PreviousBefore(int item) const;

private:
    std::map<int, int> m_ranges; // first -> last, inclusive, never touching each other
};

} // namespace zv::user
