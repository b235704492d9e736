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

int ItemList::Add(std::u16string_view text, Order order) {
    auto at = m_items.end();
    if (order == Order::Sorted)
        at = std::upper_bound(m_items.begin(), m_items.end(), text,
                              [this](std::u16string_view key, const ListItem& other) {
                                  return CompareFolded(key, TextOf(other)) < 0;
                              });
    return Place(at, text);
}

int ItemList::Insert(int index, std::u16string_view text) {
    if (index < -1 || index > Count())
        return -1;
    return Place(index == -1 ? m_items.end() : m_items.begin() + index, text);
}

int ItemList::Place(std::vector<ListItem>::iterator at, std::u16string_view text) {
    ListItem item;
    if (!Store(text, &item))
        return kNoRoom;
    try {
        at = m_items.insert(at, item);
    } catch (const std::bad_alloc&) {
        m_texts.resize(item.m_offset);
        return kNoRoom;
    }
    return static_cast<int>(at - m_items.begin());
}

bool ItemList::Store(std::u16string_view text, ListItem* item) {
    if (text.size() > kMaxTextUnits - (m_texts.size() - m_dead))
        return false;
    if (text.size() > kMaxTextUnits - m_texts.size()) {
        Pack();
        if (text.size() > kMaxTextUnits - m_texts.size())
            return false;
    }
    const std::size_t offset = m_texts.size();
    try {
        m_texts.append(text);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    item->m_offset = static_cast<std::uint32_t>(offset);
    item->m_length = static_cast<std::uint32_t>(text.size());
    return true;
}

bool ItemList::Delete(int index) {
    if (!Valid(index))
        return false;
    const auto at = m_items.begin() + index;
    m_dead += at->m_length;
    m_items.erase(at);
    // Packing once the dead units outnumber the live ones copies fewer
    // units than were deleted since the last packing.
    if (m_dead > m_texts.size() - m_dead)
        Pack();
    return true;
}

void ItemList::Pack() {
    std::u16string packed;
    try {
        packed.reserve(m_texts.size() - m_dead);
    } catch (const std::bad_alloc&) {
        return; // the dead units stay until there is room to pack
    }
    for (ListItem& item : m_items) {
        const std::size_t offset = packed.size();
        packed.append(TextOf(item));
        item.m_offset = static_cast<std::uint32_t>(offset);
    }
    m_texts.swap(packed);
    m_dead = 0;
}

void ItemList::Clear() {
    m_items.clear();
    std::u16string().swap(m_texts);
    m_dead = 0;
}

bool ItemList::Reserve(std::size_t more, std::size_t moreUnits, std::size_t* room) {
    if (more > m_items.max_size() - m_items.size() ||
        moreUnits > kMaxTextUnits - (m_texts.size() - m_dead))
        return false;
    if (moreUnits > kMaxTextUnits - m_texts.size())
        Pack();
    if (moreUnits > kMaxTextUnits - m_texts.size())
        return false;
    try {
        m_items.reserve(m_items.size() + more);
        m_texts.reserve(m_texts.size() + moreUnits);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    *room = m_items.capacity();
    return true;
}

std::size_t ItemList::CopyText(int index, char16_t* out) const {
    const std::u16string_view text = Text(index);
    out[text.copy(out, text.size())] = 0;
    return text.size();
}

template <class Match> int ItemList::Search(int start, Match match) const {
    const int n = Count();
    if (n == 0)
        return -1;
    const int first = start < 0 || start >= n ? 0 : start + 1;
    for (int k = 0; k < n; ++k) {
        const int i = (first + k) % n;
        if (match(TextOf(m_items[static_cast<std::size_t>(i)])))
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
