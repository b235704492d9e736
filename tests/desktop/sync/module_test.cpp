// The server's exports, its class factory and the store's identity, as the
// desktop service manager meets them.
#include "store_fixture.h"

#include "platform/com/objbase.h"

#include <dlfcn.h>

#include <cstdio>
#include <set>

namespace storetest {
namespace {

// Counts its references; stands for an object that aggregates the store.
class OuterObject final : public IUnknown {
public:
    HRESULT QueryInterface(REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG Release() override { return static_cast<ULONG>(--refs); }
    LONG refs = 1;
};

class ModuleTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        m_library = dlopen(JOTTAPC_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(nullptr, m_library) << dlerror();
        getClassObject =
            reinterpret_cast<LPFNGETCLASSOBJECT>(dlsym(m_library, "DllGetClassObject"));
        canUnloadNow = reinterpret_cast<LPFNCANUNLOADNOW>(dlsym(m_library, "DllCanUnloadNow"));
        ASSERT_NE(nullptr, getClassObject);
        ASSERT_NE(nullptr, canUnloadNow);
    }
    void TearDown() override {
        StoreTest::TearDown();
        if (m_library != nullptr)
            dlclose(m_library);
    }
    IClassFactory* Factory() {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(S_OK, getClassObject(CLSID_JotterwickStore, IID_IClassFactory,
                                       reinterpret_cast<void**>(&factory)));
        return factory;
    }

    LPFNGETCLASSOBJECT getClassObject = nullptr;
    LPFNCANUNLOADNOW canUnloadNow = nullptr;

private:
    void* m_library = nullptr;
};

TEST_F(ModuleTest, ExportsExactlyTheTwoEntryPoints) {
    const std::string command = std::string("nm -D --defined-only '") + JOTTAPC_LIBRARY + "'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(nullptr, pipe);
    std::set<std::string> symbols;
    char line[1024];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        char address[64], type[8], name[900];
        if (std::sscanf(line, "%63s %7s %899s", address, type, name) == 3)
            symbols.insert(name);
    }
    ASSERT_EQ(0, pclose(pipe));
    EXPECT_EQ((std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject"}), symbols);
}

TEST_F(ModuleTest, ClassObjectForAnyClassButOnlyTheFactoryInterfaces) {
    const CLSID other = {0x12345678, 0x1, 0x2, {3, 4, 5, 6, 7, 8, 9, 10}};
    IClassFactory* factory = nullptr;
    ASSERT_EQ(S_OK, getClassObject(other, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
    EXPECT_EQ(0u, factory->Release()) << "the factory came with exactly one reference";
    IUnknown* unknown = nullptr;
    ASSERT_EQ(S_OK, getClassObject(other, IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    EXPECT_EQ(0u, unknown->Release());
    void* sentinel = reinterpret_cast<void*>(0x5A5A);
    void* out = sentinel;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
              getClassObject(CLSID_JotterwickStore, IID_IDispatch, &out));
    EXPECT_EQ(sentinel, out) << "the out-pointer is left as it was";
}

TEST_F(ModuleTest, FactoryAnswersOnlyItsOwnInterfaces) {
    IClassFactory* factory = Factory();
    ASSERT_NE(nullptr, factory);
    void* out = reinterpret_cast<void*>(0x5A5A);
    EXPECT_EQ(E_NOINTERFACE, factory->QueryInterface(IID_IDispatch, &out));
    EXPECT_EQ(nullptr, out);
    IUnknown* unknown = nullptr;
    EXPECT_EQ(S_OK, factory->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    EXPECT_EQ(1u, unknown->Release());
    EXPECT_EQ(0u, factory->Release());
}

TEST_F(ModuleTest, CanUnloadOnlyWithoutStoresAndLocks) {
    EXPECT_EQ(S_OK, canUnloadNow());
    IClassFactory* factory = Factory();
    EXPECT_EQ(S_OK, canUnloadNow()) << "a factory does not count";
    IReplStore* created = nullptr;
    ASSERT_EQ(S_OK,
              factory->CreateInstance(nullptr, IID_IReplStore, reinterpret_cast<void**>(&created)));
    EXPECT_EQ(S_FALSE, canUnloadNow());
    EXPECT_EQ(2u, created->AddRef());
    EXPECT_EQ(1u, created->Release());
    EXPECT_EQ(0u, created->Release());
    EXPECT_EQ(S_OK, canUnloadNow());
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(S_FALSE, canUnloadNow());
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(S_OK, canUnloadNow());
    factory->Release();
}

TEST_F(ModuleTest, FailedCreationLeavesNoStore) {
    IClassFactory* factory = Factory();
    void* out = reinterpret_cast<void*>(0x5A5A);
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IDispatch, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(S_OK, canUnloadNow());
    factory->Release();
}

TEST_F(ModuleTest, AggregatedStoreDelegatesToItsOuterObject) {
    IClassFactory* factory = Factory();
    OuterObject outer;
    void* out = reinterpret_cast<void*>(0x5A5A);
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(&outer, IID_IReplStore, &out));
    EXPECT_EQ(nullptr, out);

    IUnknown* inner = nullptr;
    ASSERT_EQ(S_OK,
              factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)));
    EXPECT_EQ(1, outer.refs) << "the outer object is kept without a reference";
    IReplStore* aggregated = nullptr;
    ASSERT_EQ(S_OK, inner->QueryInterface(IID_IReplStore, reinterpret_cast<void**>(&aggregated)));
    EXPECT_EQ(2, outer.refs) << "the store's AddRef acts on the outer object";
    aggregated->AddRef();
    EXPECT_EQ(3, outer.refs);
    aggregated->Release();
    aggregated->Release();
    EXPECT_EQ(1, outer.refs);
    void* other = nullptr;
    EXPECT_EQ(E_NOINTERFACE, aggregated->QueryInterface(IID_IDispatch, &other))
        << "forwarded to the outer object";
    EXPECT_EQ(S_FALSE, canUnloadNow());
    EXPECT_EQ(0u, inner->Release()) << "the outer object's inner reference ends the store";
    EXPECT_EQ(S_OK, canUnloadNow());
    factory->Release();
}

TEST_F(ModuleTest, StoreAnswersOnlyItsOwnInterfaces) {
    store = CreateStore();
    ASSERT_NE(nullptr, store);
    void* out = reinterpret_cast<void*>(0x5A5A);
    EXPECT_EQ(E_NOINTERFACE, store->QueryInterface(IID_IDispatch, &out));
    EXPECT_EQ(nullptr, out);
    IUnknown* unknown = nullptr;
    ASSERT_EQ(S_OK, store->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    EXPECT_EQ(1u, unknown->Release());
}

} // namespace
} // namespace storetest
