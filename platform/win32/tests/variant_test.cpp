#include "platform/win32/variant.h"

#include "platform/win32/dispatch.h"
#include "platform/win32/tests/counted_object.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string_view>

namespace {

using zv::win32::testing::CountedObject;

std::u16string_view View(BSTR b)
{
    return {b, SysStringLen(b)};
}

VARIANT MakeBstr(std::u16string_view text)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return v;
}

TEST(VariantTest, InitLeavesAnEmptyValue)
{
    VARIANT v;
    std::memset(&v, 0xCD, sizeof v);
    VariantInit(&v);
    EXPECT_EQ(v.vt, VT_EMPTY);
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(v.vt, VT_EMPTY);
}

// Leaks and double frees of the BSTR show up under the address sanitizer.
TEST(VariantTest, ClearFreesOwnedStrings)
{
    const std::u16string_view texts[] = {u"", u"FriendlyName", std::u16string_view(u"a\0b", 3)};
    for (std::u16string_view text : texts) {
        VARIANT v = MakeBstr(text);
        ASSERT_NE(v.bstrVal, nullptr);
        EXPECT_EQ(VariantClear(&v), S_OK);
        EXPECT_EQ(v.vt, VT_EMPTY);
        EXPECT_EQ(VariantClear(&v), S_OK) << "a cleared value must not be freed again";
    }
    VARIANT nullString;
    VariantInit(&nullString);
    nullString.vt = VT_BSTR;
    nullString.bstrVal = nullptr;
    EXPECT_EQ(VariantClear(&nullString), S_OK);
}

TEST(VariantTest, ClearReleasesOwnedInterfaces)
{
    struct Case { VARTYPE vt; };
    for (const Case c : {Case{VT_UNKNOWN}, Case{VT_DISPATCH}}) {
        auto* object = new CountedObject;
        object->AddRef(); // the variant's reference
        VARIANT v;
        VariantInit(&v);
        v.vt = c.vt;
        if (c.vt == VT_UNKNOWN)
            v.punkVal = object;
        else
            v.pdispVal = object;
        EXPECT_EQ(VariantClear(&v), S_OK);
        EXPECT_EQ(object->RefCount(), 1u);
        EXPECT_EQ(v.vt, VT_EMPTY);
        EXPECT_EQ(object->Release(), 0u);

        VARIANT none;
        VariantInit(&none);
        none.vt = c.vt;
        none.punkVal = nullptr;
        EXPECT_EQ(VariantClear(&none), S_OK);
    }
}

TEST(VariantTest, ClearLeavesReferencedStorageAlone)
{
    BSTR text = SysAllocString(u"http://host/page");
    auto* object = new CountedObject;
    VARIANT inner = MakeBstr(u"inner");
    IUnknown* unknown = object;

    struct Case { VARTYPE vt; void* target; };
    const Case cases[] = {
        {VT_BYREF | VT_BSTR, &text},
        {VT_BYREF | VT_UNKNOWN, &unknown},
        {VT_BYREF | VT_VARIANT, &inner},
    };
    for (const Case& c : cases) {
        VARIANT v;
        VariantInit(&v);
        v.vt = c.vt;
        v.byref = c.target;
        EXPECT_EQ(VariantClear(&v), S_OK);
        EXPECT_EQ(v.vt, VT_EMPTY);
    }
    EXPECT_EQ(View(text), u"http://host/page");
    EXPECT_EQ(object->RefCount(), 1u);
    EXPECT_EQ(View(inner.bstrVal), u"inner");
    VariantClear(&inner);
    object->Release();
    SysFreeString(text);
}

