#include "platform/user/item_ranges.h"

#include <algorithm>
#include <climits>
#include <iterator>

namespace zv::user {

bool ItemRanges::Contains(int item) const
{
    auto after = m_ranges.upper_bound(item);
    if (after == m_ranges.begin())
        return false;
    return std::prev(after)->second >= item;
}

void ItemRanges::Add(int first, int last)
{
    if (last < first)
        return;
    // Swallow every range that overlaps or touches [first, last].
    auto at = m_ranges.upper_bound(first);
    if (at != m_ranges.begin()) {
        auto before = std::prev(at);
        if (before->second >= first - 1 || before->second == INT_MAX)
            at = before;
    }
    while (at != m_ranges.end() && (last == INT_MAX || at->first <= last + 1)) {
        first = std::min(first, at->first);
        last = std::max(last, at->second);
        at = m_ranges.erase(at);
    }
    m_ranges.emplace(first, last);
}

void ItemRanges::Remove(int first, int last)
{
    if (last < first)
        return;
    auto at = m_ranges.upper_bound(first);
    if (at != m_ranges.begin())
        at = std::prev(at);
    while (at != m_ranges.end() && at->first <= last) {
        const int from = at->first;
        const int to = at->second;
        if (to < first) {
            ++at;
            continue;
        }
        at = m_ranges.erase(at);
        if (from < first)
            m_ranges.emplace(from, first - 1);
        if (to > last)
            at = m_ranges.emplace(last + 1, to).first;
    }
}

void ItemRanges::Truncate(int count)
{
    if (count <= 0)
        Clear();
    else
        Remove(count, INT_MAX);
}

int ItemRanges::Count() const
{
    long long total = 0;
    for (const auto& [first, last] : m_ranges)
        total += static_cast<long long>(last) - first + 1;
    return static_cast<int>(std::min<long long>(total, INT_MAX));
}

int ItemRanges::NextAfter(int item) const
{
    if (item == INT_MAX)
        return -1;
    const int wanted = item + 1;
    if (Contains(wanted))
        return wanted;
    auto next = m_ranges.upper_bound(wanted);
    return next == m_ranges.end() ? -1 : next->first;
}

int ItemRanges::PreviousBefore(int item) const
{
    if (item <= 0)
        return -1;
    const int wanted = item - 1;
    auto after = m_ranges.upper_bound(wanted);
    if (after == m_ranges.begin())
        return -1;
    return std::min(std::prev(after)->second, wanted);
}

} // namespace zv::user
