// The note record of "Jotterwick Database", shared by the notes program and
// the handheld provider: property identifiers and reading a record's
// properties; the title and category rules come from the system's shared
// note rules. Header only: the provider library links nothing of the notes
// program.
#pragma once

#include "platform/base/kernel.h"
#include "platform/ce/database.h"
#include "shared/notes/note_rules.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

inline constexpr WCHAR kNoteDatabaseName[] = u"Jotterwick Database";
inline constexpr DWORD NOTE_DB_TYPE = 97;

inline constexpr CEPROPID PROPID_LEGACY_MARKER = 0x000A0013;
inline constexpr CEPROPID PROPID_NOTE_MODIFIED = 0x00140040;
inline constexpr CEPROPID PROPID_NOTE_TEXT = 0x001E001F;
inline constexpr CEPROPID PROPID_NOTE_SYNCTIME1 = 0x00280040;
inline constexpr CEPROPID PROPID_NOTE_SYNCTIME2 = 0x00320040;
inline constexpr CEPROPID PROPID_NOTE_CREATED = 0x00460040;
inline constexpr CEPROPID PROPID_NOTE_COLOR = 0x00500013;
inline constexpr CEPROPID PROPID_NOTE_TITLE = 0x005A001F;
inline constexpr CEPROPID PROPID_NOTE_CATEGORIES = 0x0064001F;
inline constexpr CEPROPID PROPID_CATEGORY_NAME = 0x4001001F;

inline constexpr WCHAR kCategoriesDatabaseName[] = u"\\Categories Database";

// NoteColor values and the editor's background tints (COLORREF 0x00BBGGRR).
enum NoteColor : DWORD { NoteBlue = 0, NoteGreen = 1, NoteRed = 2, NoteYellow = 3, NoteWhite = 4 };
inline constexpr DWORD kNoteBackgrounds[] = {0x00FF9F9F, 0x009FFF9F, 0x009F9FFF, 0x009FFFFF,
                                             0x00FFFFFF};

inline bool IsZeroFileTime(const FILETIME& ft) {
    return ft.dwLowDateTime == 0 && ft.dwHighDateTime == 0;
}

inline FILETIME NowFileTime() {
    SYSTEMTIME st;
    GetSystemTime(&st);
    FILETIME ft{};
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

// All properties of one record, read with CeReadRecordProps into a block of
// the local heap that this object owns. Properties are found by number.
class NoteRecordProps {
public:
    NoteRecordProps() = default;
    NoteRecordProps(const NoteRecordProps&) = delete;
    NoteRecordProps& operator=(const NoteRecordProps&) = delete;
    ~NoteRecordProps() { LocalFree(m_buffer); }

    // Reads the record at the cursor's current position; returns its
    // identifier, 0 on failure (nothing kept).
    CEOID ReadCurrent(HANDLE cursor) { return ReadCurrent(cursor, {}); }
    // The same, reading only the properties `wanted` (all when empty).
    CEOID ReadCurrent(HANDLE cursor, std::span<const CEPROPID> wanted) {
        WORD count = static_cast<WORD>(wanted.size());
        DWORD size = LocalSize(m_buffer);
        const CEOID oid = CeReadRecordProps(
            cursor, CEDB_ALLOWREALLOC, &count,
            wanted.empty() ? nullptr : const_cast<CEPROPID*>(wanted.data()), &m_buffer, &size);
        m_count = oid != 0 ? count : 0;
        return oid;
    }

    // The property of propid's number, or null. Another program may have
    // stored that number with another value type: such a property counts as
    // missing, since its value cannot be read as the type asked for.
    CEPROPVAL* Find(CEPROPID propid) {
        auto* props = reinterpret_cast<CEPROPVAL*>(m_buffer);
        for (WORD i = 0; i < m_count; ++i)
            if (PropNumber(props[i].propid) == PropNumber(propid))
                return PropType(props[i].propid) == PropType(propid) &&
                               !(props[i].wFlags & CEDB_PROPNOTFOUND)
                           ? &props[i]
                           : nullptr;
        return nullptr;
    }

    std::u16string Text(CEPROPID propid) { return std::u16string(TextView(propid)); }
    // The same, valid until the next read.
    std::u16string_view TextView(CEPROPID propid) {
        const CEPROPVAL* p = Find(propid);
        return p && p->val.lpwstr ? std::u16string_view(p->val.lpwstr) : std::u16string_view();
    }
    FILETIME Time(CEPROPID propid) {
        const CEPROPVAL* p = Find(propid);
        return p ? p->val.filetime : FILETIME{};
    }
    DWORD Number(CEPROPID propid) {
        const CEPROPVAL* p = Find(propid);
        return p ? p->val.ulVal : 0;
    }

    // The properties as read, to be changed and written back whole.
    std::vector<CEPROPVAL> Copy() {
        auto* props = reinterpret_cast<CEPROPVAL*>(m_buffer);
        return std::vector<CEPROPVAL>(props, props + m_count);
    }

private:
    LPBYTE m_buffer = nullptr;
    WORD m_count = 0;
};

// A property list being written: values of the caller's strings are pointed
// to, not copied, so the strings must outlive the write.
inline CEPROPVAL StringProp(CEPROPID id, const std::u16string& text) {
    CEPROPVAL v{};
    v.propid = id;
    v.val.lpwstr = const_cast<LPWSTR>(text.c_str());
    return v;
}
inline CEPROPVAL TimeProp(CEPROPID id, FILETIME ft) {
    CEPROPVAL v{};
    v.propid = id;
    v.val.filetime = ft;
    return v;
}
inline CEPROPVAL NumberProp(CEPROPID id, DWORD value) {
    CEPROPVAL v{};
    v.propid = id;
    v.val.ulVal = value;
    return v;
}

// Replaces the property of the same number, or adds it when there is none.
inline void SetProp(std::vector<CEPROPVAL>& props, const CEPROPVAL& value) {
    for (auto& p : props)
        if (PropNumber(p.propid) == PropNumber(value.propid)) {
            p = value;
            return;
        }
    props.push_back(value);
}
