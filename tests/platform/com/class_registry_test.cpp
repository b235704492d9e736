// Class lookup through the desktop registry and creation of an in-process
// server's object: the Outlook stand-in, loaded with dlopen.
#include "platform/com/objbase.h"

#include "peers/outlook/registration.h"
#include "platform/base/status.h"
#include "platform/com/oleauto.h"
#include "platform/win32/registry.h"
#include "support/machine.h"

#include <cstring>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <string>

namespace {

constexpr CLSID kTestClass = {
    0x12345678, 0x9ABC, 0xDEF0, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};

void SetClassesText(const std::string& path, const std::string& text) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1)));
    RegCloseKey(key);
}

class ClassRegistry : public ::testing::Test {
protected:
    testsupport::TempMachines machines;
    void SetUp() override { ASSERT_TRUE(outlook::RegisterServer(OUTLOOK_SERVER_PATH)); }
};

TEST(Guid, TextRoundTripsAndRefusesMalformedText) {
    OLECHAR text[39];
    ASSERT_EQ(39, StringFromGUID2(kTestClass, text, 39));
    EXPECT_EQ(std::u16string(u"{12345678-9ABC-DEF0-0123-456789ABCDEF}"), text);
    CLSID back{};
    ASSERT_EQ(S_OK, CLSIDFromString(u"{12345678-9abc-def0-0123-456789abcdef}", &back));
    EXPECT_TRUE(back == kTestClass);
    EXPECT_EQ(0, StringFromGUID2(kTestClass, text, 38));

    const char16_t* bad[] = {
        u"12345678-9ABC-DEF0-0123-456789ABCDEF",   u"{12345678-9ABC-DEF0-0123-456789ABCDEF",
        u"{12345678-9ABC-DEF0-0123-456789ABCDEG}", u"{12345678-9ABC-DEF0-0123-456789ABCDEF}x",
        u"{1234567-89ABC-DEF0-0123-456789ABCDEF}", u""};
    for (const char16_t* each : bad) {
        CLSID untouched = kTestClass;
        EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromString(each, &untouched));
        EXPECT_TRUE(untouched == kTestClass);
    }
}

TEST_F(ClassRegistry, ProgIdLeadsToTheRegisteredClass) {
    CLSID clsid{};
    ASSERT_EQ(S_OK, CLSIDFromProgID(u"Outlook.Application", &clsid));
    EXPECT_TRUE(clsid == outlook::CLSID_OutlookApplication);
    CLSID untouched = kTestClass;
    EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromProgID(u"No.Such.Thing", &untouched));
    EXPECT_TRUE(untouched == kTestClass);
    SetClassesText("Broken.ProgId\\CLSID", "not a guid");
    EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromProgID(u"Broken.ProgId", &untouched));
}

TEST_F(ClassRegistry, CreatesTheServersObjectWithRealReferenceCounts) {
    IUnknown* unknown = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(outlook::CLSID_OutlookApplication, nullptr, 0x17, IID_IUnknown,
                                     reinterpret_cast<void**>(&unknown)));
    ASSERT_NE(nullptr, unknown);
    EXPECT_EQ(S_OK, OleRun(unknown));
    IDispatch* dispatch = nullptr;
    ASSERT_EQ(S_OK, unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)));
    EXPECT_EQ(3u, dispatch->AddRef());
    EXPECT_EQ(2u, dispatch->Release());
    EXPECT_EQ(1u, unknown->Release());

    // The library stays loaded while its object lives.
    auto canUnload = reinterpret_cast<LPFNCANUNLOADNOW>(
        dlsym(dlopen(OUTLOOK_SERVER_PATH, RTLD_NOW | RTLD_NOLOAD), "DllCanUnloadNow"));
    ASSERT_NE(nullptr, canUnload);
    EXPECT_EQ(S_FALSE, canUnload());
    CoFreeUnusedLibraries();
    EXPECT_EQ(0u, dispatch->Release());
    EXPECT_EQ(S_OK, canUnload());
    CoFreeUnusedLibraries();
    // And can be loaded again.
    ASSERT_EQ(S_OK,
              CoCreateInstance(outlook::CLSID_OutlookApplication, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IDispatch, reinterpret_cast<void**>(&dispatch)));
    EXPECT_EQ(0u, dispatch->Release());
}

TEST_F(ClassRegistry, ClassFactoryServesItsClassOnly) {
    IClassFactory* factory = nullptr;
    ASSERT_EQ(S_OK,
              CoGetClassObject(outlook::CLSID_OutlookApplication, CLSCTX_INPROC_SERVER, nullptr,
                               IID_IClassFactory, reinterpret_cast<void**>(&factory)));
    IUnknown* object = reinterpret_cast<IUnknown*>(0x1);
    EXPECT_EQ(CLASS_E_NOAGGREGATION,
              factory->CreateInstance(factory, IID_IUnknown, reinterpret_cast<void**>(&object)));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IClassFactory,
                                                     reinterpret_cast<void**>(&object)));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(0u, factory->Release());
}

TEST_F(ClassRegistry, MissingClassesAndLibrariesFailWithTheirCodes) {
    void* object = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(REGDB_E_CLASSNOTREG,
              CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object));
    EXPECT_EQ(nullptr, object);

    // Only in-process servers exist here.
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CoCreateInstance(outlook::CLSID_OutlookApplication, nullptr,
                                                    CLSCTX_LOCAL_SERVER, IID_IUnknown, &object));

    OLECHAR text[39];
    StringFromGUID2(kTestClass, text, 39);
    std::string key = "CLSID\\";
    for (int i = 0; i < 38; ++i)
        key += static_cast<char>(text[i]);
    SetClassesText(key + "\\InprocServer32", machines.desktop() + "/missing.so");
    EXPECT_EQ(CO_E_DLLNOTFOUND,
              CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object));
    // A bare name is not looked for along the library search path.
    SetClassesText(key + "\\InprocServer32", "libm.so.6");
    EXPECT_EQ(CO_E_DLLNOTFOUND,
              CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object));
    // A library of the system's, not of this installation: refused, saying why.
    SetClassesText(key + "\\InprocServer32", "/etc/passwd");
    EXPECT_EQ(E_ACCESSDENIED,
              CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object));
    EXPECT_EQ("refusing to load /etc/passwd, named by the desktop registry value HKCR\\" + key +
                  "\\InprocServer32: it is not in a folder this program was installed or built in",
              platform::LastErrorMessage());
    // A library of the build that serves no class.
    SetClassesText(key + "\\InprocServer32", PLATFORM_BASE_PATH);
    EXPECT_EQ(CO_E_ERRORINDLL,
              CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object));
    // The server refuses a class it does not serve.
    SetClassesText(key + "\\InprocServer32", OUTLOOK_SERVER_PATH);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
              CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object));
    EXPECT_EQ(nullptr, object);
}

TEST(ComInitialization, CountsPerThread) {
    EXPECT_EQ(S_OK, CoInitialize(nullptr));
    EXPECT_EQ(S_FALSE, CoInitialize(nullptr));
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(S_OK, CoInitialize(nullptr));
    CoUninitialize();
    EXPECT_EQ(E_INVALIDARG, OleRun(nullptr));
}

} // namespace
