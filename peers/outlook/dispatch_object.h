// The automation plumbing every object of the Outlook stand-in shares:
// reference counting, member lookup by name, argument checking, automation
// exceptions (with a deferred fill-in of the description) and the fault switch.
#pragma once

#include "platform/com/oleauto.h"

#include <atomic>
#include <optional>
#include <span>
#include <string>

namespace outlook {

// Error numbers (EXCEPINFO wCode) the stand-in raises.
constexpr WORD kErrorNotFound = 4096; // "could not be found": unknown EntryID, deleted item

// One member of an object: its name, dispatch identifier and the invoke
// kinds it answers (DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT).
struct Member {
    const char16_t* name;
    DISPID id;
    WORD kinds;
};

// One Invoke on its way to a member: typed access to the arguments (in call
// order, optional ones may be missing) and the ways to end the call.
class Invocation {
public:
    Invocation(const DISPPARAMS& params, VARIANT* result, EXCEPINFO* exception, UINT* argError)
        : m_params(params), m_result(result), m_exception(exception), m_argError(argError) {}

    // Positional arguments (a property put's value is not among them).
    UINT Count() const { return m_params.cArgs - m_params.cNamedArgs; }
    // Null when the argument is missing (not passed, or VT_ERROR with DISP_E_PARAMNOTFOUND).
    const VARIANT* Argument(UINT index) const;
    // The value of a property put.
    const VARIANT* PutValue() const;

    // Converts an argument; DISP_E_TYPEMISMATCH (with the argument's position
    // in puArgErr) when it does not convert, DISP_E_PARAMNOTOPTIONAL when missing.
    HRESULT Text(const VARIANT* argument, std::u16string& value);
    HRESULT Long(const VARIANT* argument, LONG& value);

    HRESULT ReturnText(const std::u16string& value);
    HRESULT ReturnLong(LONG value);
    HRESULT ReturnDate(DATE value);
    // Takes over the caller's reference.
    HRESULT ReturnObject(IDispatch* object);
    // An automation exception: DISP_E_EXCEPTION with wCode `code` (or, when
    // code is 0, the status `scode`). The description comes through the
    // deferred fill-in.
    HRESULT Raise(WORD code, SCODE scode = 0);
    // An automation exception with status `scode` and its own description.
    HRESULT Raise(SCODE scode, const std::u16string& description);

private:
    HRESULT Mismatch(const VARIANT* argument, HRESULT hr);

    const DISPPARAMS& m_params;
    VARIANT* m_result;
    EXCEPINFO* m_exception;
    UINT* m_argError;
};

// The description Outlook gives for an error number (or, with code 0, a status).
std::u16string ErrorDescription(WORD code, SCODE scode);

class DispatchObject : public IDispatch {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                          DISPID* rgDispId) override;
    HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                   DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                   UINT* puArgErr) override;

    // Live automation objects of the stand-in in this process (for DllCanUnloadNow).
    static LONG LiveObjects();

protected:
    DispatchObject();
    virtual ~DispatchObject();

    virtual std::span<const Member> Members() const = 0;
    // Called once the member exists, answers `kind`, and passed the fault switch.
    virtual HRESULT Call(DISPID member, WORD kind, Invocation& call) = 0;

private:
    HRESULT InvokeMember(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                         DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                         UINT* puArgErr);

    std::atomic<ULONG> m_references{1};
};

} // namespace outlook
