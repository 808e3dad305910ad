#include "platform/win32/com.h"
#include "platform/win32/com_object.h"
#include "platform/win32/dispatch.h"
#include "platform/win32/last_error.h"
#include "platform/win32/tests/counted_object.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <thread>

namespace {

using zv::win32::GuidFromText;
using zv::win32::testing::CountedObject;

// COM state belongs to a thread: each scenario runs on a thread of its own so that tests do not
// see one another's initialisation.
void OnFreshThread(const std::function<void()>& body)
{
    std::thread worker(body);
    worker.join();
}

constexpr CLSID kCountedClass = GuidFromText("{1D5C8E2A-7B31-4F0C-9A66-3E2F10B4C7D9}");
constexpr CLSID kUnregisteredClass = GuidFromText("{1D5C8E2A-7B31-4F0C-9A66-3E2F10B4C7DA}");
constexpr IID kOtherInterface = GuidFromText("{4F92C52C-57B6-4F46-A911-CF43A87610B7}");

HRESULT CreateCounted(IUnknown* outer, REFIID riid, void** ppv)
{
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return zv::win32::HandOutNewObject(new CountedObject, riid, ppv);
}

TEST(GuidTest, TextFormGivesPublishedFields)
{
    constexpr GUID unknown{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    constexpr GUID dispatch{0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    constexpr GUID element{0x7DF90993, 0x429D, 0x41C3, {0xBA, 0x1D, 0xDB, 0x8B, 0x61, 0x9D, 0x33, 0x2E}};
    EXPECT_EQ(IID_IUnknown, unknown);
    EXPECT_EQ(IID_IDispatch, dispatch);
    EXPECT_EQ(GuidFromText("{7DF90993-429D-41C3-BA1D-DB8B619D332E}"), element);
    EXPECT_EQ(GuidFromText("7df90993-429d-41c3-ba1d-db8b619d332e"), element);
    EXPECT_EQ(IID_NULL, GUID{});
}

TEST(GuidTest, EveryFieldTakesPartInEqualityAndOrder)
{
    const GUID base = GuidFromText("{10000000-2000-3000-4000-500000000000}");
    struct Case { GUID other; bool greater; };
    const Case cases[] = {
        {GuidFromText("{10000001-2000-3000-4000-500000000000}"), true},
        {GuidFromText("{0FFFFFFF-2FFF-3FFF-4FFF-5FFFFFFFFFFF}"), false},
        {GuidFromText("{10000000-2001-3000-4000-500000000000}"), true},
        {GuidFromText("{10000000-2000-2FFF-4000-500000000000}"), false},
        {GuidFromText("{10000000-2000-3000-4001-500000000000}"), true},
        {GuidFromText("{10000000-2000-3000-4000-500000000001}"), true},
        {GuidFromText("{10000000-2000-3000-4000-4FFFFFFFFFFF}"), false},
    };
    for (const Case& c : cases) {
        EXPECT_NE(base, c.other);
        EXPECT_EQ(c.other > base, c.greater);
        EXPECT_EQ(c.other < base, !c.greater);
    }
    EXPECT_EQ(base, GuidFromText("10000000-2000-3000-4000-500000000000"));
}

TEST(HresultTest, SuccessAndFailureFollowTheSignBit)
{
    EXPECT_TRUE(SUCCEEDED(S_FALSE));
    EXPECT_FALSE(FAILED(S_FALSE));
    EXPECT_TRUE(FAILED(E_UNEXPECTED));
    EXPECT_TRUE(FAILED(REGDB_E_CLASSNOTREG));
}

TEST(HresultTest, Win32ErrorsMapOntoTheirComCodes)
{
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_SUCCESS), S_OK);
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), E_ACCESSDENIED);
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE), E_HANDLE);
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_OUTOFMEMORY), E_OUTOFMEMORY);
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER), E_INVALIDARG);
    EXPECT_EQ(static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER)), 0x8007007Au);
}

