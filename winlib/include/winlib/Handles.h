// Move-only owners for the handles and objects that Win32 hands out, one
// type per acquire/release pair. Releasing keeps GetLastError intact, so an
// owner going out of scope never hides the error a caller is about to read.
// What gives up ownership (release, TakeProcessHandle) or hands out the
// place to fill (receive) is [[nodiscard]]: dropping its result leaks the
// handle or fills nothing.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

namespace winlib {

// Restores the thread's last-error code when it goes out of scope.
class LastErrorKeeper {
public:
    LastErrorKeeper() : m_error(::GetLastError()) {}
    ~LastErrorKeeper() { ::SetLastError(m_error); }
    LastErrorKeeper(const LastErrorKeeper&) = delete;
    LastErrorKeeper& operator=(const LastErrorKeeper&) = delete;

private:
    DWORD m_error;
};

// Owner of one value of Traits::Type, released with Traits::Close.
template <typename Traits>
class ScopedGeneric {
public:
    using Type = typename Traits::Type;

    ScopedGeneric() = default;
    explicit ScopedGeneric(Type value) : m_value(value) {}
    ~ScopedGeneric() { reset(); }

    ScopedGeneric(ScopedGeneric&& other) noexcept : m_value(other.release()) {}
    ScopedGeneric& operator=(ScopedGeneric&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ScopedGeneric(const ScopedGeneric&) = delete;
    ScopedGeneric& operator=(const ScopedGeneric&) = delete;

    Type get() const { return m_value; }
    bool valid() const { return Traits::IsValid(m_value); }
    explicit operator bool() const { return valid(); }

    // Gives up ownership without releasing.
    [[nodiscard]] Type release() { return std::exchange(m_value, Traits::Null()); }

    void reset(Type value = Traits::Null())
    {
        if (Traits::IsValid(m_value) && m_value != value) {
            LastErrorKeeper keep;
            Traits::Close(m_value);
        }
        m_value = value;
    }

private:
    Type m_value = Traits::Null();
};

struct HandleTraits {  // CreateFile, CreateThread, CreateProcess, ...
    using Type = HANDLE;
    static Type Null() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { ::CloseHandle(h); }
};
struct FindHandleTraits {  // FindFirstFile
    using Type = HANDLE;
    static Type Null() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { ::FindClose(h); }
};
struct RegKeyTraits {  // RegOpenKeyEx, RegCreateKeyEx
    using Type = HKEY;
    static Type Null() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::RegCloseKey(h); }
};
struct LocalMemTraits {  // LocalAlloc, FormatMessage's allocated buffer
    using Type = HLOCAL;
    static Type Null() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::LocalFree(h); }
};
struct MemDCTraits {  // CreateCompatibleDC, CreateDC
    using Type = HDC;
    static Type Null() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::DeleteDC(h); }
};
template <typename T>
struct GdiObjectTraits {  // CreateBitmap, CreateSolidBrush, CreateFont, ...
    using Type = T;
    static Type Null() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::DeleteObject(h); }
};

using ScopedHandle = ScopedGeneric<HandleTraits>;
using ScopedFindHandle = ScopedGeneric<FindHandleTraits>;
using ScopedRegKey = ScopedGeneric<RegKeyTraits>;
using ScopedLocalMem = ScopedGeneric<LocalMemTraits>;
using ScopedMemDC = ScopedGeneric<MemDCTraits>;
using ScopedBitmap = ScopedGeneric<GdiObjectTraits<HBITMAP>>;
using ScopedBrush = ScopedGeneric<GdiObjectTraits<HBRUSH>>;
using ScopedFont = ScopedGeneric<GdiObjectTraits<HFONT>>;

// A device context borrowed from a window with GetDC, given back with
// ReleaseDC.
class ScopedGetDC {
public:
    explicit ScopedGetDC(HWND hwnd) : m_hwnd(hwnd), m_hdc(::GetDC(hwnd)) {}
    ~ScopedGetDC()
    {
        if (m_hdc != nullptr) {
            LastErrorKeeper keep;
            ::ReleaseDC(m_hwnd, m_hdc);
        }
    }
    ScopedGetDC(const ScopedGetDC&) = delete;
    ScopedGetDC& operator=(const ScopedGetDC&) = delete;
    HDC get() const { return m_hdc; }

private:
    HWND m_hwnd;
    HDC m_hdc;
};

// Selects an object into a device context and selects the previous one
// back when it goes out of scope.
class ScopedSelectObject {
public:
    ScopedSelectObject(HDC hdc, HGDIOBJ object)
        : m_hdc(hdc), m_old(object != nullptr ? ::SelectObject(hdc, object) : nullptr) {}
    ~ScopedSelectObject()
    {
        if (m_old != nullptr && m_old != HGDI_ERROR) {
            LastErrorKeeper keep;
            ::SelectObject(m_hdc, m_old);
        }
    }
    ScopedSelectObject(const ScopedSelectObject&) = delete;
    ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

private:
    HDC m_hdc;
    HGDIOBJ m_old;
};

