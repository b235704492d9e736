#include "desktop/sync/outlook_note_item.h"

namespace {
constexpr DISPID kBody = 0x9100;
constexpr DISPID kCategories = 0x9001;
constexpr DISPID kColor = 0x8B00;
constexpr DISPID kCreationTime = 0x3007;
constexpr DISPID kLastModificationTime = 0x3008;
constexpr DISPID kEntryID = 0xF01E;
constexpr DISPID kSave = 0xF048;
constexpr DISPID kDelete = 0xF04A;
} // namespace

std::string OutlookNoteItem::GetBody() const {
    return GetText(kBody);
}
void OutlookNoteItem::SetBody(std::string_view body) const {
    PutText(kBody, body);
}
std::string OutlookNoteItem::GetCategories() const {
    return GetText(kCategories);
}
void OutlookNoteItem::SetCategories(std::string_view categories) const {
    PutText(kCategories, categories);
}
LONG OutlookNoteItem::GetColor() const {
    return GetLong(kColor);
}
void OutlookNoteItem::SetColor(LONG color) const {
    PutLong(kColor, color);
}
DATE OutlookNoteItem::GetCreationTime() const {
    return GetDate(kCreationTime);
}
DATE OutlookNoteItem::GetLastModificationTime() const {
    return GetDate(kLastModificationTime);
}
std::string OutlookNoteItem::GetEntryID() const {
    return GetText(kEntryID);
}
void OutlookNoteItem::Save() const {
    Call(kSave, {});
}
void OutlookNoteItem::Delete() const {
    Call(kDelete, {});
}
