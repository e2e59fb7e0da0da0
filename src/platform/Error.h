#pragma once
// The one error type of the program: its text is what the user is shown.
#include <windows.h>

#include <cstdarg>
#include <stdexcept>
#include <string>

namespace cx {

class AppError : public std::runtime_error {
public:
    explicit AppError(const std::string& text) : std::runtime_error(text) {}
};

// printf-style formatting into a std::string (the texts of the language table
// carry %s, %d and %.2f placeholders).
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* fmt, va_list args);

// The system's message for a Win32 error code, without the trailing line break.
std::string SysErrorMessage(DWORD code);

// Throws AppError with the system's message for GetLastError().
[[noreturn]] void ThrowLastError();
[[noreturn]] void ThrowWin32(DWORD code);
// Throws AppError for a failed HRESULT, with the system's text for it.
void ThrowIfFailed(HRESULT hr);

}  // namespace cx
