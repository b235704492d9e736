#include "peers/outlook/dispatch_object.h"

#include "peers/outlook/fault_switch.h"

#include <cstring>

namespace outlook {

namespace {

std::atomic<LONG> g_liveObjects{0};

bool SameName(const char16_t* a, const OLECHAR* b) {
    for (; *a && *b; ++a, ++b) {
        auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
        if (lower(*a) != lower(*b))
            return false;
    }
    return *a == *b;
}

BSTR Bstr(const std::u16string& text) {
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

// The deferred fill-in: the texts are made only when the caller asks.
HRESULT FillInException(EXCEPINFO* exception) {
    if (!exception)
        return E_POINTER;
    if (!exception->bstrSource)
        exception->bstrSource = Bstr(u"Microsoft Outlook");
    if (!exception->bstrDescription)
        exception->bstrDescription = Bstr(ErrorDescription(exception->wCode, exception->scode));
    return S_OK;
}

} // namespace

std::u16string ErrorDescription(WORD code, SCODE scode) {
    if (code == kErrorNotFound)
        return u"The operation failed. An object could not be found.";
    if (code != 0)
        return u"The operation failed.";
    switch (scode) {
    case DISP_E_BADINDEX:
        return u"Array index out of bounds.";
    case E_INVALIDARG:
        return u"Could not complete the operation. One or more parameter values are not valid.";
    default:
        return u"The operation failed.";
    }
}

// Invocation

const VARIANT* Invocation::Argument(UINT index) const {
    if (index >= Count())
        return nullptr;
    // Arguments are stored right to left, after the named ones.
    const VARIANT* argument = &m_params.rgvarg[m_params.cArgs - 1 - index];
    if (argument->vt == VT_ERROR && argument->scode == DISP_E_PARAMNOTFOUND)
        return nullptr;
    return argument;
}

const VARIANT* Invocation::PutValue() const {
    for (UINT i = 0; i < m_params.cNamedArgs; ++i)
        if (m_params.rgdispidNamedArgs[i] == DISPID_PROPERTYPUT)
            return &m_params.rgvarg[i];
    return nullptr;
}

HRESULT Invocation::Mismatch(const VARIANT* argument, HRESULT hr) {
    if (m_argError && argument)
        *m_argError = static_cast<UINT>(argument - m_params.rgvarg);
    return hr;
}

HRESULT Invocation::Text(const VARIANT* argument, std::u16string& value) {
    if (!argument)
        return DISP_E_PARAMNOTOPTIONAL;
    VARIANT converted;
    VariantInit(&converted);
    const HRESULT hr = VariantChangeType(&converted, argument, 0, VT_BSTR);
    if (FAILED(hr))
        return Mismatch(argument, DISP_E_TYPEMISMATCH);
    value.assign(converted.bstrVal ? converted.bstrVal : u"", SysStringLen(converted.bstrVal));
    VariantClear(&converted);
    return S_OK;
}

HRESULT Invocation::Long(const VARIANT* argument, LONG& value) {
    if (!argument)
        return DISP_E_PARAMNOTOPTIONAL;
    VARIANT converted;
    VariantInit(&converted);
    const HRESULT hr = VariantChangeType(&converted, argument, 0, VT_I4);
    if (FAILED(hr))
        return Mismatch(argument, hr == DISP_E_OVERFLOW ? hr : DISP_E_TYPEMISMATCH);
    value = converted.lVal;
    return S_OK;
}

HRESULT Invocation::ReturnText(const std::u16string& value) {
    if (!m_result)
        return S_OK;
    BSTR text = Bstr(value);
    if (!text)
        return E_OUTOFMEMORY;
    m_result->vt = VT_BSTR;
    m_result->bstrVal = text;
    return S_OK;
}

HRESULT Invocation::ReturnLong(LONG value) {
    if (m_result) {
        m_result->vt = VT_I4;
        m_result->lVal = value;
    }
    return S_OK;
}

HRESULT Invocation::ReturnDate(DATE value) {
    if (m_result) {
        m_result->vt = VT_DATE;
        m_result->date = value;
    }
    return S_OK;
}

HRESULT Invocation::ReturnObject(IDispatch* object) {
    if (!object)
        return E_OUTOFMEMORY;
    if (!m_result) {
        object->Release();
        return S_OK;
    }
    m_result->vt = VT_DISPATCH;
    m_result->pdispVal = object;
    return S_OK;
}

HRESULT Invocation::Raise(WORD code, SCODE scode) {
    if (m_exception) {
        std::memset(m_exception, 0, sizeof *m_exception);
        m_exception->wCode = code;
        m_exception->scode = code ? 0 : scode;
        m_exception->pfnDeferredFillIn = FillInException;
    }
    return DISP_E_EXCEPTION;
}

HRESULT Invocation::Raise(SCODE scode, const std::u16string& description) {
    const HRESULT hr = Raise(0, scode);
    if (m_exception)
        m_exception->bstrDescription = Bstr(description);
    return hr;
}

// DispatchObject

DispatchObject::DispatchObject() {
    ++g_liveObjects;
}
DispatchObject::~DispatchObject() {
    --g_liveObjects;
}

LONG DispatchObject::LiveObjects() {
    return g_liveObjects.load();
}

HRESULT DispatchObject::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG DispatchObject::AddRef() {
    return ++m_references;
}

ULONG DispatchObject::Release() {
    const ULONG left = --m_references;
    if (left == 0)
        delete this;
    return left;
}

HRESULT DispatchObject::GetTypeInfoCount(UINT* pctinfo) {
    if (!pctinfo)
        return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

HRESULT DispatchObject::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo)
        *ppTInfo = nullptr;
    return E_NOTIMPL;
}

HRESULT DispatchObject::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID,
                                      DISPID* rgDispId) {
    if (!(riid == IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    if (!rgszNames || !rgDispId || cNames == 0)
        return E_INVALIDARG;
    // Members take no named arguments: names after the first are unknown.
    for (UINT i = 0; i < cNames; ++i)
        rgDispId[i] = DISPID_UNKNOWN;
    if (!rgszNames[0])
        return DISP_E_UNKNOWNNAME;
    for (const Member& member : Members()) {
        if (SameName(member.name, rgszNames[0])) {
            rgDispId[0] = member.id;
            return cNames == 1 ? S_OK : DISP_E_UNKNOWNNAME;
        }
    }
    return DISP_E_UNKNOWNNAME;
}

HRESULT DispatchObject::Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                               DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                               UINT* puArgErr) {
    // Nothing thrown inside (only std::bad_alloc can be) leaves through the COM call.
    try {
        return InvokeMember(dispIdMember, riid, lcid, wFlags, pDispParams, pVarResult, pExcepInfo,
                            puArgErr);
    } catch (...) {
        if (pVarResult)
            VariantClear(pVarResult);
        return E_OUTOFMEMORY;
    }
}

HRESULT DispatchObject::InvokeMember(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags,
                                     DISPPARAMS* pDispParams, VARIANT* pVarResult,
                                     EXCEPINFO* pExcepInfo, UINT* puArgErr) {
    if (!(riid == IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    static const DISPPARAMS kNoArguments{nullptr, nullptr, 0, 0};
    const DISPPARAMS& params = pDispParams ? *pDispParams : kNoArguments;
    if ((params.cArgs && !params.rgvarg) || (params.cNamedArgs && !params.rgdispidNamedArgs) ||
        params.cNamedArgs > params.cArgs)
        return E_INVALIDARG;
    const Member* found = nullptr;
    for (const Member& member : Members())
        if (member.id == dispIdMember)
            found = &member;
    if (!found)
        return DISP_E_MEMBERNOTFOUND;
    // A caller may offer both method and property get; the member takes the one it has.
    WORD kind;
    if (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))
        kind = DISPATCH_PROPERTYPUT;
    else if ((wFlags & DISPATCH_METHOD) && (found->kinds & DISPATCH_METHOD))
        kind = DISPATCH_METHOD;
    else if ((wFlags & DISPATCH_PROPERTYGET) && (found->kinds & DISPATCH_PROPERTYGET))
        kind = DISPATCH_PROPERTYGET;
    else
        return DISP_E_MEMBERNOTFOUND;
    if (!(found->kinds & kind))
        return DISP_E_MEMBERNOTFOUND;
    if (kind == DISPATCH_PROPERTYPUT) {
        if (params.cArgs != 1)
            return DISP_E_BADPARAMCOUNT;
        if (params.cNamedArgs != 1 || params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
            return DISP_E_PARAMNOTOPTIONAL;
    } else if (params.cNamedArgs) {
        return DISP_E_NONAMEDARGS;
    }
    if (pVarResult)
        VariantInit(pVarResult);
    Invocation call(params, pVarResult, pExcepInfo, puArgErr);
    if (auto code = TakeFault(found->name))
        return call.Raise(*code);
    const HRESULT hr = Call(dispIdMember, kind, call);
    if (FAILED(hr) && pVarResult)
        VariantClear(pVarResult);
    return hr;
}

} // namespace outlook
