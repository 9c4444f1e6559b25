// Automation variants and safe arrays: bounds, locks, deep copies and the system's codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>

#include <tessaly/variant.h>

namespace {

SAFEARRAY* byteArray(const std::string& bytes, LONG lower = 0) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, lower, static_cast<ULONG>(bytes.size()));
    void* data = nullptr;
    EXPECT_EQ(SafeArrayAccessData(array, &data), S_OK);
    std::memcpy(data, bytes.data(), bytes.size());
    SafeArrayUnaccessData(array);
    return array;
}

std::string arrayBytes(SAFEARRAY* array) {
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) return "<locked>";
    std::string out(static_cast<const char*>(data), static_cast<size_t>(upper - lower + 1));
    SafeArrayUnaccessData(array);
    return out;
}

std::u16string text(BSTR b) {
    return std::u16string(reinterpret_cast<char16_t*>(b), SysStringLen(b));
}

} // namespace

TEST(SafeArray, CreateGivesZeroedDataAndItsBounds) {
    // Type, lower bound, count and element size.
    const std::tuple<VARTYPE, LONG, ULONG, UINT> cases[] = {
        {VT_I2, -2, 3, 2}, {VT_BSTR, 0, 2, sizeof(BSTR)}, {VT_UI1, 0, 0, 1}};
    for (const auto& [type, first, count, size] : cases) {
        SAFEARRAY* array = SafeArrayCreateVector(type, first, count);
        ASSERT_NE(array, nullptr) << type;
        LONG lower = 99, upper = 99;
        VARTYPE vt = 0;
        SafeArrayGetLBound(array, 1, &lower), SafeArrayGetUBound(array, 1, &upper);
        SafeArrayGetVartype(array, &vt);
        EXPECT_EQ(std::make_tuple(lower, upper, vt, SafeArrayGetElemsize(array)),
                  std::make_tuple(first, first + LONG(count) - 1, type, size));
        const auto* bytes = static_cast<const unsigned char*>(array->pvData);
        EXPECT_EQ(std::count(bytes, bytes + count * size, 0), std::ptrdiff_t(count * size));
        EXPECT_EQ(SafeArrayDestroy(array), S_OK);
    }
    EXPECT_EQ(SafeArrayCreateVector(VT_EMPTY, 0, 3), nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_UI1, 0, nullptr), nullptr);
}

TEST(SafeArray, ResultCodes) {
    SAFEARRAY* array = byteArray("abc");
    LONG bound = 0;
    void* data = nullptr;
    SAFEARRAY* copy = reinterpret_cast<SAFEARRAY*>(1);
    const std::tuple<const char*, HRESULT, HRESULT> cases[] = {
        {"dimension 0", SafeArrayGetUBound(array, 0, &bound), DISP_E_BADINDEX},
        {"dimension 2", SafeArrayGetLBound(array, 2, &bound), DISP_E_BADINDEX},
        {"null access", SafeArrayAccessData(nullptr, &data), E_INVALIDARG},
        {"unaccess unlocked", SafeArrayUnaccessData(array), E_UNEXPECTED},
        {"destroy null", SafeArrayDestroy(nullptr), S_OK},
        {"copy null", SafeArrayCopy(nullptr, &copy), S_OK},
        {"clear null", VariantClear(nullptr), E_INVALIDARG}};
    for (const auto& [what, got, expected] : cases)
        EXPECT_EQ(got, expected) << what;
    EXPECT_EQ(copy, nullptr);

    // A locked array cannot be destroyed, nor a variant holding it cleared.
    ASSERT_EQ(SafeArrayAccessData(array, &data), S_OK);
    EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED);
    VARIANT holder;
    VariantInit(&holder);
    holder.vt = VT_ARRAY | VT_UI1;
    holder.parray = array;
    EXPECT_EQ(VariantClear(&holder), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayUnaccessData(array), S_OK);
    EXPECT_EQ(VariantClear(&holder), S_OK);

    VARIANT bad;
    VariantInit(&bad);
    bad.vt = 0x7F;
    EXPECT_EQ(VariantClear(&bad), DISP_E_BADVARTYPE);
}

