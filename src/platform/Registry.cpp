#include "platform/Registry.h"

#include "platform/Error.h"
#include "platform/Strings.h"

namespace cx::reg {

std::optional<Key> Key::Open(HKEY root, const std::string& path, REGSAM access) noexcept {
    HKEY h = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, access, &h) != ERROR_SUCCESS) return std::nullopt;
    return Key(h);
}

Key Key::Create(HKEY root, const std::string& path, REGSAM access) {
    HKEY h = nullptr;
    LONG rc = RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                              nullptr, &h, nullptr);
    if (rc != ERROR_SUCCESS) ThrowWin32(static_cast<DWORD>(rc));
    return Key(h);
}

std::optional<Key> Key::OpenSub(const std::string& name, REGSAM access) const noexcept {
    return Open(h_.get(), name, access);
}

std::vector<std::string> SubKeyNames(HKEY key) {
    // A key name has at most 255 characters, so one buffer fits every name and
    // no size query is needed first: under Wine every registry call is a round
    // trip to the wineserver, and a scan makes one listing per key.
    std::vector<std::string> names;
    char buf[512];
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof buf;
        LONG rc = RegEnumKeyExA(key, i, buf, &len, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) continue;  // longer than any valid name: pass it over
        if (rc != ERROR_SUCCESS) break;
        names.emplace_back(buf, len);
    }
    return names;
}

std::vector<std::wstring> SubKeyNamesW(HKEY key, const std::function<void()>& between) {
    std::vector<std::wstring> names;
    wchar_t buf[512];
    for (DWORD i = 0;; ++i) {
        DWORD len = 512;
        LONG rc = RegEnumKeyExW(key, i, buf, &len, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) continue;  // longer than any valid name: pass it over
        if (rc != ERROR_SUCCESS) break;
        names.emplace_back(buf, len);
        if (between) between();
    }
    return names;
}

std::vector<std::string> Key::SubKeyNames() const { return reg::SubKeyNames(h_.get()); }

std::vector<Value> Key::Values() const {
    std::vector<Value> values;
    DWORD count = 0, maxName = 0, maxData = 0;
    if (RegQueryInfoKeyA(h_.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                         &maxName, &maxData, nullptr, nullptr) != ERROR_SUCCESS)
        return values;
    std::vector<char> name(maxName + 2);
    std::vector<BYTE> data(maxData + 2);
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = static_cast<DWORD>(name.size());
        DWORD dataLen = static_cast<DWORD>(data.size());
        DWORD type = 0;
        LONG rc = RegEnumValueA(h_.get(), i, name.data(), &nameLen, nullptr, &type, data.data(),
                                &dataLen);
        if (rc == ERROR_MORE_DATA) {
            // A value grew between the query and the read: make room and retry it.
            name.resize(name.size() * 2 + 256);
            data.resize(std::max<size_t>(data.size() * 2, dataLen + 2));
            --i;
            continue;
        }
        if (rc != ERROR_SUCCESS) break;
        values.push_back(Value{std::string(name.data(), nameLen), type,
                               std::vector<BYTE>(data.begin(), data.begin() + dataLen)});
    }
    return values;
}

