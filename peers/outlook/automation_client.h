// A small automation client for the Outlook stand-in's callers that speak
// IDispatch directly (outlook-notes, tests): an owning dispatch pointer with
// typed Invoke helpers that complete and return automation exceptions.
#pragma once

#include "platform/com/oleauto.h"

#include <string>
#include <string_view>
#include <vector>

namespace outlook {

// Why a call failed: the Invoke result and, for DISP_E_EXCEPTION, the
// exception after its deferred fill-in.
struct CallError {
    HRESULT result = S_OK;
    WORD code = 0;
    SCODE scode = 0;
    std::u16string description;
};

class AutomationObject {
public:
    AutomationObject() = default;
    // Takes over one reference.
    explicit AutomationObject(IDispatch* owned) : m_dispatch(owned) {}
    ~AutomationObject();
    AutomationObject(AutomationObject&& other) noexcept;
    AutomationObject& operator=(AutomationObject&& other) noexcept;
    AutomationObject(const AutomationObject&) = delete;
    AutomationObject& operator=(const AutomationObject&) = delete;

    IDispatch* get() const { return m_dispatch; }
    explicit operator bool() const { return m_dispatch != nullptr; }

    // Invokes `id` with `arguments` in call order (cleared afterwards). The
    // result, when asked for, is the caller's to clear. E_POINTER when empty.
    HRESULT Invoke(DISPID id, WORD kind, std::vector<VARIANT> arguments, VARIANT* result,
                   CallError* error) const;
    // A property put of `value` (cleared afterwards) as the named DISPID_PROPERTYPUT argument.
    HRESULT Put(DISPID id, VARIANT value, CallError* error) const;
    // A call whose result is an object; DISP_E_TYPEMISMATCH when it is not one.
    HRESULT InvokeObject(DISPID id, WORD kind, std::vector<VARIANT> arguments,
                         AutomationObject* object, CallError* error) const;
    // A property get converted to text (an object converts through its default member).
    HRESULT GetText(DISPID id, std::u16string* text, CallError* error) const;
    HRESULT GetLong(DISPID id, LONG* value, CallError* error) const;
    HRESULT GetDate(DISPID id, DATE* value, CallError* error) const;
    HRESULT IdOfName(const char16_t* name, DISPID* id) const;

private:
    IDispatch* m_dispatch = nullptr;
};

VARIANT TextArgument(std::u16string_view text);
VARIANT LongArgument(LONG value);
VARIANT ShortArgument(SHORT value);
VARIANT BoolArgument(bool value);

// "Outlook.Application" through CLSIDFromProgID, CoCreateInstance and OleRun.
HRESULT CreateOutlookApplication(AutomationObject* application);

} // namespace outlook
