#include "cleanup/KeptSeal.h"

#include "platform/Account.h"
#include "platform/Error.h"
#include "platform/Handles.h"
#include "platform/Strings.h"

namespace cx::cleanup {

namespace {

constexpr const wchar_t* kKeyPath = L"Software\\Carvexo";
constexpr const wchar_t* kKeyValue = L"CleanupSeal";
constexpr size_t kKeyBytes = 32;
constexpr std::string_view kSealRecord = "seal\t";

// A name the file system takes as it is: a computer's name may hold what a
// folder name may not (or end in a dot).
std::wstring FolderNameOf(std::wstring name) {
    for (wchar_t& c : name)
        if (!(iswalnum(c) || c == L'-' || c == L'_')) c = L'_';
    return name.empty() ? L"_" : name;
}

std::vector<uint8_t> ReadStoredKey() {
    unique_hkey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kKeyPath, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return {};
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.get(), kKeyValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_BINARY || size == 0 || size > 64 * 1024)
        return {};
    std::vector<uint8_t> sealed(size);
    if (RegQueryValueExW(key.get(), kKeyValue, nullptr, &type, sealed.data(), &size) !=
        ERROR_SUCCESS)
        return {};
    sealed.resize(size);
    std::vector<uint8_t> secret = crypto::UnprotectForUser(sealed);
    return secret.size() == kKeyBytes ? secret : std::vector<uint8_t>{};
}

void AddField(crypto::Hash& h, const void* data, size_t size) {
    const uint64_t n = size;
    h.Add(&n, sizeof n);
    h.Add(data, size);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::wstring SharedCleanupRoot(const std::wstring& appDir) {
    return appDir + L"Back up\\cleanup\\";
}

std::wstring UserCleanupRoot(const std::wstring& appDir) {
    return SharedCleanupRoot(appDir) + FolderNameOf(ComputerNameText()) + L"\\" +
           FolderNameOf(CurrentUserSid()) + L"\\";
}

std::wstring UserHistoryRoot(const std::wstring& appDir) {
    return appDir + L"Back up\\history\\" + FolderNameOf(ComputerNameText()) + L"\\" +
           FolderNameOf(CurrentUserSid()) + L"\\";
}

std::vector<uint8_t> UserSealKey(bool make) {
    std::vector<uint8_t> key = ReadStoredKey();
    if (!key.empty() || !make) return key;
    // Two programs making it at once would each seal with a secret of their
    // own, and one of them would keep clean-ups nobody can restore.
    unique_handle lock(CreateMutexW(nullptr, FALSE, L"Local\\Carvexo.CleanupSealKey"));
    if (!lock) ThrowLastError();
    WaitForSingleObject(lock.get(), INFINITE);
    struct Release {
        HANDLE h;
        ~Release() { ReleaseMutex(h); }
    } release{lock.get()};
    key = ReadStoredKey();
    if (!key.empty()) return key;
    unique_hkey open;
    if (LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, kKeyPath, 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, open.put(), nullptr))
        ThrowWin32(static_cast<DWORD>(rc));
    // A key that is there but cannot be opened (damaged, or protected for
    // another account) is replaced: the clean-ups it sealed were lost with it.
    key = crypto::RandomBytes(kKeyBytes);
    const std::vector<uint8_t> sealed = crypto::ProtectForUser(key);
    if (LONG rc = RegSetValueExW(open.get(), kKeyValue, 0, REG_BINARY, sealed.data(),
                                 static_cast<DWORD>(sealed.size())))
        ThrowWin32(static_cast<DWORD>(rc));
    if (ReadStoredKey() != key)
        throw AppError("The key that marks clean-ups as yours cannot be stored.");
    return key;
}

crypto::Digest SealOf(const std::vector<uint8_t>& key, std::string_view text,
                      const CleanupManifest& manifest, const ExportDigests& exports) {
    crypto::Hash h = crypto::Hash::HmacSha256(key);
    h.Add("Carvexo clean-up seal 1\n");
    AddField(h, text.data(), text.size());
    for (const TakenKey& k : manifest.keys) {
        auto it = exports.find(k.file);
        if (it == exports.end())
            throw AppError("The export " + WideToAnsi(k.file) + " of the clean-up is missing.");
        AddField(h, k.file.data(), k.file.size() * sizeof(wchar_t));
        h.Add(it->second.data(), it->second.size());
    }
    return h.Finish();
}

std::string SealedManifestFile(std::string_view text, const crypto::Digest& seal) {
    static const char kHex[] = "0123456789abcdef";
    std::string out(text);
    out += kSealRecord;
    for (uint8_t b : seal) {
        out += kHex[b >> 4];
        out += kHex[b & 15];
    }
    out += "\n";
    return out;
}

ManifestFileParts SplitManifestFile(std::string_view bytes) {
    std::string_view body = bytes;
    while (!body.empty() && (body.back() == '\n' || body.back() == '\r')) body.remove_suffix(1);
    const size_t at = body.rfind('\n');
    const size_t start = at == std::string_view::npos ? 0 : at + 1;
    std::string_view last = body.substr(start);
    if (last.substr(0, 4) != "seal") return {bytes, std::nullopt};
    crypto::Digest seal{};
    if (last.size() == kSealRecord.size() + 64 &&
        last.substr(0, kSealRecord.size()) == kSealRecord) {
        crypto::Digest read{};
        bool ok = true;
        for (size_t i = 0; i < read.size() && ok; ++i) {
            const int hi = HexDigit(last[kSealRecord.size() + 2 * i]);
            const int lo = HexDigit(last[kSealRecord.size() + 2 * i + 1]);
            ok = hi >= 0 && lo >= 0;
            read[i] = static_cast<uint8_t>(hi * 16 + lo);
        }
        if (ok) seal = read;
    }
    return {bytes.substr(0, start), seal};
}

}  // namespace cx::cleanup
