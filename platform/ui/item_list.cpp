#include "platform/ui/item_list.h"

#include "platform/base/case_fold.h"

#include <algorithm>
#include <new>
#include <stdexcept>

namespace ui::detail {

namespace {

// Texts compared without case, unit by unit: no folded copy is kept per
// item, so a long list holds each text once.
int CompareFolded(std::u16string_view a, std::u16string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t x = platform::FoldCase(a[i]);
        const char16_t y = platform::FoldCase(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

} // namespace

int ItemList::Add(std::u16string text, Order order) {
    auto at = m_items.end();
    if (order == Order::Sorted)
        at = std::upper_bound(m_items.begin(), m_items.end(), text,
                              [](const std::u16string& key, const ListItem& other) {
                                  return CompareFolded(key, other.text) < 0;
                              });
    at = m_items.insert(at, ListItem{std::move(text)});
    return static_cast<int>(at - m_items.begin());
}

int ItemList::Insert(int index, std::u16string text) {
    if (index < -1 || index > Count())
        return -1;
    if (index == -1)
        index = Count();
    m_items.insert(m_items.begin() + index, ListItem{std::move(text)});
    return index;
}

bool ItemList::Delete(int index) {
    if (!Valid(index))
        return false;
    m_items.erase(m_items.begin() + index);
    return true;
}

bool ItemList::Reserve(std::size_t more, std::size_t* room) {
    if (more > m_items.max_size() - m_items.size())
        return false;
    try {
        m_items.reserve(m_items.size() + more);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    *room = m_items.capacity();
    return true;
}

template <class Match> int ItemList::Search(int start, Match match) const {
    const int n = Count();
    if (n == 0)
        return -1;
    const int first = start < 0 || start >= n ? 0 : start + 1;
    for (int k = 0; k < n; ++k) {
        const int i = (first + k) % n;
        if (match(std::u16string_view(m_items[i].text)))
            return i;
    }
    return -1;
}

int ItemList::FindPrefix(int start, std::u16string_view prefix) const {
    return Search(start, [&](std::u16string_view text) {
        return text.size() >= prefix.size() &&
               CompareFolded(text.substr(0, prefix.size()), prefix) == 0;
    });
}

int ItemList::FindExact(int start, std::u16string_view text) const {
    return Search(start,
                  [&](std::u16string_view other) { return CompareFolded(other, text) == 0; });
}

} // namespace ui::detail
