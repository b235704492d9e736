// Helpers shared by the object store tests: property values, a walk of a
// handle's order, and a text dump of what a walk sees.
#pragma once

#include "platform/base/kernel.h"
#include "platform/ce/database.h"

#include <string>
#include <vector>

namespace cetest {

inline CEPROPVAL Str(WORD number, const char16_t* text) {
    CEPROPVAL v{};
    v.propid = MakePropId(number, CEVT_LPWSTR);
    v.val.lpwstr = const_cast<char16_t*>(text);
    return v;
}

inline CEPROPVAL Time(WORD number, std::uint64_t ticks) {
    CEPROPVAL v{};
    v.propid = MakePropId(number, CEVT_FILETIME);
    v.val.filetime = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    return v;
}

inline CEPROPVAL U4(WORD number, ULONG value) {
    CEPROPVAL v{};
    v.propid = MakePropId(number, CEVT_UI4);
    v.val.ulVal = value;
    return v;
}

inline CEOID Write(HANDLE h, CEOID oid, std::vector<CEPROPVAL> props) {
    return CeWriteRecordProps(h, oid, static_cast<WORD>(props.size()), props.data());
}

// Every record of the handle's order, first to last, by moving one on.
inline std::vector<CEOID> Walk(HANDLE h) {
    std::vector<CEOID> oids;
    for (CEOID at = CeSeekDatabase(h, CEDB_SEEK_BEGINNING, 0, nullptr); at != 0;
         at = CeSeekDatabase(h, CEDB_SEEK_CURRENT, 1, nullptr))
        oids.push_back(at);
    return oids;
}

// The same, last to first.
inline std::vector<CEOID> WalkBack(HANDLE h) {
    std::vector<CEOID> oids;
    for (CEOID at = CeSeekDatabase(h, CEDB_SEEK_END, 0, nullptr); at != 0;
         at = CeSeekDatabase(h, CEDB_SEEK_CURRENT, static_cast<DWORD>(-1), nullptr))
        oids.push_back(at);
    return oids;
}

// The string property `number` of the current record ("-" when missing).
inline std::string CurrentString(HANDLE h, WORD number) {
    LPBYTE buffer = nullptr;
    DWORD size = 0;
    WORD count = 0;
    std::string out = "?";
    if (CeReadRecordProps(h, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size)) {
        out = "-";
        auto* props = reinterpret_cast<CEPROPVAL*>(buffer);
        for (WORD i = 0; i < count; ++i)
            if (PropNumber(props[i].propid) == number)
                out = std::string(props[i].val.lpwstr,
                                  props[i].val.lpwstr +
                                      std::char_traits<char16_t>::length(props[i].val.lpwstr));
    }
    LocalFree(buffer);
    return out;
}

// "title title ..." in the handle's order: string property `number` of each.
inline std::string Titles(HANDLE h, WORD number) {
    std::string out;
    for (CEOID at = CeSeekDatabase(h, CEDB_SEEK_BEGINNING, 0, nullptr); at != 0;
         at = CeSeekDatabase(h, CEDB_SEEK_CURRENT, 1, nullptr))
        out += (out.empty() ? "" : " ") + CurrentString(h, number);
    return out;
}

} // namespace cetest
