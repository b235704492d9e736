// A VT_BSTR VARIANT holding an ANSI text, freed when it goes out of scope.
#pragma once

#include "desktop/sync/ansi_text.h"
#include "desktop/sync/com_error.h"

class TextVariant {
public:
    // Raises ComError(E_OUTOFMEMORY) when the BSTR can't be made.
    explicit TextVariant(std::string_view text) {
        VariantInit(&m_value);
        m_value.vt = VT_BSTR;
        m_value.bstrVal = AnsiToBstr(text);
        if (m_value.bstrVal == nullptr)
            throw ComError(E_OUTOFMEMORY);
    }
    ~TextVariant() { VariantClear(&m_value); }
    TextVariant(const TextVariant&) = delete;
    TextVariant& operator=(const TextVariant&) = delete;

    const VARIANT& Value() const { return m_value; }

private:
    VARIANT m_value;
};
