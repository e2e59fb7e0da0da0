#include "platform/Error.h"

#include "platform/Handles.h"

#include <vector>

namespace cx {

std::string FormatV(const char* fmt, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int n = vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    if (n <= 0) return {};
    std::string out(static_cast<size_t>(n), '\0');
    vsnprintf(out.data(), out.size() + 1, fmt, args);
    return out;
}

std::string Format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string s = FormatV(fmt, args);
    va_end(args);
    return s;
}

std::string SysErrorMessage(DWORD code) {
    char* buf = nullptr;
    DWORD n = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&buf), 0, nullptr);
    unique_local owned(buf);
    std::string text;
    if (n && buf) text.assign(buf, n);
    while (!text.empty() &&
           (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    if (text.empty()) text = Format("System error, code: %lu", static_cast<unsigned long>(code));
    return text;
}

void ThrowWin32(DWORD code) { throw AppError(SysErrorMessage(code)); }

void ThrowLastError() { ThrowWin32(GetLastError()); }

void ThrowIfFailed(HRESULT hr) {
    if (FAILED(hr)) throw AppError(SysErrorMessage(static_cast<DWORD>(hr)));
}

}  // namespace cx