TEST(ReferenceCountTest, QueryInterfaceHandsOutCountedReferences)
{
    auto* object = new CountedObject;
    const int liveBefore = CountedObject::s_live - 1;

    struct Case { const IID* iid; HRESULT expected; };
    const Case cases[] = {
        {&IID_IUnknown, S_OK},
        {&IID_IDispatch, S_OK},
        {&kOtherInterface, E_NOINTERFACE},
        {&IID_NULL, E_NOINTERFACE},
    };
    for (const Case& c : cases) {
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(object->QueryInterface(*c.iid, &out), c.expected);
        if (SUCCEEDED(c.expected)) {
            EXPECT_EQ(out, static_cast<IDispatch*>(object));
            EXPECT_EQ(object->RefCount(), 2u);
            EXPECT_EQ(static_cast<IUnknown*>(out)->Release(), 1u);
        } else {
            EXPECT_EQ(out, nullptr);
            EXPECT_EQ(object->RefCount(), 1u);
        }
    }
    EXPECT_EQ(object->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

    EXPECT_EQ(object->AddRef(), 2u);
    EXPECT_EQ(object->Release(), 1u);
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_EQ(CountedObject::s_live, liveBefore);
}

TEST(CoInitializeTest, CountsPerThreadAndKeepsTheThreadModel)
{
    OnFreshThread([] {
        struct Step { std::function<HRESULT()> call; HRESULT expected; const char* what; };
        const auto create = [] {
            void* out = nullptr;
            const HRESULT hr = CoCreateInstance(kCountedClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &out);
            if (out != nullptr) static_cast<IUnknown*>(out)->Release();
            return hr;
        };
        const auto uninit = [] { CoUninitialize(); return S_OK; };
        zv::win32::RegisterComClass(kCountedClass, CreateCounted);
        const Step steps[] = {
            {create, CO_E_NOTINITIALIZED, "create before init"},
            {uninit, S_OK, "uninit without init is harmless"},
            {create, CO_E_NOTINITIALIZED, "still not initialised"},
            {[] { int reserved; return CoInitialize(&reserved); }, E_INVALIDARG, "reserved argument"},
            {[] { return CoInitialize(nullptr); }, S_OK, "first init"},
            {[] { return CoInitialize(nullptr); }, S_FALSE, "second init"},
            {[] { return CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }, S_FALSE, "same model"},
            {[] { return CoInitializeEx(nullptr, COINIT_MULTITHREADED); }, RPC_E_CHANGED_MODE, "other model"},
            {create, S_OK, "create while initialised"},
            {uninit, S_OK, "uninit 3 -> 2"},
            {uninit, S_OK, "uninit 2 -> 1"},
            {create, S_OK, "one initialisation left"},
            {uninit, S_OK, "uninit 1 -> 0"},
            {create, CO_E_NOTINITIALIZED, "create after the last uninit"},
            {[] { return CoInitializeEx(nullptr, COINIT_MULTITHREADED); }, S_OK, "new model after uninit"},
            {[] { return CoInitialize(nullptr); }, RPC_E_CHANGED_MODE, "apartment after multithreaded"},
            {create, S_OK, "create in the multithreaded model"},
            {uninit, S_OK, "final uninit"},
        };
        for (const Step& step : steps) EXPECT_EQ(step.call(), step.expected) << step.what;
    });
}

TEST(CoInitializeTest, InitialisationDoesNotCrossThreads)
{
    OnFreshThread([] {
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
        OnFreshThread([] {
            void* out = reinterpret_cast<void*>(1);
            EXPECT_EQ(CoCreateInstance(kCountedClass, nullptr, CLSCTX_ALL, IID_IUnknown, &out), CO_E_NOTINITIALIZED);
            EXPECT_EQ(out, nullptr);
            EXPECT_EQ(CoInitialize(nullptr), S_OK);
            CoUninitialize();
        });
        EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
        CoUninitialize();
        CoUninitialize();
    });
}

TEST(CoCreateInstanceTest, CreatesRegisteredClassesOnly)
{
    zv::win32::RegisterComClass(kCountedClass, CreateCounted);
    OnFreshThread([] {
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
        auto* outer = new CountedObject;
        struct Case {
            const CLSID* clsid;
            IUnknown* outer;
            DWORD context;
            const IID* iid;
            HRESULT expected;
        };
        const Case cases[] = {
            {&kCountedClass, nullptr, CLSCTX_INPROC_SERVER, &IID_IUnknown, S_OK},
            {&kCountedClass, nullptr, CLSCTX_INPROC, &IID_IDispatch, S_OK},
            {&kCountedClass, nullptr, CLSCTX_ALL, &IID_IDispatch, S_OK},
            {&kCountedClass, nullptr, CLSCTX_INPROC_SERVER, &kOtherInterface, E_NOINTERFACE},
            {&kCountedClass, nullptr, CLSCTX_LOCAL_SERVER, &IID_IUnknown, REGDB_E_CLASSNOTREG},
            {&kCountedClass, outer, CLSCTX_INPROC_SERVER, &IID_IDispatch, CLASS_E_NOAGGREGATION},
            {&kCountedClass, outer, CLSCTX_INPROC_SERVER, &IID_IUnknown, CLASS_E_NOAGGREGATION},
            {&kUnregisteredClass, nullptr, CLSCTX_INPROC_SERVER, &IID_IUnknown, REGDB_E_CLASSNOTREG},
            {&GUID_NULL, nullptr, CLSCTX_ALL, &IID_IUnknown, REGDB_E_CLASSNOTREG},
        };
        const int liveBefore = CountedObject::s_live;
        for (const Case& c : cases) {
            void* out = reinterpret_cast<void*>(1);
            EXPECT_EQ(CoCreateInstance(*c.clsid, c.outer, c.context, *c.iid, &out), c.expected);
            if (SUCCEEDED(c.expected)) {
                ASSERT_NE(out, nullptr);
                EXPECT_EQ(CountedObject::s_live, liveBefore + 1);
                EXPECT_EQ(static_cast<IUnknown*>(out)->Release(), 0u);
            } else {
                EXPECT_EQ(out, nullptr);
            }
            EXPECT_EQ(CountedObject::s_live, liveBefore) << "a failed or released creation left an object";
        }
        EXPECT_EQ(CoCreateInstance(kCountedClass, nullptr, CLSCTX_ALL, IID_IUnknown, nullptr), E_POINTER);
        outer->Release();
        CoUninitialize();
    });
}

TEST(CoCreateInstanceTest, RegisteringAgainReplacesTheFactory)
{
    static constexpr CLSID kReplaced = GuidFromText("{1D5C8E2A-7B31-4F0C-9A66-3E2F10B4C7DB}");
    zv::win32::RegisterComClass(kReplaced, [](IUnknown*, REFIID, void**) { return E_OUTOFMEMORY; });
    OnFreshThread([] {
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
        void* out = nullptr;
        EXPECT_EQ(CoCreateInstance(kReplaced, nullptr, CLSCTX_ALL, IID_IUnknown, &out), E_OUTOFMEMORY);
        zv::win32::RegisterComClass(kReplaced, CreateCounted);
        ASSERT_EQ(CoCreateInstance(kReplaced, nullptr, CLSCTX_ALL, IID_IUnknown, &out), S_OK);
        static_cast<IUnknown*>(out)->Release();
        CoUninitialize();
    });
}

TEST(ComClassNameTest, ProgramIdsAndClassIdTextNameClasses)
{
    constexpr CLSID kNamed = GuidFromText("{1D5C8E2A-7B31-4F0C-9A66-3E2F10B4C7DC}");
    zv::win32::RegisterComProgId("Zelvante.NamedThing", kUnregisteredClass);
    zv::win32::RegisterComProgId("Zelvante.NamedThing", kNamed); // naming again moves the name
    struct Case {
        const char* name;
        std::optional<CLSID> expected;
    };
    const Case cases[] = {
        {"Zelvante.NamedThing", kNamed},
        {"zelvante.NAMEDTHING", kNamed},
        {"Zelvante.NamedThing.1", std::nullopt},
        {"", std::nullopt},
        {"{1D5C8E2A-7B31-4F0C-9A66-3E2F10B4C7D9}", kCountedClass},
        {"{1D5C8E2A-7B31-4F0C-9A66-3E2F10B4C7D}", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(zv::win32::FindComClass(c.name), c.expected) << c.name;
}

TEST(CoTaskMemTest, BlocksOfAnySizeCanBeFreed)
{
    for (SIZE_T size : {SIZE_T{0}, SIZE_T{1}, SIZE_T{88}, SIZE_T{1} << 20}) {
        void* block = CoTaskMemAlloc(size);
        ASSERT_NE(block, nullptr) << size;
        if (size > 0) static_cast<unsigned char*>(block)[size - 1] = 0xAB;
        CoTaskMemFree(block);
    }
    CoTaskMemFree(nullptr);
}

} // namespace
