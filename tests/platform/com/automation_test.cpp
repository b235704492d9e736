// BSTR, VARIANT lifetime and VariantChangeType.
#include "platform/com/oleauto.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

// An object whose default member answers a fixed value, counting its references.
class ValueObject : public IDispatch {
public:
    explicit ValueObject(VARIANT value, HRESULT failure = S_OK)
        : m_value(value), m_failure(failure) {}
    ~ValueObject() { VariantClear(&m_value); }
    ULONG references = 1;
    int invokes = 0;

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override { return --references; }
    HRESULT GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* exception, UINT*) override {
        ++invokes;
        if (id != DISPID_VALUE || flags != DISPATCH_PROPERTYGET || params->cArgs != 0)
            return DISP_E_MEMBERNOTFOUND;
        if (m_failure != S_OK) {
            exception->wCode = 4096;
            return m_failure;
        }
        return VariantCopy(result, &m_value);
    }

private:
    VARIANT m_value;
    HRESULT m_failure;
};

VARIANT Text(const char16_t* text) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(text);
    return v;
}

VARIANT Number(VARTYPE vt, double value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = vt;
    switch (vt) {
    case VT_I2:
        v.iVal = static_cast<SHORT>(value);
        break;
    case VT_I4:
        v.lVal = static_cast<LONG>(value);
        break;
    case VT_BOOL:
        v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
        break;
    default:
        v.dblVal = value;
    }
    return v;
}

std::u16string AsText(const VARIANT& v) {
    return std::u16string(v.bstrVal, SysStringLen(v.bstrVal));
}

TEST(Bstr, IsLengthPrefixedAndMayHoldZeros) {
    BSTR s = SysAllocStringLen(u"a\0b", 3);
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(3u, SysStringLen(s));
    EXPECT_EQ(6u, SysStringByteLen(s));
    std::uint32_t prefix;
    std::memcpy(&prefix, reinterpret_cast<char*>(s) - 4, 4);
    EXPECT_EQ(6u, prefix);
    EXPECT_EQ(u'\0', s[3]); // terminated past its length
    SysFreeString(s);

    EXPECT_EQ(nullptr, SysAllocString(nullptr));
    EXPECT_EQ(0u, SysStringLen(nullptr));
    SysFreeString(nullptr);
    BSTR blank = SysAllocStringLen(nullptr, 4);
    ASSERT_NE(nullptr, blank);
    EXPECT_EQ(4u, SysStringLen(blank));
    SysFreeString(blank);
    BSTR odd = SysAllocStringByteLen("abc", 3);
    EXPECT_EQ(3u, SysStringByteLen(odd));
    EXPECT_EQ(1u, SysStringLen(odd));
    SysFreeString(odd);
}

TEST(Variant, CopyDuplicatesTextsAndAddsReferences) {
    VARIANT source = Text(u"Body");
    VARIANT copy;
    VariantInit(&copy);
    ASSERT_EQ(S_OK, VariantCopy(&copy, &source));
    EXPECT_NE(source.bstrVal, copy.bstrVal);
    EXPECT_EQ(u"Body", AsText(copy));
    VariantClear(&source);
    EXPECT_EQ(u"Body", AsText(copy));
    VariantClear(&copy);
    EXPECT_EQ(VT_EMPTY, copy.vt);

    ValueObject object(Number(VT_I4, 1));
    VARIANT holder;
    VariantInit(&holder);
    holder.vt = VT_DISPATCH;
    holder.pdispVal = &object;
    object.AddRef(); // holder's reference
    VARIANT second;
    VariantInit(&second);
    ASSERT_EQ(S_OK, VariantCopy(&second, &holder));
    EXPECT_EQ(3u, object.references);
    VariantClear(&second);
    VariantClear(&holder);
    EXPECT_EQ(1u, object.references);

    VARIANT bad;
    VariantInit(&bad);
    bad.vt = 0x7F;
    EXPECT_EQ(DISP_E_BADVARTYPE, VariantClear(&bad));
}

struct Conversion {
    const char* name;
    VARIANT source;
    VARTYPE target;
    HRESULT result;
    std::u16string text; // for VT_BSTR targets
    double number;       // for the others
};

