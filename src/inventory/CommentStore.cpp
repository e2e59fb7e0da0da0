#include "inventory/CommentStore.h"

#include "platform/Error.h"
#include "platform/RegPath.h"
#include "platform/Registry.h"

namespace cx::inv {

namespace {

// A NUL would end the name at the registry call, so "A\0B" would land on A's note.
bool AcceptableName(const std::string& name) {
    return !name.empty() && name.find('\0') == std::string::npos;
}

}  // namespace

bool CommentStore::IsKnownHive(const std::string& hive) {
    const std::optional<RegHive> h = ParseHive(hive);
    return h == RegHive::LocalMachine || h == RegHive::CurrentUser;
}

std::string CommentStore::HivePath(const std::string& hive) const { return path_ + "\\" + hive; }

std::optional<std::string> CommentStore::Read(const std::string& hive,
                                              const std::string& registryName) const {
    if (!IsKnownHive(hive) || !AcceptableName(registryName)) return std::nullopt;
    auto key = reg::Key::Open(root_, HivePath(hive), KEY_QUERY_VALUE);
    if (!key) return std::nullopt;
    auto value = key->RawValue(registryName);
    // Only what Write leaves is a note; another program's REG_EXPAND_SZ or
    // binary data under the same name is not taken for one.
    if (!value || value->type != REG_SZ) return std::nullopt;
    return reg::StringFromData(value->data);
}

void CommentStore::Write(const std::string& hive, const std::string& registryName,
                         const std::string& text) const {
    if (text.empty()) {
        Remove(hive, registryName);
        return;
    }
    if (!IsKnownHive(hive) || !AcceptableName(registryName))
        throw AppError("The program has no registry name to keep a comment under.");
    reg::Key::Create(root_, HivePath(hive), KEY_SET_VALUE).SetString(registryName, text);
}

void CommentStore::Remove(const std::string& hive, const std::string& registryName) const {
    if (!IsKnownHive(hive) || !AcceptableName(registryName))
        throw AppError("The program has no registry name to keep a comment under.");
    HKEY raw = nullptr;
    LONG rc = RegOpenKeyExA(root_, HivePath(hive).c_str(), 0, KEY_SET_VALUE, &raw);
    if (rc == ERROR_FILE_NOT_FOUND) return;  // no store for the hive holds no note
    if (rc != ERROR_SUCCESS) ThrowWin32(static_cast<DWORD>(rc));
    reg::Key key(raw);
    rc = RegDeleteValueA(key.get(), registryName.c_str());
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) ThrowWin32(static_cast<DWORD>(rc));
}

}  // namespace cx::inv
