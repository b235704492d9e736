#include "desktop/sync/outlook_dispatch.h"

#include "desktop/sync/ansi_text.h"
#include "desktop/sync/automation_exception.h"
#include "desktop/sync/com_error.h"

#include <vector>

namespace {

constexpr LCID kNameLocale = 0x0800;

// Frees the texts of an exception record when it goes out of scope.
struct ExceptionRecord : EXCEPINFO {
    ExceptionRecord() : EXCEPINFO{} {}
    ~ExceptionRecord() {
        SysFreeString(bstrSource);
        SysFreeString(bstrDescription);
        SysFreeString(bstrHelpFile);
    }
    ExceptionRecord(const ExceptionRecord&) = delete;
    ExceptionRecord& operator=(const ExceptionRecord&) = delete;
};

// The VARIANTs of one call; frees the BSTRs the call made for its texts.
struct MadeArguments {
    explicit MadeArguments(std::size_t count) { values.reserve(count); }
    ~MadeArguments() { Free(); }
    MadeArguments(const MadeArguments&) = delete;
    MadeArguments& operator=(const MadeArguments&) = delete;
    void Free() {
        for (std::size_t index : made)
            VariantClear(&values[index]);
        made.clear();
    }
    std::vector<VARIANT> values;
    std::vector<std::size_t> made;
};

// Clears the VARIANT it guards unless released.
struct VariantGuard {
    VARIANT* variant;
    ~VariantGuard() {
        if (variant != nullptr)
            VariantClear(variant);
    }
};

} // namespace

OutlookDispatch::OutlookDispatch(const OutlookDispatch& other) {
    *this = other;
}

OutlookDispatch& OutlookDispatch::operator=(const OutlookDispatch& other) {
    if (this == &other)
        return *this;
    IDispatch* dispatch = other.m_pDispatch;
    if (dispatch != nullptr)
        dispatch->AddRef();
    Attach(dispatch, TRUE);
    return *this;
}

OutlookDispatch::OutlookDispatch(OutlookDispatch&& other) noexcept
    : m_pDispatch(other.m_pDispatch), m_bAutoRelease(other.m_bAutoRelease) {
    other.m_pDispatch = nullptr;
}

OutlookDispatch& OutlookDispatch::operator=(OutlookDispatch&& other) noexcept {
    if (this != &other) {
        Release();
        m_pDispatch = other.m_pDispatch;
        m_bAutoRelease = other.m_bAutoRelease;
        other.m_pDispatch = nullptr;
    }
    return *this;
}

void OutlookDispatch::Attach(IDispatch* dispatch, BOOL autoRelease) {
    Release();
    m_pDispatch = dispatch;
    m_bAutoRelease = autoRelease;
}

void OutlookDispatch::Release() {
    if (m_pDispatch != nullptr && m_bAutoRelease)
        m_pDispatch->Release();
    m_pDispatch = nullptr;
}

bool OutlookDispatch::Invoke(DISPID dispid, WORD kind, std::initializer_list<Argument> arguments,
                             VARTYPE resultType, VARIANT* result) const {
    if (m_pDispatch == nullptr)
        return false;

    // Right to left, as DISPPARAMS wants them; texts become BSTRs we free.
    MadeArguments args(arguments.size());
    for (auto it = std::rbegin(arguments); it != std::rend(arguments); ++it) {
        if (!it->m_isText) {
            args.values.push_back(it->m_value);
            continue;
        }
        VARIANT text;
        VariantInit(&text);
        text.vt = VT_BSTR;
        text.bstrVal = AnsiToBstr(it->m_text);
        if (text.bstrVal == nullptr)
            throw ComError(E_OUTOFMEMORY);
        args.values.push_back(text);
        args.made.push_back(args.values.size() - 1);
    }
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{args.values.data(), nullptr, static_cast<UINT>(args.values.size()), 0};
    if (kind == DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }

    VARIANT value;
    VariantInit(&value);
    VariantGuard valueGuard{&value};
    ExceptionRecord exception;
    UINT argError = 0;
    const HRESULT hr =
        m_pDispatch->Invoke(dispid, IID_NULL, 0, kind, &params, &value, &exception, &argError);
    args.Free();
    if (hr == DISP_E_EXCEPTION) {
        if (exception.pfnDeferredFillIn != nullptr)
            exception.pfnDeferredFillIn(&exception);
        throw AutomationException(exception.wCode, exception.scode,
                                  BstrToAnsi(exception.bstrSource),
                                  BstrToAnsi(exception.bstrDescription));
    }
    if (FAILED(hr))
        throw ComError(hr);

    // A member that hands back no object answers with an empty or null value.
    const bool noObject =
        resultType == VT_DISPATCH && (value.vt == VT_EMPTY || value.vt == VT_NULL);
    if (noObject) {
        value.vt = VT_DISPATCH;
        value.pdispVal = nullptr;
    }
    if (resultType != VT_EMPTY && value.vt != resultType) {
        const HRESULT converted = VariantChangeType(&value, &value, 0, resultType);
        if (FAILED(converted))
            throw ComError(converted);
    }
    if (result != nullptr && resultType != VT_EMPTY) {
        *result = value;
        valueGuard.variant = nullptr; // the caller owns it now
    }
    return true;
}

DISPID OutlookDispatch::IdOfName(const char16_t* name) const {
    DISPID dispid = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    const HRESULT hr = m_pDispatch->GetIDsOfNames(IID_NULL, names, 1, kNameLocale, &dispid);
    if (FAILED(hr))
        throw ComError(hr);
    return dispid;
}

std::string OutlookDispatch::GetText(DISPID dispid) const {
    VARIANT value;
    if (!Invoke(dispid, DISPATCH_PROPERTYGET, {}, VT_BSTR, &value))
        return {};
    std::string text = BstrToAnsi(value.bstrVal);
    VariantClear(&value);
    return text;
}

std::string OutlookDispatch::GetTextByName(const char16_t* name) const {
    if (m_pDispatch == nullptr)
        return {};
    return GetText(IdOfName(name));
}

LONG OutlookDispatch::GetLong(DISPID dispid) const {
    VARIANT value;
    return Invoke(dispid, DISPATCH_PROPERTYGET, {}, VT_I4, &value) ? value.lVal : 0;
}

DATE OutlookDispatch::GetDate(DISPID dispid) const {
    VARIANT value;
    return Invoke(dispid, DISPATCH_PROPERTYGET, {}, VT_DATE, &value) ? value.date : 0.0;
}

IDispatch* OutlookDispatch::GetObject(DISPID dispid) const {
    VARIANT value;
    return Invoke(dispid, DISPATCH_PROPERTYGET, {}, VT_DISPATCH, &value) ? value.pdispVal : nullptr;
}

IDispatch* OutlookDispatch::CallForObject(DISPID dispid,
                                          std::initializer_list<Argument> arguments) const {
    VARIANT value;
    return Invoke(dispid, DISPATCH_METHOD, arguments, VT_DISPATCH, &value) ? value.pdispVal
                                                                           : nullptr;
}

void OutlookDispatch::Call(DISPID dispid, std::initializer_list<Argument> arguments) const {
    Invoke(dispid, DISPATCH_METHOD, arguments, VT_EMPTY, nullptr);
}

void OutlookDispatch::PutText(DISPID dispid, std::string_view value) const {
    Invoke(dispid, DISPATCH_PROPERTYPUT, {Argument(value)}, VT_EMPTY, nullptr);
}

void OutlookDispatch::PutLong(DISPID dispid, LONG value) const {
    Invoke(dispid, DISPATCH_PROPERTYPUT, {Argument(value)}, VT_EMPTY, nullptr);
}
