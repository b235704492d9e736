// The items of a list box or of a combo box's list: text, item data and
// selection, sorted insertion and the platform's searches.
#pragma once

#include "platform/base/windef.h"

#include <string>
#include <string_view>
#include <vector>

namespace ui::detail {

struct ListItem {
    std::u16string text;
    LPARAM data = 0;
    bool selected = false;
};

class ItemList {
public:
    enum class Order { AsAdded, Sorted };

    // Adds at the end, or in case-insensitive order after equal texts. Returns the index.
    int Add(std::u16string text, Order order);
    // Inserts before `index` (-1: at the end). -1 when index is beyond the end.
    int Insert(int index, std::u16string text);
    bool Delete(int index);
    void Clear() { m_items.clear(); }
    // Makes room for `more` items beyond those held, so that adding them
    // allocates no item storage. False, with nothing changed, when the
    // room cannot be had. Returns through `room` how many items fit in all.
    bool Reserve(std::size_t more, std::size_t* room);

    // The first item after `start` (-1: from the top) whose text begins with
    // `prefix` (or, for FindExact, equals `text`), ignoring case; the search
    // wraps round to the top and stops before `start` again. -1 when none.
    int FindPrefix(int start, std::u16string_view prefix) const;
    int FindExact(int start, std::u16string_view text) const;

    int Count() const { return static_cast<int>(m_items.size()); }
    bool Valid(int index) const { return index >= 0 && index < Count(); }
    ListItem& operator[](int index) { return m_items[static_cast<std::size_t>(index)]; }
    const ListItem& operator[](int index) const { return m_items[static_cast<std::size_t>(index)]; }

private:
    template <class Match> int Search(int start, Match match) const;
    std::vector<ListItem> m_items;
};

} // namespace ui::detail