TEST(VariantChangeType, ConvertsAmongTheDesktopsTypes) {
    const Conversion cases[] = {
        {"I4 to text", Number(VT_I4, -42), VT_BSTR, S_OK, u"-42", 0},
        {"I2 to text", Number(VT_I2, 7), VT_BSTR, S_OK, u"7", 0},
        {"R8 to text", Number(VT_R8, 1.5), VT_BSTR, S_OK, u"1.5", 0},
        {"R8 to text keeps 15 digits", Number(VT_R8, 1.0 / 3), VT_BSTR, S_OK, u"0.333333333333333",
         0},
        {"date and time to text", Number(VT_DATE, 36526.5), VT_BSTR, S_OK, u"1/1/2000 12:00:00 PM",
         0},
        {"date alone", Number(VT_DATE, 36526.0), VT_BSTR, S_OK, u"1/1/2000", 0},
        {"time alone", Number(VT_DATE, 0.25), VT_BSTR, S_OK, u"6:00:00 AM", 0},
        {"bool to text", Number(VT_BOOL, 1), VT_BSTR, S_OK, u"-1", 0},
        {"empty to text", Number(VT_EMPTY, 0), VT_BSTR, S_OK, u"", 0},
        {"text to I4", Text(u" 12 "), VT_I4, S_OK, u"", 12},
        {"text to I4 rounds half to even", Text(u"2.5"), VT_I4, S_OK, u"", 2},
        {"R8 to I4 rounds half to even", Number(VT_R8, 3.5), VT_I4, S_OK, u"", 4},
        {"text that is no number", Text(u"twelve"), VT_I4, DISP_E_TYPEMISMATCH, u"", 0},
        {"I4 too big for I2", Number(VT_I4, 40000), VT_I2, DISP_E_OVERFLOW, u"", 0},
        {"text to date", Text(u"12/31/1999 1:02:03 PM"), VT_DATE, S_OK, u"",
         36525.0 + (13 * 3600 + 2 * 60 + 3) / 86400.0},
        {"ISO text to date", Text(u"2000-01-01T06:00:00"), VT_DATE, S_OK, u"", 36526.25},
        {"bad date", Text(u"31/31/1999"), VT_DATE, DISP_E_TYPEMISMATCH, u"", 0},
        {"text True to bool", Text(u"true"), VT_BOOL, S_OK, u"", -1},
        {"text 0 to bool", Text(u"0"), VT_BOOL, S_OK, u"", 0},
        {"I4 to bool", Number(VT_I4, 5), VT_BOOL, S_OK, u"", -1},
        {"bool to I4", Number(VT_BOOL, 1), VT_I4, S_OK, u"", -1},
        {"date to R8", Number(VT_DATE, 2.25), VT_R8, S_OK, u"", 2.25},
        {"R8 out of date range", Number(VT_R8, 1e9), VT_DATE, DISP_E_OVERFLOW, u"", 0},
        {"number to object", Number(VT_I4, 1), VT_DISPATCH, DISP_E_TYPEMISMATCH, u"", 0},
    };
    for (const Conversion& c : cases) {
        SCOPED_TRACE(c.name);
        VARIANT source = c.source;
        VARIANT dest = Text(u"untouched");
        EXPECT_EQ(c.result, VariantChangeType(&dest, &source, 0, c.target));
        if (c.result != S_OK) {
            EXPECT_EQ(VT_BSTR, dest.vt);
            EXPECT_EQ(u"untouched", AsText(dest));
        } else if (c.target == VT_BSTR) {
            ASSERT_EQ(VT_BSTR, dest.vt);
            EXPECT_EQ(c.text, AsText(dest));
        } else {
            ASSERT_EQ(c.target, dest.vt);
            const double value = c.target == VT_I4     ? dest.lVal
                                 : c.target == VT_I2   ? dest.iVal
                                 : c.target == VT_BOOL ? dest.boolVal
                                                       : dest.dblVal;
            EXPECT_DOUBLE_EQ(c.number, value);
        }
        VariantClear(&dest);
        VariantClear(&source);
    }
}

TEST(VariantChangeType, InPlaceConversionFreesTheOldText) {
    VARIANT v = Text(u"123");
    ASSERT_EQ(S_OK, VariantChangeType(&v, &v, 0, VT_I4));
    EXPECT_EQ(VT_I4, v.vt);
    EXPECT_EQ(123, v.lVal);
    ASSERT_EQ(S_OK, VariantChangeType(&v, &v, VARIANT_ALPHABOOL, VT_BOOL));
    ASSERT_EQ(S_OK, VariantChangeType(&v, &v, VARIANT_ALPHABOOL, VT_BSTR));
    EXPECT_EQ(u"True", AsText(v));
    VariantClear(&v);
}

TEST(VariantChangeType, AnObjectConvertsThroughItsDefaultMember) {
    ValueObject user(Text(u"Jane Roe"));
    VARIANT object;
    VariantInit(&object);
    object.vt = VT_DISPATCH;
    object.pdispVal = &user;
    VARIANT text;
    VariantInit(&text);
    ASSERT_EQ(S_OK, VariantChangeType(&text, &object, 0, VT_BSTR));
    EXPECT_EQ(u"Jane Roe", AsText(text));
    EXPECT_EQ(1, user.invokes);
    EXPECT_EQ(1u, user.references); // every reference taken was given back
    VariantClear(&text);

    // VARIANT_NOVALUEPROP keeps the default member out of it.
    EXPECT_EQ(DISP_E_TYPEMISMATCH, VariantChangeType(&text, &object, VARIANT_NOVALUEPROP, VT_BSTR));
    EXPECT_EQ(1, user.invokes);

    // Object to object: the same object with one more reference.
    VARIANT unknown;
    VariantInit(&unknown);
    ASSERT_EQ(S_OK, VariantChangeType(&unknown, &object, 0, VT_UNKNOWN));
    EXPECT_EQ(2u, user.references);
    VariantClear(&unknown);
    EXPECT_EQ(1u, user.references);

    // A default member that raises passes its failure on.
    ValueObject failing(Text(u""), DISP_E_EXCEPTION);
    object.pdispVal = &failing;
    EXPECT_EQ(DISP_E_EXCEPTION, VariantChangeType(&text, &object, 0, VT_BSTR));
    EXPECT_EQ(VT_EMPTY, text.vt);
    EXPECT_EQ(1u, failing.references);
}

} // namespace
