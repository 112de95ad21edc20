#pragma once
// Owners of kernel handles and memory. Non-copyable, movable, released once.
#include <windows.h>

#include <utility>

namespace fw {

template <class H, class Traits>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(H handle) : m_handle(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(std::exchange(other.m_handle, Traits::Invalid())) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset(std::exchange(other.m_handle, Traits::Invalid()));
        }
        return *this;
    }
    ~UniqueHandle() { Reset(); }

    void Reset(H handle = Traits::Invalid()) {
        if (m_handle != Traits::Invalid()) {
            Traits::Close(m_handle);
        }
        m_handle = handle;
    }
    H Release() { return std::exchange(m_handle, Traits::Invalid()); }
    H Get() const { return m_handle; }
    bool IsValid() const { return m_handle != Traits::Invalid(); }

private:
    H m_handle = Traits::Invalid();
};

struct FileTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct FindTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::FindClose(h); }
};
// Events, threads and the other kernel objects that CreateXxx returns null for on failure.
struct KernelTraits {
    static HANDLE Invalid() { return nullptr; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct ModuleTraits {
    static HMODULE Invalid() { return nullptr; }
    static void Close(HMODULE h) { ::FreeLibrary(h); }
};
struct LocalTraits {
    static HLOCAL Invalid() { return nullptr; }
    static void Close(HLOCAL h) { ::LocalFree(h); }
};
struct GlobalTraits {
    static HGLOBAL Invalid() { return nullptr; }
    static void Close(HGLOBAL h) { ::GlobalFree(h); }
};

using FileHandle = UniqueHandle<HANDLE, FileTraits>;
using FindHandle = UniqueHandle<HANDLE, FindTraits>;
using KernelHandle = UniqueHandle<HANDLE, KernelTraits>;
using ModuleHandle = UniqueHandle<HMODULE, ModuleTraits>;
using LocalMemory = UniqueHandle<HLOCAL, LocalTraits>;
using GlobalMemory = UniqueHandle<HGLOBAL, GlobalTraits>;

// Locks a local memory handle for the lifetime of the object.
class LocalLock {
public:
    explicit LocalLock(HLOCAL handle) : m_handle(handle), m_pData(handle ? ::LocalLock(handle) : nullptr) {}
    LocalLock(const LocalLock&) = delete;
    LocalLock& operator=(const LocalLock&) = delete;
    ~LocalLock() {
        if (m_pData != nullptr) {
            ::LocalUnlock(m_handle);
        }
    }
    void* Get() const { return m_pData; }

private:
    HLOCAL m_handle;
    void* m_pData;
};

}  // namespace fw
