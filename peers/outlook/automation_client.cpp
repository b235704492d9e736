#include "peers/outlook/automation_client.h"

#include <utility>

namespace outlook {

AutomationObject::~AutomationObject() {
    if (m_dispatch)
        m_dispatch->Release();
}

AutomationObject::AutomationObject(AutomationObject&& other) noexcept
    : m_dispatch(std::exchange(other.m_dispatch, nullptr)) {}

AutomationObject& AutomationObject::operator=(AutomationObject&& other) noexcept {
    if (this != &other) {
        if (m_dispatch)
            m_dispatch->Release();
        m_dispatch = std::exchange(other.m_dispatch, nullptr);
    }
    return *this;
}

HRESULT AutomationObject::Invoke(DISPID id, WORD kind, std::vector<VARIANT> arguments,
                                 VARIANT* result, CallError* error) const {
    // DISPPARAMS take the arguments right to left.
    std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), kind == DISPATCH_PROPERTYPUT ? &named : nullptr,
                      static_cast<UINT>(reversed.size()), kind == DISPATCH_PROPERTYPUT ? 1u : 0u};
    EXCEPINFO exception{};
    if (result)
        VariantInit(result);
    const HRESULT hr =
        m_dispatch ? m_dispatch->Invoke(id, IID_NULL, 0, kind, &params, result, &exception, nullptr)
                   : E_POINTER;
    for (VARIANT& argument : reversed)
        VariantClear(&argument);
    if (hr == DISP_E_EXCEPTION && exception.pfnDeferredFillIn)
        exception.pfnDeferredFillIn(&exception);
    if (error) {
        *error = CallError{};
        error->result = hr;
        if (hr == DISP_E_EXCEPTION) {
            error->code = exception.wCode;
            error->scode = exception.scode;
            if (exception.bstrDescription)
                error->description.assign(exception.bstrDescription,
                                          SysStringLen(exception.bstrDescription));
        }
    }
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    return hr;
}

HRESULT AutomationObject::Put(DISPID id, VARIANT value, CallError* error) const {
    return Invoke(id, DISPATCH_PROPERTYPUT, {value}, nullptr, error);
}

HRESULT AutomationObject::InvokeObject(DISPID id, WORD kind, std::vector<VARIANT> arguments,
                                       AutomationObject* object, CallError* error) const {
    VARIANT result;
    HRESULT hr = Invoke(id, kind, std::move(arguments), &result, error);
    if (FAILED(hr))
        return hr;
    if (result.vt != VT_DISPATCH || !result.pdispVal) {
        VariantClear(&result);
        if (error)
            error->result = DISP_E_TYPEMISMATCH;
        return DISP_E_TYPEMISMATCH;
    }
    *object = AutomationObject(result.pdispVal); // the result's reference moves over
    return S_OK;
}

namespace {

HRESULT GetAs(const AutomationObject& object, DISPID id, VARTYPE type, VARIANT* value,
              CallError* error) {
    VARIANT result;
    HRESULT hr = object.Invoke(id, DISPATCH_PROPERTYGET, {}, &result, error);
    if (FAILED(hr))
        return hr;
    hr = VariantChangeType(value, &result, 0, type);
    VariantClear(&result);
    if (FAILED(hr) && error)
        error->result = hr;
    return hr;
}

} // namespace

HRESULT AutomationObject::GetText(DISPID id, std::u16string* text, CallError* error) const {
    VARIANT value;
    VariantInit(&value);
    const HRESULT hr = GetAs(*this, id, VT_BSTR, &value, error);
    if (SUCCEEDED(hr))
        text->assign(value.bstrVal ? value.bstrVal : u"", SysStringLen(value.bstrVal));
    VariantClear(&value);
    return hr;
}

HRESULT AutomationObject::GetLong(DISPID id, LONG* number, CallError* error) const {
    VARIANT value;
    VariantInit(&value);
    const HRESULT hr = GetAs(*this, id, VT_I4, &value, error);
    if (SUCCEEDED(hr))
        *number = value.lVal;
    return hr;
}

HRESULT AutomationObject::GetDate(DISPID id, DATE* date, CallError* error) const {
    VARIANT value;
    VariantInit(&value);
    const HRESULT hr = GetAs(*this, id, VT_DATE, &value, error);
    if (SUCCEEDED(hr))
        *date = value.date;
    return hr;
}

HRESULT AutomationObject::IdOfName(const char16_t* name, DISPID* id) const {
    if (!m_dispatch)
        return E_POINTER;
    std::u16string copy(name);
    LPOLESTR names[] = {copy.data()};
    return m_dispatch->GetIDsOfNames(IID_NULL, names, 1, 0x0800, id);
}

VARIANT TextArgument(std::u16string_view text) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return v;
}

VARIANT LongArgument(LONG value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

VARIANT ShortArgument(SHORT value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I2;
    v.iVal = value;
    return v;
}

VARIANT BoolArgument(bool value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

HRESULT CreateOutlookApplication(AutomationObject* application) {
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(u"Outlook.Application", &clsid);
    if (FAILED(hr))
        return hr;
    IUnknown* unknown = nullptr;
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IUnknown,
                          reinterpret_cast<void**>(&unknown));
    if (FAILED(hr))
        return hr;
    hr = OleRun(unknown);
    IDispatch* dispatch = nullptr;
    if (SUCCEEDED(hr))
        hr = unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    unknown->Release();
    if (FAILED(hr))
        return hr;
    *application = AutomationObject(dispatch);
    return S_OK;
}

} // namespace outlook