TEST(SafeArray, ElementsAndDimensions) {
    // 2 x 3, the first dimension from 1, the second from 0; the last dimension's index first.
    const SAFEARRAYBOUND bounds[] = {{2, 1}, {3, 0}};
    SAFEARRAY* array = SafeArrayCreate(VT_I4, 2, bounds);
    ASSERT_NE(array, nullptr);
    for (bool put : {true, false}) // every element written, then every one read back
        for (LONG i = 1; i <= 2; ++i)
            for (LONG j = 0; j <= 2; ++j) {
                const LONG at[] = {j, i};
                int value = static_cast<int>(i * 10 + j), read = put ? value : -1;
                EXPECT_EQ(put ? SafeArrayPutElement(array, at, &value)
                              : SafeArrayGetElement(array, at, &read),
                          S_OK);
                EXPECT_EQ(read, value);
            }
    const LONG outside[] = {3, 1}, below[] = {0, 0};
    int value = 0;
    EXPECT_EQ(SafeArrayGetElement(array, outside, &value), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayPutElement(array, below, &value), DISP_E_BADINDEX);
    SafeArrayDestroy(array);
}

TEST(SafeArray, CopiesAreDeep) {
    SAFEARRAY* texts = SafeArrayCreateVector(VT_BSTR, 0, 2);
    const WCHAR hello[] = {'h', 'i', 0};
    BSTR source = SysAllocString(hello);
    const LONG first = 0;
    ASSERT_EQ(SafeArrayPutElement(texts, &first, source), S_OK);
    SysFreeString(source); // the array holds its own copy

    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(texts, &copy), S_OK);
    BSTR inCopy = static_cast<BSTR*>(copy->pvData)[0];
    EXPECT_NE(static_cast<BSTR*>(texts->pvData)[0], inCopy);
    EXPECT_EQ(text(inCopy), u"hi");
    EXPECT_EQ(static_cast<BSTR*>(copy->pvData)[1], nullptr);
    SafeArrayDestroy(texts);
    SafeArrayDestroy(copy);

    SAFEARRAY* bytes = byteArray("xyz", 5);
    ASSERT_EQ(SafeArrayCopy(bytes, &copy), S_OK);
    LONG lower = 0;
    SafeArrayGetLBound(copy, 1, &lower);
    EXPECT_EQ(lower, 5);
    EXPECT_EQ(arrayBytes(copy), "xyz");
    SafeArrayDestroy(bytes);
    SafeArrayDestroy(copy);
}

TEST(CComVariant, ByteArraysCopyAssignAndClear) {
    const std::string bytes("a\0b", 3);
    SAFEARRAY* array = byteArray(bytes);
    CComVariant first(array);
    SafeArrayDestroy(array);
    ASSERT_EQ(first.vt, VT_ARRAY | VT_UI1);
    CComVariant second(first), third;
    EXPECT_NE(second.parray, first.parray);
    third = second;
    third = third; // self-assignment keeps the value
    EXPECT_EQ(arrayBytes(third.parray), bytes);
    EXPECT_EQ(second.Clear(), S_OK);
    EXPECT_EQ(arrayBytes(first.parray), bytes);

    // A null array cannot be copied: the variant carries the failure.
    CComVariant failed(static_cast<const SAFEARRAY*>(nullptr));
    EXPECT_EQ(std::make_pair(failed.vt, failed.scode),
              std::make_pair(VARTYPE(VT_ERROR), E_INVALIDARG));

    VARIANT raw;
    VariantInit(&raw);
    EXPECT_EQ(first.Detach(&raw), S_OK);
    EXPECT_EQ(std::make_pair(first.vt, raw.vt),
              std::make_pair(VARTYPE(VT_EMPTY), VARTYPE(VT_ARRAY | VT_UI1)));
    CComVariant owner;
    EXPECT_EQ(owner.Attach(&raw), S_OK);
    EXPECT_EQ(std::make_pair(raw.vt, arrayBytes(owner.parray)),
              std::make_pair(VARTYPE(VT_EMPTY), bytes));
}

// Texts come from the ANSI code page; variants of different types differ.
TEST(CComVariant, TextsAndComparisons) {
    CComVariant t("t\xE9xt");
    EXPECT_EQ(std::make_pair(t.vt, text(t.bstrVal)),
              std::make_pair(VARTYPE(VT_BSTR), std::u16string(u"t\u00E9xt")));
    EXPECT_TRUE(CComVariant(t) == t && t != CComVariant("text"));
    EXPECT_TRUE(CComVariant(1) != CComVariant(1u));
    EXPECT_EQ(CComVariant(true).boolVal, VARIANT_TRUE);
    t = 7;
    EXPECT_EQ(std::make_pair(t.vt, t.lVal), std::make_pair(VARTYPE(VT_I4), LONG(7)));
}
