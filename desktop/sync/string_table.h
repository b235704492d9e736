// The library's string table.
#pragma once

#include "platform/base/windef.h"

#include <string_view>

constexpr UINT IDS_STORE_DESCRIPTION = 5;
constexpr UINT IDS_TYPE_NAME = 6;
constexpr UINT IDS_TYPE_TEXT = 7;
constexpr UINT IDS_PLURAL_TYPE_TEXT = 8;
constexpr UINT IDS_SYNC_TEXT = 9;
constexpr UINT IDS_ALL_CATEGORIES = 10;

// The text of string `id`; empty for an id the table lacks.
constexpr std::string_view LoadResourceString(UINT id) {
    switch (id) {
    case IDS_STORE_DESCRIPTION:
        return "Jotterwick Objects";
    case IDS_TYPE_NAME:
        return "Jotterwick";
    case IDS_TYPE_TEXT:
        return "Database";
    case IDS_PLURAL_TYPE_TEXT:
        return "Databases";
    case IDS_SYNC_TEXT:
        return "Microsoft Outlook";
    case IDS_ALL_CATEGORIES:
        return "<All Categories>";
    default:
        return {};
    }
}
