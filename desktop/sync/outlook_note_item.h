// One Outlook note item.
#pragma once

#include "desktop/sync/outlook_dispatch.h"

class OutlookNoteItem : public OutlookDispatch {
public:
    std::string GetBody() const;
    void SetBody(std::string_view body) const;
    // The names separated by the user's list separator.
    std::string GetCategories() const;
    void SetCategories(std::string_view categories) const;
    // The note colour: 0 blue, 1 green, 2 red, 3 yellow, 4 white.
    LONG GetColor() const;
    void SetColor(LONG color) const;
    // Automation dates in local time.
    DATE GetCreationTime() const;
    DATE GetLastModificationTime() const;
    std::string GetEntryID() const;
    void Save() const;
    void Delete() const;
};
