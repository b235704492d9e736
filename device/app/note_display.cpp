#include "device/app/note_display.h"

#include "device/app/resource.h"
#include "platform/ce/date_format.h"
#include "platform/ui/resources.h"

#include <iterator>

namespace {

constexpr int kFormatBuffer = 50;

std::u16string Formatted(int (*format)(LCID, DWORD, const SYSTEMTIME*, LPCWSTR, LPWSTR, int),
                         const SYSTEMTIME& st) {
    WCHAR buffer[kFormatBuffer] = {};
    const int written = format(kSystemDefaultLocale, 0, &st, nullptr, buffer, kFormatBuffer);
    return written > 0 ? std::u16string(buffer) : std::u16string();
}

} // namespace

std::u16string FormatNoteTime(const FILETIME& utc, std::u16string_view separator) {
    FILETIME local{};
    SYSTEMTIME st{};
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st))
        return std::u16string(separator);
    return Formatted(GetDateFormatW, st) + std::u16string(separator) +
           Formatted(GetTimeFormatW, st);
}

UINT ColorNameId(DWORD color) {
    switch (color) {
    case NoteBlue:
        return IDS_COLOR_BLUE;
    case NoteGreen:
        return IDS_COLOR_GREEN;
    case NoteRed:
        return IDS_COLOR_RED;
    case NoteYellow:
        return IDS_COLOR_YELLOW;
    case NoteWhite:
        return IDS_COLOR_WHITE;
    default:
        return IDS_COLOR_UNKNOWN;
    }
}

std::u16string ColorName(DWORD color) {
    return ui::FindStringResource(ColorNameId(color)).value_or(std::u16string());
}

COLORREF NoteTint(DWORD color) {
    return color < std::size(kNoteBackgrounds) ? kNoteBackgrounds[color]
                                               : kNoteBackgrounds[NoteWhite];
}

std::u16string CategoryLines(std::u16string_view categories) {
    std::u16string lines;
    for (const auto& name : SplitCategories(categories))
        lines += name + u"\r\n";
    if (!lines.empty())
        lines.resize(lines.size() - 2);
    return lines;
}
