// The items of a list box or of a combo box's list: text, item data and
// selection, sorted insertion and the platform's searches.
#pragma once

#include "platform/base/windef.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ui::detail {

class ListItem {
public:
    LPARAM data = 0;
    bool selected = false;

private:
    friend class ItemList;
    // Where the item's text lies in the list's block of texts.
    std::uint32_t m_offset = 0;
    std::uint32_t m_length = 0;
};

// The texts live one after another in one block owned by the list, so a
// long list costs no allocation per item. A deleted item's text stays in the
// block as dead units until they outweigh the live ones; then the block is
// packed again.
class ItemList {
public:
    enum class Order { AsAdded, Sorted };
    // The answer of Add and Insert when the texts do not fit.
    static constexpr int kNoRoom = -2;
    // Offsets are 32-bit: the block never holds more units than this.
    static constexpr std::size_t kMaxTextUnits = UINT32_MAX;

    // Adds at the end, or in case-insensitive order after equal texts. Returns
    // the index, or kNoRoom with nothing changed.
    int Add(std::u16string_view text, Order order);
    // Inserts before `index` (-1: at the end). -1 when index is beyond the
    // end, kNoRoom when the text does not fit; nothing changed then.
    int Insert(int index, std::u16string_view text);
    bool Delete(int index);
    // Drops every item and frees the block of texts at once.
    void Clear();
    // Makes room for `more` items beyond those held and `moreUnits` units of
    // their texts, so that adding them allocates nothing. False, with nothing
    // changed, when the room cannot be had. Returns through `room` how many
    // items fit in all.
    bool Reserve(std::size_t more, std::size_t moreUnits, std::size_t* room);

    // The first item after `start` (-1: from the top) whose text begins with
    // `prefix` (or, for FindExact, equals `text`), ignoring case; the search
    // wraps round to the top and stops before `start` again. -1 when none.
    int FindPrefix(int start, std::u16string_view prefix) const;
    int FindExact(int start, std::u16string_view text) const;

    int Count() const { return static_cast<int>(m_items.size()); }
    bool Valid(int index) const { return index >= 0 && index < Count(); }
    ListItem& operator[](int index) { return m_items[static_cast<std::size_t>(index)]; }
    const ListItem& operator[](int index) const { return m_items[static_cast<std::size_t>(index)]; }
    // The item's text; valid until the list next changes.
    std::u16string_view Text(int index) const { return TextOf(operator[](index)); }
    // Copies the item's text and a NUL to `out`; returns the text's length.
    std::size_t CopyText(int index, char16_t* out) const;
    // The units the block holds, the dead ones included.
    std::size_t TextUnits() const { return m_texts.size(); }

private:
    std::u16string_view TextOf(const ListItem& item) const {
        return std::u16string_view(m_texts).substr(item.m_offset, item.m_length);
    }
    // Appends `text` to the block (packing it first if that makes it fit)
    // and returns the item that points at it; false when it does not fit.
    bool Store(std::u16string_view text, ListItem* item);
    int Place(std::vector<ListItem>::iterator at, std::u16string_view text);
    void Pack();
    template <class Match> int Search(int start, Match match) const;

    std::vector<ListItem> m_items;
    std::u16string m_texts;
    std::size_t m_dead = 0; // units of deleted items' texts still in the block
};

} // namespace ui::detail
