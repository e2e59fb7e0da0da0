#pragma once
// ANSI <-> UTF-16 conversion and small text helpers. The conversions are for
// texts shown and read in the code page; whatever finds, opens or removes a
// file or key goes by its UTF-16 names and never through them, since a name
// the code page lacks comes back as another name.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cx {

std::wstring AnsiToWide(std::string_view s);
// Characters the code page lacks become "?", never a look-alike.
std::string WideToAnsi(std::wstring_view s);
// UTF-8 for files of ours that must keep every name as it is; nullopt for
// bytes that are no UTF-8.
std::string WideToUtf8(std::wstring_view s);
std::optional<std::wstring> Utf8ToWide(std::string_view s);
// True when the text survives the trip to the ANSI code page and back.
bool IsAnsiFaithful(std::wstring_view s);
// A BSTR may be null, meaning the empty text.
std::string BstrToAnsi(const wchar_t* bstr);

// Removes every character with a code of 32 or less from both ends.
std::string TrimControl(std::string_view s);
std::string Lower(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view s, std::string_view prefix);
// Replaces every occurrence, scanning left to right.
std::string ReplaceAll(std::string_view s, std::string_view from, std::string_view to);

// Ensures a trailing backslash (an empty text stays empty).
std::string IncludeTrailingBackslash(std::string_view dir);
// The part before the last backslash, with the backslash ("C:\a\b.exe" -> "C:\a\").
std::string ExtractFilePath(std::string_view path);
std::string ExtractFileName(std::string_view path);

// `s` with its %NAME% references to environment variables expanded. The text
// as given when it holds no "%", when expansion fails, or when the expanded
// text would be longer than maxChars.
std::string ExpandEnvironment(const std::string& s, size_t maxChars = 32767);

}  // namespace cx
