// A test double of an Outlook automation object: counts its references,
// records every call with its arguments, and answers each member with a
// configured result, exception or failure.
#pragma once

#include "platform/com/oleauto.h"

#include <map>
#include <string>
#include <vector>

class FakeDispatch final : public IDispatch {
public:
    struct Call {
        DISPID dispid;
        WORD flags;
        std::vector<VARIANT> args; // as received: right to left
        std::vector<DISPID> named;
    };
    struct Failure {
        HRESULT hr = S_OK;          // DISP_E_EXCEPTION: an automation exception
        WORD code = 0;              // its wCode
        std::u16string description; // its description
        bool deferred = false;      // filled in by pfnDeferredFillIn
    };

    FakeDispatch() = default;
    ~FakeDispatch() {
        ClearCalls();
        for (auto& [id, value] : results)
            VariantClear(&value);
    }
    FakeDispatch(const FakeDispatch&) = delete;
    FakeDispatch& operator=(const FakeDispatch&) = delete;

    void ClearCalls() {
        for (auto& call : calls)
            for (auto& arg : call.args)
                VariantClear(&arg);
        calls.clear();
    }

    // The creator's reference.
    LONG refs = 1;
    std::vector<Call> calls;
    std::map<DISPID, VARIANT> results;
    std::map<DISPID, Failure> failures;
    std::map<std::u16string, DISPID> names;
    std::vector<LCID> nameLocales;

    void SetText(DISPID dispid, const std::u16string& text) {
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_BSTR;
        value.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        VariantClear(&results[dispid]);
        results[dispid] = value;
    }
    void SetLong(DISPID dispid, LONG number) {
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_I4;
        value.lVal = number;
        VariantClear(&results[dispid]);
        results[dispid] = value;
    }

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            AddRef();
            *ppv = static_cast<IDispatch*>(this);
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG Release() override { return static_cast<ULONG>(--refs); }
    HRESULT GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                          DISPID* rgDispId) override {
        nameLocales.push_back(lcid);
        for (UINT i = 0; i < cNames; ++i) {
            auto it = names.find(rgszNames[i]);
            if (it == names.end())
                return DISP_E_UNKNOWNNAME;
            rgDispId[i] = it->second;
        }
        return S_OK;
    }
    HRESULT Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* exception, UINT*) override {
        Call call{dispid, flags, {}, {}};
        for (UINT i = 0; i < params->cArgs; ++i) {
            VARIANT copy;
            VariantInit(&copy);
            VariantCopy(&copy, &params->rgvarg[i]);
            call.args.push_back(copy);
        }
        for (UINT i = 0; i < params->cNamedArgs; ++i)
            call.named.push_back(params->rgdispidNamedArgs[i]);
        calls.push_back(call);
        if (auto it = failures.find(dispid); it != failures.end()) {
            const Failure& failure = it->second;
            if (failure.hr == DISP_E_EXCEPTION) {
                *exception = EXCEPINFO{};
                exception->wCode = failure.code;
                if (failure.deferred) {
                    s_pendingDescription = failure.description;
                    exception->pfnDeferredFillIn = &FillIn;
                } else {
                    exception->bstrDescription = Bstr(failure.description);
                }
            }
            return failure.hr;
        }
        if (auto it = results.find(dispid); it != results.end() && result != nullptr)
            VariantCopy(result, &it->second);
        return S_OK;
    }

private:
    static BSTR Bstr(const std::u16string& text) {
        return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    }
    static HRESULT FillIn(EXCEPINFO* exception) {
        exception->bstrDescription = Bstr(s_pendingDescription);
        exception->bstrSource = Bstr(u"Fake");
        return S_OK;
    }
    static inline std::u16string s_pendingDescription;
};
