#include "platform/Strings.h"

#include <oleauto.h>

#include <algorithm>

namespace cx {

std::wstring AnsiToWide(std::string_view s) {
    if (s.empty()) return {};
    int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
    return out;
}

std::string WideToAnsi(std::wstring_view s) {
    if (s.empty()) return {};
    // No best fit: it maps characters the code page lacks onto look-alikes, so a
    // fullwidth solidus would read as "/" and fullwidth dots as "..". A "?"
    // names nothing and is refused wherever a path is judged. Code pages that
    // take no flags (UTF-8 among them) convert every character faithfully.
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    int n = WideCharToMultiByte(CP_ACP, flags, s.data(), static_cast<int>(s.size()), nullptr, 0,
                                nullptr, nullptr);
    if (n == 0 && GetLastError() == ERROR_INVALID_FLAGS) {
        flags = 0;
        n = WideCharToMultiByte(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0,
                                nullptr, nullptr);
    }
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, flags, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

bool IsAnsiFaithful(std::wstring_view s) { return AnsiToWide(WideToAnsi(s)) == s; }

std::string BstrToAnsi(const wchar_t* bstr) {
    if (!bstr) return {};
    return WideToAnsi(std::wstring_view(bstr, SysStringLen(const_cast<BSTR>(bstr))));
}

std::string TrimControl(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
    return std::string(s.substr(b, e - b));
}

std::string Lower(std::string_view s) {
    std::string out(s);
    if (!out.empty()) CharLowerBuffA(out.data(), static_cast<DWORD>(out.size()));
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && Lower(a) == Lower(b);
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

std::string ReplaceAll(std::string_view s, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(s);
    std::string out;
    size_t pos = 0;
    for (;;) {
        size_t hit = s.find(from, pos);
        if (hit == std::string_view::npos) break;
        out.append(s.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
    out.append(s.substr(pos));
    return out;
}

std::string IncludeTrailingBackslash(std::string_view dir) {
    std::string out(dir);
    if (!out.empty() && out.back() != '\\') out.push_back('\\');
    return out;
}

std::string ExtractFilePath(std::string_view path) {
    size_t p = path.find_last_of("\\:");
    return p == std::string_view::npos ? std::string() : std::string(path.substr(0, p + 1));
}

std::string ExtractFileName(std::string_view path) {
    size_t p = path.find_last_of("\\:");
    return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

std::string ExpandEnvironment(const std::string& s, size_t maxChars) {
    if (s.find('%') == std::string::npos) return s;
    std::vector<char> buf(s.size() + 256);
    for (;;) {
        DWORD n = ExpandEnvironmentStringsA(s.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0 || n > maxChars + 1) return s;
        if (n <= buf.size()) return std::string(buf.data());
        buf.resize(n);
    }
}

std::string WideToUtf8(std::wstring_view s) {
    if (s.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n,
                            nullptr, nullptr);
    return out;
}

std::optional<std::wstring> Utf8ToWide(std::string_view s) {
    if (s.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s.data(), static_cast<int>(s.size()),
                                nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s.data(), static_cast<int>(s.size()),
                        out.data(), n);
    return out;
}

}  // namespace cx
