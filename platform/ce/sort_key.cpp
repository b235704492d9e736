#include "platform/ce/sort_key.h"

#include "platform/base/case_fold.h"

namespace ce {

namespace {

void PutBigEndian(std::vector<BYTE>* out, std::uint64_t value, std::size_t width) {
    for (std::size_t i = width; i-- > 0;)
        out->push_back(static_cast<BYTE>(value >> (8 * i)));
}

std::vector<BYTE> PresentKey(const Property& property, DWORD flags) {
    std::vector<BYTE> key{kKeyPresent};
    switch (property.type()) {
    case CEVT_I2:
        PutBigEndian(&key, property.scalar ^ 0x8000u, 2);
        break;
    case CEVT_UI2:
        PutBigEndian(&key, property.scalar, 2);
        break;
    case CEVT_I4:
    case CEVT_BOOL:
        PutBigEndian(&key, property.scalar ^ 0x80000000u, 4);
        break;
    case CEVT_UI4:
        PutBigEndian(&key, property.scalar, 4);
        break;
    case CEVT_FILETIME:
        PutBigEndian(&key, property.scalar, 8);
        break;
    case CEVT_LPWSTR:
        for (char16_t unit : property.text)
            PutBigEndian(&key, platform::FoldCase(unit), 2);
        PutBigEndian(&key, 0, 2);
        if (!(flags & CEDB_SORT_CASEINSENSITIVE))
            for (char16_t unit : property.text)
                key.push_back(platform::IsUpperCase(unit) ? 1 : 0);
        break;
    default:
        break;
    }
    if (flags & CEDB_SORT_DESCENDING)
        for (std::size_t i = 1; i < key.size(); ++i)
            key[i] = static_cast<BYTE>(~key[i]);
    return key;
}

} // namespace

bool IsSortableType(WORD type) {
    return IsKnownType(type) && type != CEVT_BLOB;
}

std::vector<BYTE> SortKey(const PropertyList& properties, const SORTORDERSPEC& spec) {
    const Property* property = FindProperty(properties, PropNumber(spec.propid));
    if (!property || property->type() != PropType(spec.propid))
        return {(spec.dwFlags & CEDB_SORT_UNKNOWNFIRST) ? kKeyMissingFirst : kKeyMissingLast};
    return PresentKey(*property, spec.dwFlags);
}

platform::Result<std::vector<BYTE>> SortKeyOfValue(const Property& value,
                                                   const SORTORDERSPEC& spec) {
    if (value.propid != spec.propid)
        return platform::Status::Failure(ERROR_INVALID_PARAMETER,
                                         "the value is not of the handle's sort property");
    return PresentKey(value, spec.dwFlags);
}

} // namespace ce
