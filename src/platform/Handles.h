#pragma once
// One move-only owner for every kind of Win32 resource. A traits type names the
// handle type, the invalid value and the close call, so the validity test of
// each API family lives in its type and never at a call site.
#include <windows.h>
#include <oleauto.h>
#include <tlhelp32.h>

#include <utility>

namespace cx {

template <typename Traits>
class unique_resource {
public:
    using pointer = typename Traits::pointer;

    unique_resource() noexcept : h_(Traits::invalid()) {}
    explicit unique_resource(pointer h) noexcept : h_(h) {}
    unique_resource(unique_resource&& o) noexcept : h_(o.release()) {}
    unique_resource& operator=(unique_resource&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }
    unique_resource(const unique_resource&) = delete;
    unique_resource& operator=(const unique_resource&) = delete;
    ~unique_resource() { reset(); }

    pointer get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != Traits::invalid(); }

    void reset(pointer h = Traits::invalid()) noexcept {
        pointer old = std::exchange(h_, h);
        if (old != Traits::invalid()) Traits::close(old);
    }
    pointer release() noexcept { return std::exchange(h_, Traits::invalid()); }

    // For out-parameters: frees what is held and hands out the slot.
    pointer* put() noexcept {
        reset();
        return &h_;
    }

private:
    pointer h_;
};

namespace traits {
template <typename T, typename Close, Close CloseFn, T Invalid>
struct simple {
    using pointer = T;
    static pointer invalid() noexcept { return Invalid; }
    static void close(pointer h) noexcept { CloseFn(h); }
};

struct handle_null {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::CloseHandle(h); }
};
// CreateFile, FindFirstFile's sibling CreateToolhelp32Snapshot fail with INVALID_HANDLE_VALUE.
struct handle_invalid {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(pointer h) noexcept { ::CloseHandle(h); }
};
struct find {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(pointer h) noexcept { ::FindClose(h); }
};
struct hkey {
    using pointer = HKEY;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept {
        // Predefined roots are never closed by their owners.
        if (reinterpret_cast<ULONG_PTR>(h) < 0x80000000u) ::RegCloseKey(h);
    }
};
struct hmodule {
    using pointer = HMODULE;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::FreeLibrary(h); }
};
template <typename T>
struct gdi {
    using pointer = T;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::DeleteObject(h); }
};
struct hicon {
    using pointer = HICON;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::DestroyIcon(h); }
};
struct hmenu {
    using pointer = HMENU;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::DestroyMenu(h); }
};
struct memdc {
    using pointer = HDC;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::DeleteDC(h); }
};
struct bstr {
    using pointer = BSTR;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::SysFreeString(h); }
};
// Memory the system allocated for the caller: FormatMessage's buffer, and the
// texts of SHGetKnownFolderPath.
struct local_memory {
    using pointer = void*;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::LocalFree(h); }
};
struct cotaskmem_wstr {
    using pointer = wchar_t*;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::CoTaskMemFree(h); }
};
}  // namespace traits

using unique_handle = unique_resource<traits::handle_null>;
using unique_hfile = unique_resource<traits::handle_invalid>;
using unique_snapshot = unique_resource<traits::handle_invalid>;
using unique_hfind = unique_resource<traits::find>;
using unique_hkey = unique_resource<traits::hkey>;
using unique_hmodule = unique_resource<traits::hmodule>;
using unique_hbitmap = unique_resource<traits::gdi<HBITMAP>>;
using unique_hbrush = unique_resource<traits::gdi<HBRUSH>>;
using unique_hfont = unique_resource<traits::gdi<HFONT>>;
using unique_hrgn = unique_resource<traits::gdi<HRGN>>;
using unique_hicon = unique_resource<traits::hicon>;
using unique_hmenu = unique_resource<traits::hmenu>;
using unique_memdc = unique_resource<traits::memdc>;
using unique_bstr = unique_resource<traits::bstr>;
using unique_local = unique_resource<traits::local_memory>;
using unique_cotaskmem_wstr = unique_resource<traits::cotaskmem_wstr>;

// GetDC/ReleaseDC: the pair needs the window back.
class window_dc {
public:
    explicit window_dc(HWND hwnd) noexcept : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
    ~window_dc() {
        if (dc_) ::ReleaseDC(hwnd_, dc_);
    }
    window_dc(const window_dc&) = delete;
    window_dc& operator=(const window_dc&) = delete;
    HDC get() const noexcept { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// BeginPaint/EndPaint.
class paint_dc {
public:
    explicit paint_dc(HWND hwnd) noexcept : hwnd_(hwnd) { dc_ = ::BeginPaint(hwnd, &ps_); }
    ~paint_dc() { ::EndPaint(hwnd_, &ps_); }
    paint_dc(const paint_dc&) = delete;
    paint_dc& operator=(const paint_dc&) = delete;
    HDC get() const noexcept { return dc_; }
    const PAINTSTRUCT& ps() const noexcept { return ps_; }

private:
    HWND hwnd_;
    HDC dc_;
    PAINTSTRUCT ps_{};
};

// SelectObject that puts the previous object back.
class select_object {
public:
    select_object(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(::SelectObject(dc, obj)) {}
    ~select_object() {
        if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
    }
    select_object(const select_object&) = delete;
    select_object& operator=(const select_object&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace cx
