// The common shape of the Outlook wrappers: one IDispatch pointer of an
// Outlook object and whether the wrapper owns a reference to it, and the
// invoke routine behind every typed operation.
//
// An operation on a wrapper that holds no pointer calls nothing and returns
// an empty result (empty text, 0, null). Outlook errors reported through
// exception information raise AutomationException; any other failure of
// Invoke or of the result conversion raises ComError.
#pragma once

#include "platform/com/oleauto.h"

#include <initializer_list>
#include <string>
#include <string_view>

class OutlookDispatch {
public:
    OutlookDispatch() = default;
    // Takes the other's pointer with an added reference, owning it.
    OutlookDispatch(const OutlookDispatch& other);
    OutlookDispatch& operator=(const OutlookDispatch& other);
    // Takes over the other's pointer and ownership; the other is left empty.
    OutlookDispatch(OutlookDispatch&& other) noexcept;
    OutlookDispatch& operator=(OutlookDispatch&& other) noexcept;
    ~OutlookDispatch() { Release(); }

    // Lets go of the current pointer, then holds `dispatch`; with autoRelease
    // the wrapper owns one reference and releases it when it lets go.
    void Attach(IDispatch* dispatch, BOOL autoRelease = TRUE);
    // Releases the reference when owned, then forgets the pointer.
    void Release();
    IDispatch* Dispatch() const { return m_pDispatch; }
    explicit operator bool() const { return m_pDispatch != nullptr; }

protected:
    // One argument of a call. Text is passed as a new BSTR that the call
    // frees; a VARIANT is passed as it is (the caller keeps it).
    class Argument {
    public:
        Argument(std::string_view text) : m_text(text), m_isText(true) {}
        Argument(LONG value) : m_isText(false) {
            VariantInit(&m_value);
            m_value.vt = VT_I4;
            m_value.lVal = value;
        }
        Argument(const VARIANT& value) : m_value(value), m_isText(false) {}

    private:
        friend class OutlookDispatch;
        std::string_view m_text;
        VARIANT m_value{};
        bool m_isText;
    };

    // Invokes member `dispid` (DISPATCH_METHOD, _PROPERTYGET or _PROPERTYPUT,
    // a put passing its one argument as DISPID_PROPERTYPUT) with `arguments`
    // given left to right. The result is converted to `resultType` (VT_EMPTY:
    // no result) into `*result`, which the caller then owns. Returns false,
    // calling nothing, when no pointer is held.
    bool Invoke(DISPID dispid, WORD kind, std::initializer_list<Argument> arguments,
                VARTYPE resultType, VARIANT* result) const;
    // The member's identifier by name (GetIDsOfNames, locale 0x0800).
    DISPID IdOfName(const char16_t* name) const;

    std::string GetText(DISPID dispid) const;
    std::string GetTextByName(const char16_t* name) const;
    LONG GetLong(DISPID dispid) const;
    DATE GetDate(DISPID dispid) const;
    // The object with one reference for the caller, or null.
    IDispatch* GetObject(DISPID dispid) const;
    IDispatch* CallForObject(DISPID dispid, std::initializer_list<Argument> arguments) const;
    void Call(DISPID dispid, std::initializer_list<Argument> arguments) const;
    void PutText(DISPID dispid, std::string_view value) const;
    void PutLong(DISPID dispid, LONG value) const;

private:
    IDispatch* m_pDispatch = nullptr;
    BOOL m_bAutoRelease = TRUE;
};
