// Owning handles for both programs: each closes what it holds when it goes out
// of scope, can be moved but not copied, and hands out the raw handle for the
// system calls. Header only, so neither program links anything for it.
//
//   OwnedHandle    kernel objects (events, threads, processes, tokens)
//   OwnedFile      CreateFile results (INVALID_HANDLE_VALUE when empty)
//   OwnedGdi       pens, brushes, fonts, bitmaps
//   OwnedLocal     blocks from LocalAlloc (and from calls that allocate with it)
//   ComPtr<T>      COM interfaces, released once
//   RegistryKey    an open registry key and the few value calls the programs use
#pragma once

#include <windows.h>

#include <string.h>

template <typename Traits> class Owned {
public:
    typedef typename Traits::Type Type;
    Owned() : value(Traits::Empty()) {}
    explicit Owned(Type v) : value(v) {}
    Owned(Owned &&other) : value(other.Release()) {}
    Owned &operator=(Owned &&other)
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    Owned(const Owned &) = delete;
    Owned &operator=(const Owned &) = delete;
    ~Owned() { Reset(); }

    Type Get() const { return value; }
    explicit operator bool() const { return value != Traits::Empty(); }
    // Closes what is held and gives the place for a call that opens into it.
    Type *Put()
    {
        Reset();
        return &value;
    }
    // Gives up ownership without closing.
    Type Release()
    {
        Type v = value;
        value = Traits::Empty();
        return v;
    }
    void Reset(Type v = Traits::Empty())
    {
        if (value != Traits::Empty())
            Traits::Close(value);
        value = v;
    }

private:
    Type value;
};

struct KernelHandleTraits {
    typedef HANDLE Type;
    static Type Empty() { return NULL; }
    static void Close(Type h) { CloseHandle(h); }
};
struct FileHandleTraits {
    typedef HANDLE Type;
    static Type Empty() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { CloseHandle(h); }
};
struct GdiObjectTraits {
    typedef HGDIOBJ Type;
    static Type Empty() { return NULL; }
    static void Close(Type h) { DeleteObject(h); }
};
struct LocalBlockTraits {
    typedef HLOCAL Type;
    static Type Empty() { return NULL; }
    static void Close(Type h) { LocalFree(h); }
};
struct RegistryKeyTraits {
    typedef HKEY Type;
    static Type Empty() { return NULL; }
    static void Close(Type h) { RegCloseKey(h); }
};

typedef Owned<KernelHandleTraits> OwnedHandle;
typedef Owned<FileHandleTraits> OwnedFile;
typedef Owned<GdiObjectTraits> OwnedGdi;
typedef Owned<LocalBlockTraits> OwnedLocal;

// A COM interface pointer that is released once, when it goes or is reset.
template <typename T> class ComPtr {
public:
    ComPtr() : p(NULL) {}
    // Takes over a reference the caller already holds.
    explicit ComPtr(T *take) : p(take) {}
    ComPtr(ComPtr &&other) : p(other.Detach()) {}
    ComPtr &operator=(ComPtr &&other)
    {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }
    ComPtr(const ComPtr &) = delete;
    ComPtr &operator=(const ComPtr &) = delete;
    ~ComPtr() { Reset(); }

    T *Get() const { return p; }
    T *operator->() const { return p; }
    explicit operator bool() const { return p != NULL; }
    // Releases what is held and gives the place for a call that returns a reference.
    T **Put()
    {
        Reset();
        return &p;
    }
    void **PutVoid() { return reinterpret_cast<void **>(Put()); }
    T *Detach()
    {
        T *held = p;
        p = NULL;
        return held;
    }
    // Releases the reference held (if any) and takes over take.
    void Reset(T *take = NULL)
    {
        T *old = p;
        p = take;
        if (old)
            old->Release();
    }

private:
    T *p;
};

// One open registry key. The calls answer ERROR_SUCCESS or the system's error.
class RegistryKey {
public:
    RegistryKey() = default;
    RegistryKey(RegistryKey &&) = default;
    RegistryKey &operator=(RegistryKey &&) = default;

    HKEY Get() const { return key.Get(); }
    HKEY *Put() { return key.Put(); }
    explicit operator bool() const { return (bool)key; }
    void Close() { key.Reset(); }

    // Closes a key held and opens path below root.
    LONG Open(HKEY root, const char *path, REGSAM access)
    {
        return Kept(RegOpenKeyExA(root, path, 0, access, key.Put()));
    }
    // Closes a key held and opens or makes path below root (kept over a restart).
    LONG Create(HKEY root, const char *path, REGSAM access, DWORD *disposition = NULL)
    {
        return Kept(
            RegCreateKeyExA(root, path, 0, NULL, REG_OPTION_NON_VOLATILE, access, NULL, key.Put(), disposition));
    }
    // A REG_SZ value whose length counts the terminating NUL.
    LONG SetString(const char *name, const char *text)
    {
        if (!key)
            return ERROR_INVALID_HANDLE;
        return RegSetValueExA(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text),
                              (DWORD)strlen(text) + 1);
    }
    LONG SetNumber(const char *name, DWORD number)
    {
        if (!key)
            return ERROR_INVALID_HANDLE;
        return RegSetValueExA(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&number), sizeof number);
    }

private:
    // A call that failed may have left anything in the key's place.
    LONG Kept(LONG result)
    {
        if (result != ERROR_SUCCESS)
            key.Release();
        return result;
    }
    Owned<RegistryKeyTraits> key;
};
