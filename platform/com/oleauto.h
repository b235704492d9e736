// Automation: BSTR, VARIANT, IDispatch, DISPPARAMS, EXCEPINFO and the type
// conversions of the automation runtime.
#pragma once

#include "platform/com/objbase.h"
#include "platform/win32/variant_time.h"

using BSTR = OLECHAR*; // points after a 4-byte byte-length prefix; ends with a 0
using LCID = DWORD;
using DISPID = LONG;
using MEMBERID = DISPID;
using SCODE = LONG;
using VARTYPE = USHORT;
using VARIANT_BOOL = SHORT;

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

constexpr DISPID DISPID_VALUE = 0;
constexpr DISPID DISPID_UNKNOWN = -1;
constexpr DISPID DISPID_PROPERTYPUT = -3;

constexpr WORD DISPATCH_METHOD = 0x1;
constexpr WORD DISPATCH_PROPERTYGET = 0x2;
constexpr WORD DISPATCH_PROPERTYPUT = 0x4;
constexpr WORD DISPATCH_PROPERTYPUTREF = 0x8;

constexpr HRESULT DISP_E_UNKNOWNINTERFACE = HResult(0x80020001);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = HResult(0x80020003);
constexpr HRESULT DISP_E_PARAMNOTFOUND = HResult(0x80020004);
constexpr HRESULT DISP_E_TYPEMISMATCH = HResult(0x80020005);
constexpr HRESULT DISP_E_UNKNOWNNAME = HResult(0x80020006);
constexpr HRESULT DISP_E_NONAMEDARGS = HResult(0x80020007);
constexpr HRESULT DISP_E_BADVARTYPE = HResult(0x80020008);
constexpr HRESULT DISP_E_EXCEPTION = HResult(0x80020009);
constexpr HRESULT DISP_E_OVERFLOW = HResult(0x8002000A);
constexpr HRESULT DISP_E_BADINDEX = HResult(0x8002000B);
constexpr HRESULT DISP_E_BADPARAMCOUNT = HResult(0x8002000E);
constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = HResult(0x8002000F);

enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R8 = 5,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_BYREF = 0x4000,
};

struct IDispatch;
struct ITypeInfo; // type libraries are not served: GetTypeInfo answers E_NOTIMPL

// Laid out as on Windows: the type, three reserved words, then the value.
struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONG lVal;
        SHORT iVal;
        double dblVal;
        DATE date;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        SCODE scode;
        VARIANT_BOOL boolVal;
        VARIANT* pvarVal;
        LONGLONG llVal;
    };
};
using VARIANTARG = VARIANT;
using LPVARIANT = VARIANT*;
using LPVARIANTARG = VARIANT*;

#define V_VT(v) ((v)->vt)
#define V_I2(v) ((v)->iVal)
#define V_I4(v) ((v)->lVal)
#define V_R8(v) ((v)->dblVal)
#define V_DATE(v) ((v)->date)
#define V_BSTR(v) ((v)->bstrVal)
#define V_DISPATCH(v) ((v)->pdispVal)
#define V_UNKNOWN(v) ((v)->punkVal)
#define V_ERROR(v) ((v)->scode)
#define V_BOOL(v) ((v)->boolVal)

// Arguments right to left: rgvarg[0] is the last argument. Named arguments
// come first in rgvarg, their identifiers in rgdispidNamedArgs.
struct DISPPARAMS {
    VARIANTARG* rgvarg;
    DISPID* rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
};

// Filled by a server whose Invoke returns DISP_E_EXCEPTION. A server may
// leave the texts out and set pfnDeferredFillIn; the caller then calls it to
// complete the record. The caller frees the three BSTRs.
struct EXCEPINFO {
    WORD wCode; // the server's own error number, or 0 when scode is used
    WORD wReserved;
    BSTR bstrSource;
    BSTR bstrDescription;
    BSTR bstrHelpFile;
    DWORD dwHelpContext;
    void* pvReserved;
    HRESULT (*pfnDeferredFillIn)(EXCEPINFO*);
    SCODE scode;
};
using LPEXCEPINFO = EXCEPINFO*;

// Slots: QueryInterface, AddRef, Release, GetTypeInfoCount, GetTypeInfo,
// GetIDsOfNames, Invoke.
struct IDispatch : IUnknown {
    virtual HRESULT GetTypeInfoCount(UINT* pctinfo) = 0;
    virtual HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) = 0;
    virtual HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                  DISPID* rgDispId) = 0;
    virtual HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                           DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                           UINT* puArgErr) = 0;

protected:
    ~IDispatch() = default;
};
using LPDISPATCH = IDispatch*;

// BSTR. SysAllocString(null) and SysAllocStringLen(null, n) follow the
// platform: null gives null, and a null source with a length gives an
// uninitialised string of that length (here: zero-filled). SysStringLen(null) is 0.
BSTR SysAllocString(const OLECHAR* psz);
BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui);
// Takes `len` bytes as they are (an odd length is allowed, as on the platform).
BSTR SysAllocStringByteLen(const char* psz, UINT len);
void SysFreeString(BSTR bstrString);
UINT SysStringLen(BSTR pbstr);
UINT SysStringByteLen(BSTR bstr);

// VARIANT. VariantClear frees a BSTR and releases an interface, leaving
// VT_EMPTY; VariantCopy clears the destination, then copies the value (a new
// BSTR, an added reference).
void VariantInit(VARIANTARG* pvarg);
HRESULT VariantClear(VARIANTARG* pvarg);
HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc);

// Conversion flags.
constexpr USHORT VARIANT_NOVALUEPROP = 0x01;
constexpr USHORT VARIANT_ALPHABOOL = 0x02;

// Converts among VT_EMPTY, VT_NULL, VT_I2, VT_I4, VT_R8, VT_DATE, VT_BSTR,
// VT_BOOL and VT_DISPATCH/VT_UNKNOWN. An object converts through its default
// member (DISPID_VALUE, a property get) unless VARIANT_NOVALUEPROP is given.
// Numbers and dates to text in the invariant forms ("12", "1.5",
// "12/31/1999 1:02:03 PM", a date without time "12/31/1999", a time alone
// "1:02:03 PM"); VT_BOOL to text is "-1"/"0", or "True"/"False" with
// VARIANT_ALPHABOOL; text to numbers, booleans and dates is parsed back.
// Results: DISP_E_TYPEMISMATCH for text that does not parse or a type that
// can't convert, DISP_E_OVERFLOW for a number out of range, E_INVALIDARG for
// a bad type. pvargDest may be pvarSrc. On failure the destination is unchanged.
HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags,
                          VARTYPE vt);
