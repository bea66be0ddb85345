#include "common/owned.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

// Counts the references taken and given back.
struct Counted : IUnknown {
    LONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
};

bool IsOpenHandle(HANDLE h)
{
    DWORD flags;
    return GetHandleInformation(h, &flags) != 0;
}

TEST(Owned, AKernelHandleIsClosedOnceWhereverItEnds)
{
    HANDLE raw = CreateEventA(NULL, TRUE, FALSE, NULL);
    ASSERT_TRUE(raw != NULL);
    {
        OwnedHandle first(raw);
        OwnedHandle second(std::move(first));
        EXPECT_FALSE(first);
        EXPECT_EQ(raw, second.Get());
        EXPECT_TRUE(IsOpenHandle(raw));
    }
    EXPECT_FALSE(IsOpenHandle(raw)) << "closed when its owner went";

    OwnedHandle held(CreateEventA(NULL, TRUE, FALSE, NULL));
    HANDLE before = held.Get();
    HANDLE *place = held.Put();
    EXPECT_FALSE(IsOpenHandle(before)) << "Put closes what was held";
    *place = CreateEventA(NULL, TRUE, FALSE, NULL);
    HANDLE kept = held.Release();
    EXPECT_FALSE(held);
    EXPECT_TRUE(IsOpenHandle(kept)) << "Release gives it up unclosed";
    CloseHandle(kept);
}

TEST(Owned, AFileThatDidNotOpenIsEmpty)
{
    OwnedFile file(CreateFileA("Z:\\no\\such\\file", GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL));
    EXPECT_FALSE(file);
    OwnedGdi pen(CreatePen(PS_SOLID, 1, RGB(1, 2, 3)));
    EXPECT_TRUE(pen);
}

TEST(ComPtr, EachReferenceIsReleasedOnce)
{
    Counted object;
    {
        ComPtr<Counted> a(&object);
        ComPtr<Counted> b;
        b = std::move(a);
        EXPECT_EQ(1, object.refs);
        b.Reset(&object); // the same object again: the reference held goes, the new one stays
        object.AddRef();
        EXPECT_EQ(1, object.refs);
    }
    EXPECT_EQ(0, object.refs);

    object.refs = 1;
    ComPtr<Counted> c(&object);
    Counted **place = c.Put();
    EXPECT_EQ(0, object.refs) << "Put releases first";
    EXPECT_EQ(NULL, *place);
    object.refs = 1;
    c.Reset(&object);
    EXPECT_EQ(&object, c.Detach());
    EXPECT_EQ(1, object.refs);
}

TEST(RegistryKey, OpensMakesWritesAndCloses)
{
    const char path[] = "Software\\Parallaxia owned_test";
    RegDeleteTreeA(HKEY_CURRENT_USER, path);
    RegistryKey key;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.Open(HKEY_CURRENT_USER, path, KEY_READ));
    EXPECT_FALSE(key);
    EXPECT_EQ(ERROR_INVALID_HANDLE, key.SetString("text", "x"));
    DWORD disposition = 0;
    ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, path, KEY_ALL_ACCESS, &disposition));
    EXPECT_EQ((DWORD)REG_CREATED_NEW_KEY, disposition);
    EXPECT_EQ(ERROR_SUCCESS, key.SetString("text", "hello"));
    EXPECT_EQ(ERROR_SUCCESS, key.SetNumber("number", 1083));
    key.Close();
    EXPECT_FALSE(key);

    char text[16] = "";
    DWORD size = sizeof text, type = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_CURRENT_USER, path, "text", RRF_RT_ANY, &type, text, &size));
    EXPECT_EQ((DWORD)REG_SZ, type);
    EXPECT_EQ(6u, size) << "the length counts the NUL";
    EXPECT_EQ(std::string("hello"), text);
    DWORD number = 0;
    size = sizeof number;
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_CURRENT_USER, path, "number", RRF_RT_REG_DWORD, NULL, &number, &size));
    EXPECT_EQ(1083u, number);
    RegDeleteTreeA(HKEY_CURRENT_USER, path);
}

} // namespace