// A COM interface pointer, released when it goes out of scope.
template <typename T>
class ScopedComPtr {
public:
    ScopedComPtr() = default;
    ~ScopedComPtr() { reset(); }
    ScopedComPtr(ScopedComPtr&& other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}
    ScopedComPtr& operator=(ScopedComPtr&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_ptr = std::exchange(other.m_ptr, nullptr);
        }
        return *this;
    }
    ScopedComPtr(const ScopedComPtr&) = delete;
    ScopedComPtr& operator=(const ScopedComPtr&) = delete;

    T* get() const { return m_ptr; }
    T* operator->() const { return m_ptr; }
    explicit operator bool() const { return m_ptr != nullptr; }

    // For functions that return a new reference through an out pointer.
    [[nodiscard]] T** receive()
    {
        reset();
        return &m_ptr;
    }
    [[nodiscard]] void** receive_void() { return reinterpret_cast<void**>(receive()); }

    void reset()
    {
        if (m_ptr != nullptr) {
            LastErrorKeeper keep;
            std::exchange(m_ptr, nullptr)->Release();
        }
    }

private:
    T* m_ptr = nullptr;
};

// CoInitialize for the life of a scope; balanced only when it succeeded.
class ScopedComInit {
public:
    explicit ScopedComInit(DWORD model = COINIT_APARTMENTTHREADED)
        : m_hr(::CoInitializeEx(nullptr, model)) {}
    ~ScopedComInit()
    {
        if (SUCCEEDED(m_hr))
            ::CoUninitialize();
    }
    ScopedComInit(const ScopedComInit&) = delete;
    ScopedComInit& operator=(const ScopedComInit&) = delete;
    bool succeeded() const { return SUCCEEDED(m_hr); }

private:
    HRESULT m_hr;
};

// The two handles CreateProcess returns (the process and its first thread),
// closed together. receive() hands CreateProcess the structure to fill.
class ScopedProcessInformation {
public:
    ScopedProcessInformation() = default;
    // Takes ownership of both handles of a filled structure.
    explicit ScopedProcessInformation(const PROCESS_INFORMATION& info) : m_info(info) {}
    ~ScopedProcessInformation() { reset(); }
    ScopedProcessInformation(ScopedProcessInformation&& other) noexcept : m_info(other.Surrender()) {}
    ScopedProcessInformation& operator=(ScopedProcessInformation&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_info = other.Surrender();
        }
        return *this;
    }
    ScopedProcessInformation(const ScopedProcessInformation&) = delete;
    ScopedProcessInformation& operator=(const ScopedProcessInformation&) = delete;

    // Closes what is held and returns the cleared structure to be filled.
    [[nodiscard]] PROCESS_INFORMATION* receive()
    {
        reset();
        return &m_info;
    }

    bool valid() const { return m_info.hProcess != nullptr || m_info.hThread != nullptr; }
    HANDLE process_handle() const { return m_info.hProcess; }
    HANDLE thread_handle() const { return m_info.hThread; }
    DWORD process_id() const { return m_info.dwProcessId; }
    DWORD thread_id() const { return m_info.dwThreadId; }

    // Closes the thread handle and gives up the process handle to the
    // caller, who then owns it.
    [[nodiscard]] HANDLE TakeProcessHandle()
    {
        const PROCESS_INFORMATION info = Surrender();
        if (info.hThread != nullptr) {
            LastErrorKeeper keep;
            ::CloseHandle(info.hThread);
        }
        return info.hProcess;
    }

    void reset()
    {
        const PROCESS_INFORMATION info = Surrender();
        LastErrorKeeper keep;
        if (info.hThread != nullptr)
            ::CloseHandle(info.hThread);
        if (info.hProcess != nullptr)
            ::CloseHandle(info.hProcess);
    }

private:
    PROCESS_INFORMATION Surrender() { return std::exchange(m_info, PROCESS_INFORMATION{}); }

    PROCESS_INFORMATION m_info = {};
};

// Memory of the COM task allocator (CoTaskMemAlloc, or handed out by the
// shell, as SHBrowseForFolder's item list), freed with CoTaskMemFree,
// which releases what the shell's IMalloc (SHGetMalloc) allocated.
template <typename T>
class ScopedCoMem {
public:
    ScopedCoMem() = default;
    explicit ScopedCoMem(T* ptr) : m_ptr(ptr) {}
    ~ScopedCoMem() { reset(); }
    ScopedCoMem(ScopedCoMem&& other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}
    ScopedCoMem& operator=(ScopedCoMem&& other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.m_ptr, nullptr));
        return *this;
    }
    ScopedCoMem(const ScopedCoMem&) = delete;
    ScopedCoMem& operator=(const ScopedCoMem&) = delete;

    T* get() const { return m_ptr; }
    explicit operator bool() const { return m_ptr != nullptr; }
    [[nodiscard]] T** receive()
    {
        reset();
        return &m_ptr;
    }
    [[nodiscard]] T* release() { return std::exchange(m_ptr, nullptr); }
    void reset(T* ptr = nullptr)
    {
        if (m_ptr != nullptr && m_ptr != ptr) {
            LastErrorKeeper keep;
            ::CoTaskMemFree(m_ptr);
        }
        m_ptr = ptr;
    }

private:
    T* m_ptr = nullptr;
};

}  // namespace winlib