std::optional<Value> Key::RawValue(const std::string& name) const {
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(h_.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    for (int attempt = 0; attempt < 4; ++attempt) {
        std::vector<BYTE> data(size + 2);
        DWORD got = static_cast<DWORD>(data.size());
        LONG rc = RegQueryValueExA(h_.get(), name.c_str(), nullptr, &type, data.data(), &got);
        if (rc == ERROR_SUCCESS) {
            data.resize(got);
            return Value{name, type, std::move(data)};
        }
        if (rc != ERROR_MORE_DATA) return std::nullopt;
        size = got;
    }
    return std::nullopt;
}

std::string StringFromData(const std::vector<BYTE>& data) {
    std::string s(reinterpret_cast<const char*>(data.data()), data.size());
    size_t nul = s.find('\0');
    if (nul != std::string::npos) s.resize(nul);
    return s;
}

std::optional<std::string> Key::GetString(const std::string& name) const {
    auto v = RawValue(name);
    if (!v || (v->type != REG_SZ && v->type != REG_EXPAND_SZ)) return std::nullopt;
    return StringFromData(v->data);
}

std::optional<DWORD> Key::GetDword(const std::string& name) const {
    auto v = RawValue(name);
    if (!v || v->data.size() < 4) return std::nullopt;
    if (v->type != REG_DWORD && !(v->type == REG_BINARY && v->data.size() == 4))
        return std::nullopt;
    DWORD d;
    memcpy(&d, v->data.data(), 4);
    return d;
}

bool Key::HasValue(const std::string& name) const {
    return RegQueryValueExA(h_.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

void Key::SetRaw(const std::string& name, DWORD type, const void* data, size_t size) {
    LONG rc = RegSetValueExA(h_.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data),
                             static_cast<DWORD>(size));
    if (rc != ERROR_SUCCESS) ThrowWin32(static_cast<DWORD>(rc));
}

void Key::SetString(const std::string& name, const std::string& value, DWORD type) {
    SetRaw(name, type, value.c_str(), value.size() + 1);
}

void Key::SetDword(const std::string& name, DWORD value) {
    SetRaw(name, REG_DWORD, &value, sizeof value);
}

void Key::SetBinary(const std::string& name, const void* data, size_t size) {
    SetRaw(name, REG_BINARY, data, size);
}

bool Key::DeleteValue(const std::string& name) noexcept {
    return RegDeleteValueA(h_.get(), name.c_str()) == ERROR_SUCCESS;
}

std::vector<std::wstring> ValueNamesW(HKEY key) {
    std::vector<std::wstring> names;
    DWORD count = 0, maxName = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                         &maxName, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return names;
    std::vector<wchar_t> buf(maxName + 2);
    for (DWORD i = 0;; ++i) {
        DWORD len = static_cast<DWORD>(buf.size());
        LONG rc = RegEnumValueW(key, i, buf.data(), &len, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) {
            buf.resize(buf.size() * 2 + 256);
            --i;
            continue;
        }
        if (rc != ERROR_SUCCESS) break;
        names.emplace_back(buf.data(), len);
    }
    return names;
}

LONG OpenNoFollow(HKEY parent, const std::string& name, REGSAM access, unique_hkey& out) noexcept {
    out.reset();
    return RegOpenKeyExA(parent, name.c_str(), REG_OPTION_OPEN_LINK, access, out.put());
}

LONG OpenNoFollow(HKEY parent, const std::wstring& name, REGSAM access, unique_hkey& out) noexcept {
    out.reset();
    return RegOpenKeyExW(parent, name.c_str(), REG_OPTION_OPEN_LINK, access, out.put());
}

bool IsLink(HKEY key) noexcept {
    DWORD type = 0;
    return RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) ==
               ERROR_SUCCESS &&
           type == REG_LINK;
}

namespace {

using NtDeleteKeyFn = LONG(WINAPI*)(HANDLE);

// Deleting through the key's own handle is the only way to delete a link
// itself: RegDeleteKey opens the name again, and that open follows the link.
bool DeleteOpenKey(HKEY key) noexcept {
    static const NtDeleteKeyFn del = reinterpret_cast<NtDeleteKeyFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("ntdll"), "NtDeleteKey")));
    return del && del(key) == 0;
}

// By UTF-16 names: an 8-bit listing turns some names into look-alikes of others
// ("Ｔarget" reads as "Target"), and the open that follows would reach the other key.
bool DeleteKeyTreeAt(HKEY parent, const std::wstring& name, int depth) noexcept {
    if (name.empty() || name.find(L'\\') != std::wstring::npos) return false;
    // Full access, as a key that may not be changed must not be taken apart:
    // what cannot be opened so stays whole, with everything below it.
    unique_hkey key;
    if (OpenNoFollow(parent, name, KEY_ALL_ACCESS, key) != ERROR_SUCCESS) return false;
    bool ok = true;
    if (!IsLink(key.get())) {
        // The registry nests at most 512 levels; deeper is a loop we must not follow.
        if (depth > 512) return false;
        std::vector<std::wstring> names;
        try {
            names = SubKeyNamesW(key.get());
        } catch (...) {
            return false;
        }
        for (auto it = names.rbegin(); it != names.rend(); ++it)
            ok = DeleteKeyTreeAt(key.get(), *it, depth + 1) && ok;
    }
    return DeleteOpenKey(key.get()) && ok;
}

}  // namespace

bool DeleteKeyTree(HKEY parent, const std::wstring& name) noexcept {
    return DeleteKeyTreeAt(parent, name, 0);
}

bool DeleteKeyTree(HKEY parent, const std::string& name) noexcept {
    // A name given in 8 bits is taken as written; one holding "\" names no key.
    if (name.find('\\') != std::string::npos) return false;
    try {
        return DeleteKeyTreeAt(parent, AnsiToWide(name), 0);
    } catch (...) {
        return false;
    }
}

bool DeleteTree(HKEY root, const std::string& path) noexcept {
    std::string parentPath, name = path;
    while (!name.empty() && name.back() == '\\') name.pop_back();
    size_t cut = name.rfind('\\');
    if (cut != std::string::npos) {
        parentPath = name.substr(0, cut);
        name = name.substr(cut + 1);
    }
    if (parentPath.empty()) return DeleteKeyTree(root, name);
    unique_hkey parent;
    if (RegOpenKeyExA(root, parentPath.c_str(), 0, KEY_READ, parent.put()) != ERROR_SUCCESS)
        return false;
    return DeleteKeyTree(parent.get(), name);
}

}  // namespace cx::reg
