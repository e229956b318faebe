#pragma once
// Owners for the system resources the program acquires: each releases its resource exactly once,
// on every path out of the scope that acquired it.

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <utility>

namespace zarvo {

template <typename Traits> class TOwned {
public:
    using Type = typename Traits::Type;

    TOwned() noexcept = default;
    explicit TOwned(Type value) noexcept : value_(value) {}
    TOwned(const TOwned&) = delete;
    TOwned& operator=(const TOwned&) = delete;
    TOwned(TOwned&& other) noexcept : value_(other.Release()) {}
    TOwned& operator=(TOwned&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    ~TOwned() { Reset(); }

    Type Get() const noexcept { return value_; }
    bool Valid() const noexcept { return Traits::IsValid(value_); }
    explicit operator bool() const noexcept { return Valid(); }

    // For APIs that return the resource through an out-parameter.
    Type* Receive() noexcept {
        Reset();
        return &value_;
    }
    Type Release() noexcept { return std::exchange(value_, Traits::Empty()); }
    void Reset(Type value = Traits::Empty()) noexcept {
        Type old = std::exchange(value_, value);
        if (Traits::IsValid(old))
            Traits::Close(old);
    }

private:
    Type value_ = Traits::Empty();
};

struct HandleTraits {
    using Type = HANDLE;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { CloseHandle(h); }
};

struct FindHandleTraits {
    using Type = HANDLE;
    static Type Empty() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { FindClose(h); }
};

struct ModuleTraits {
    using Type = HMODULE;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { FreeLibrary(h); }
};

struct RegKeyTraits {
    using Type = HKEY;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { RegCloseKey(h); }
};

struct ItemIDListTraits {
    using Type = LPITEMIDLIST;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type p) { return p != nullptr; }
    static void Close(Type p) { CoTaskMemFree(p); }
};

// A view of a file mapping (MapViewOfFile).
struct FileViewTraits {
    using Type = const void*;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type view) { return view != nullptr; }
    static void Close(Type view) { UnmapViewOfFile(view); }
};

// Memory the system allocated for the caller with LocalAlloc: security descriptors and SIDs made from
// text, message texts, split command lines.
struct LocalMemoryTraits {
    using Type = HLOCAL;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type memory) { return memory != nullptr; }
    static void Close(Type memory) { LocalFree(memory); }
};

// A boundary descriptor (CreateBoundaryDescriptorW): who may make or open a private namespace. Memory of
// the process, not a kernel handle.
struct BoundaryDescriptorTraits {
    using Type = HANDLE;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type descriptor) { return descriptor != nullptr; }
    static void Close(Type descriptor) { DeleteBoundaryDescriptor(descriptor); }
};

// A private namespace (CreatePrivateNamespaceW, OpenPrivateNamespaceW). Closed, never destroyed: other
// processes may hold it too, and it goes with its last handle.
struct PrivateNamespaceTraits {
    using Type = HANDLE;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ClosePrivateNamespace(h, 0); }
};

using THandle = TOwned<HandleTraits>;
using TBoundaryDescriptor = TOwned<BoundaryDescriptorTraits>;
using TPrivateNamespace = TOwned<PrivateNamespaceTraits>;
using TFindHandle = TOwned<FindHandleTraits>;
using TModule = TOwned<ModuleTraits>;
using TRegKey = TOwned<RegKeyTraits>;
using TItemIDList = TOwned<ItemIDListTraits>;
using TFileView = TOwned<FileViewTraits>;
using TLocalMemory = TOwned<LocalMemoryTraits>;

// COM for the current thread, for the lifetime of the object. Uninitialises only what it initialised.
class TComInit {
public:
    explicit TComInit(DWORD model = COINIT_APARTMENTTHREADED) noexcept
        : result_(CoInitializeEx(nullptr, model)) {}
    TComInit(const TComInit&) = delete;
    TComInit& operator=(const TComInit&) = delete;
    ~TComInit() {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }
    bool Succeeded() const noexcept { return SUCCEEDED(result_); }
    HRESULT Result() const noexcept { return result_; }

private:
    HRESULT result_;
};

} // namespace zarvo
