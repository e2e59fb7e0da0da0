#include "cleanup/RecordText.h"

#include <windows.h>

#include <cstdio>

#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Strings.h"

namespace cx::cleanup {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string EscapeField(std::wstring_view value) {
    std::string out;
    for (unsigned char c : WideToUtf8(value)) {
        if (c < 0x20 || c == 0x7F || c == '%') {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::optional<std::wstring> UnescapeField(std::string_view text) {
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            bytes += text[i];
            continue;
        }
        const int hi = i + 1 < text.size() ? HexValue(text[i + 1]) : -1;
        const int lo = i + 2 < text.size() ? HexValue(text[i + 2]) : -1;
        if (hi < 0 || lo < 0) return std::nullopt;
        bytes += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return Utf8ToWide(bytes);
}

void MakeFolders(const std::wstring& folder) {
    // Each level in turn; one that exists already is fine, as a folder.
    for (size_t at = folder.find(L'\\', 3); at != std::wstring::npos;
         at = folder.find(L'\\', at + 1)) {
        const std::wstring level = folder.substr(0, at);
        if (CreateDirectoryW(LongPathForApi(level).c_str(), nullptr)) continue;
        const DWORD attributes = GetFileAttributesW(LongPathForApi(level).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            throw AppError(WideToAnsi(level) + ": " + SysErrorMessage(GetLastError()));
    }
}

std::wstring WriteTimedRecord(const std::wstring& folder, const std::string& bytes,
                              const char* what) {
    MakeFolders(folder);
    SYSTEMTIME t{};
    GetLocalTime(&t);
    wchar_t stamp[32];
    swprintf(stamp, 32, L"%04u%02u%02u-%02u%02u%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
             t.wSecond);
    // Two records within a second get names in the order of their writing.
    for (int n = 1; n < 1000; ++n) {
        wchar_t name[48];
        swprintf(name, 48, L"%ls-%03d.txt", stamp, n);
        const std::wstring file = folder + name, next = file + L".new";
        if (GetFileAttributesW(LongPathForApi(file).c_str()) != INVALID_FILE_ATTRIBUTES) continue;
        DeleteFileW(LongPathForApi(next).c_str());
        WriteFileBytes(next, bytes, true);
        if (MoveFileExW(LongPathForApi(next).c_str(), LongPathForApi(file).c_str(),
                        MOVEFILE_WRITE_THROUGH))
            return file;
        const DWORD error = GetLastError();
        DeleteFileW(LongPathForApi(next).c_str());
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
            throw AppError(WideToAnsi(file) + ": " + SysErrorMessage(error));
    }
    throw AppError(WideToAnsi(folder) + ": too many " + what + " of this second.");
}

}  // namespace cx::cleanup
