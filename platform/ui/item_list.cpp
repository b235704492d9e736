#include "platform/ui/item_list.h"

#include "platform/base/case_fold.h"

#include <algorithm>

namespace ui::detail {

namespace {

// A new item with its folded text.
ListItem MakeItem(std::u16string text) {
    ListItem item;
    item.folded = platform::FoldCase(text);
    item.text = std::move(text);
    return item;
}

} // namespace

int ItemList::Add(std::u16string text, Order order) {
    ListItem item = MakeItem(std::move(text));
    auto at = m_items.end();
    if (order == Order::Sorted)
        at = std::upper_bound(
            m_items.begin(), m_items.end(), item.folded,
            [](const std::u16string& key, const ListItem& other) { return key < other.folded; });
    at = m_items.insert(at, std::move(item));
    return static_cast<int>(at - m_items.begin());
}

int ItemList::Insert(int index, std::u16string text) {
    if (index < -1 || index > Count())
        return -1;
    if (index == -1)
        index = Count();
    m_items.insert(m_items.begin() + index, MakeItem(std::move(text)));
    return index;
}

bool ItemList::Delete(int index) {
    if (!Valid(index))
        return false;
    m_items.erase(m_items.begin() + index);
    return true;
}

template <class Match> int ItemList::Search(int start, Match match) const {
    const int n = Count();
    if (n == 0)
        return -1;
    const int first = start < 0 || start >= n ? 0 : start + 1;
    for (int k = 0; k < n; ++k) {
        const int i = (first + k) % n;
        if (match(m_items[i].folded))
            return i;
    }
    return -1;
}

int ItemList::FindPrefix(int start, std::u16string_view prefix) const {
    const auto key = platform::FoldCase(prefix);
    return Search(start, [&](const std::u16string& folded) { return folded.starts_with(key); });
}

int ItemList::FindExact(int start, std::u16string_view text) const {
    const auto key = platform::FoldCase(text);
    return Search(start, [&](const std::u16string& folded) { return folded == key; });
}

} // namespace ui::detail