TEST(VariantTest, UnknownTypesAreRefusedAndLeftAsTheyAre)
{
    const VARTYPE types[] = {6 /* currency */, 14 /* decimal */, 0x2000 | VT_I4 /* array */, 0x7FFF,
                             VT_BYREF | VT_EMPTY};
    for (VARTYPE vt : types) {
        VARIANT v;
        VariantInit(&v);
        v.vt = vt;
        v.llVal = 0x1234;
        EXPECT_EQ(VariantClear(&v), DISP_E_BADVARTYPE) << vt;
        EXPECT_EQ(v.vt, vt);
        EXPECT_EQ(v.llVal, 0x1234);

        VARIANT dest = MakeBstr(u"kept");
        EXPECT_EQ(VariantCopy(&dest, &v), DISP_E_BADVARTYPE) << vt;
        EXPECT_EQ(dest.vt, VT_BSTR);
        EXPECT_EQ(View(dest.bstrVal), u"kept");
        VariantClear(&dest);
    }
    EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
}

TEST(VariantTest, CopyDuplicatesStringsAndFreesTheOldValue)
{
    const std::u16string_view text(u"Zelvante\0Capture", 16);
    VARIANT source = MakeBstr(text);
    VARIANT dest = MakeBstr(u"old value"); // must be freed by the copy
    ASSERT_EQ(VariantCopy(&dest, &source), S_OK);
    EXPECT_EQ(dest.vt, VT_BSTR);
    EXPECT_NE(dest.bstrVal, source.bstrVal);
    EXPECT_EQ(View(dest.bstrVal), text);
    EXPECT_EQ(VariantClear(&source), S_OK);
    EXPECT_EQ(View(dest.bstrVal), text) << "the copy owns its own string";
    EXPECT_EQ(VariantClear(&dest), S_OK);
}

TEST(VariantTest, CopyCarriesScalarsByValue)
{
    struct Case { VARTYPE vt; LONGLONG bits; };
    const Case cases[] = {
        {VT_EMPTY, 0}, {VT_I4, -20}, {VT_UI4, 0xFFFFFFFF}, {VT_I2, 31},
        {VT_BOOL, VARIANT_TRUE}, {VT_I8, -1}, {VT_BYREF | VT_I4, 0x7000},
    };
    for (const Case& c : cases) {
        VARIANT source;
        VariantInit(&source);
        source.vt = c.vt;
        source.llVal = c.bits;
        VARIANT dest;
        VariantInit(&dest);
        ASSERT_EQ(VariantCopy(&dest, &source), S_OK) << c.vt;
        EXPECT_EQ(dest.vt, c.vt);
        EXPECT_EQ(dest.llVal, c.bits);
    }
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(VariantCopy(nullptr, &v), E_INVALIDARG);
    EXPECT_EQ(VariantCopy(&v, nullptr), E_INVALIDARG);
}

TEST(VariantTest, CopyTakesItsOwnInterfaceReference)
{
    auto* object = new CountedObject;
    VARIANT source;
    VariantInit(&source);
    source.vt = VT_DISPATCH;
    source.pdispVal = object; // takes over the creation reference
    VARIANT dest;
    VariantInit(&dest);
    ASSERT_EQ(VariantCopy(&dest, &source), S_OK);
    EXPECT_EQ(dest.pdispVal, object);
    EXPECT_EQ(object->RefCount(), 2u);
    EXPECT_EQ(VariantCopy(&source, &source), S_OK);
    EXPECT_EQ(object->RefCount(), 2u) << "copying onto itself changes nothing";
    VariantClear(&source);
    EXPECT_EQ(object->RefCount(), 1u);
    const int liveBefore = CountedObject::s_live;
    VariantClear(&dest);
    EXPECT_EQ(CountedObject::s_live, liveBefore - 1);
}

// The destination may hold the only reference to the object being copied into it: the copy's
// reference must be taken before the old one is dropped (else the object dies in between).
TEST(VariantTest, CopyOverTheSameObjectKeepsItAlive)
{
    auto* object = new CountedObject;
    VARIANT dest;
    VariantInit(&dest);
    dest.vt = VT_UNKNOWN;
    dest.punkVal = object;
    VARIANT view = dest; // borrows, owns no reference
    ASSERT_EQ(VariantCopy(&dest, &view), S_OK);
    EXPECT_EQ(object->RefCount(), 1u);
    EXPECT_EQ(dest.punkVal, object);
    VariantClear(&dest);
}

} // namespace
