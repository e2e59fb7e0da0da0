#include "platform/Crypto.h"

#include <wincrypt.h>

#include <algorithm>
#include <string>
#include <utility>

#include "platform/Error.h"

namespace cx::crypto {

namespace {

HCRYPTPROV AesProvider() {
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES,
                              CRYPT_VERIFYCONTEXT | CRYPT_SILENT))
        ThrowLastError();
    return provider;
}

// DPAPI lives in crypt32, which the program does not import: it is loaded
// from the system folder by its full path, never from the program's folder.
template <typename Fn>
Fn Crypt32Function(const char* name) {
    static HMODULE module = [] {
        wchar_t dir[MAX_PATH];
        const UINT n = GetSystemDirectoryW(dir, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return HMODULE{};
        return LoadLibraryExW((std::wstring(dir, n) + L"\\crypt32.dll").c_str(), nullptr,
                              LOAD_WITH_ALTERED_SEARCH_PATH);
    }();
    FARPROC f = module ? GetProcAddress(module, name) : nullptr;
    if (!f) throw AppError("The system's data protection (crypt32.dll) cannot be used.");
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(f));
}

using ProtectFn = BOOL(WINAPI*)(DATA_BLOB*, LPCWSTR, DATA_BLOB*, PVOID,
                                CRYPTPROTECT_PROMPTSTRUCT*, DWORD, DATA_BLOB*);
using UnprotectFn = BOOL(WINAPI*)(DATA_BLOB*, LPWSTR*, DATA_BLOB*, PVOID,
                                  CRYPTPROTECT_PROMPTSTRUCT*, DWORD, DATA_BLOB*);

std::vector<uint8_t> TakeBlob(DATA_BLOB& blob) {
    std::vector<uint8_t> out(blob.pbData, blob.pbData + blob.cbData);
    SecureZeroMemory(blob.pbData, blob.cbData);
    LocalFree(blob.pbData);
    return out;
}

}  // namespace

Hash Hash::Sha256() {
    Hash h;
    h.provider_ = AesProvider();
    if (!CryptCreateHash(h.provider_, CALG_SHA_256, 0, 0, &h.hash_)) ThrowLastError();
    return h;
}

Hash Hash::HmacSha256(const std::vector<uint8_t>& key) {
    Hash h;
    h.provider_ = AesProvider();
    // CryptoAPI takes an HMAC key as a plain RC2 key blob marked for HMAC use.
    struct {
        BLOBHEADER header;
        DWORD size;
        BYTE key[64];
    } blob{};
    if (key.empty() || key.size() > sizeof blob.key)
        throw AppError("An HMAC key must have 1 to 64 bytes.");
    blob.header.bType = PLAINTEXTKEYBLOB;
    blob.header.bVersion = CUR_BLOB_VERSION;
    blob.header.aiKeyAlg = CALG_RC2;
    blob.size = static_cast<DWORD>(key.size());
    std::copy(key.begin(), key.end(), blob.key);
    const BOOL imported =
        CryptImportKey(h.provider_, reinterpret_cast<const BYTE*>(&blob),
                       static_cast<DWORD>(sizeof blob.header + sizeof blob.size + key.size()), 0,
                       CRYPT_IPSEC_HMAC_KEY, &h.key_);
    SecureZeroMemory(&blob, sizeof blob);
    if (!imported) ThrowLastError();
    HMAC_INFO info{};
    info.HashAlgid = CALG_SHA_256;
    if (!CryptCreateHash(h.provider_, CALG_HMAC, h.key_, 0, &h.hash_) ||
        !CryptSetHashParam(h.hash_, HP_HMAC_INFO, reinterpret_cast<const BYTE*>(&info), 0))
        ThrowLastError();
    return h;
}

Hash::Hash(Hash&& o) noexcept
    : provider_(std::exchange(o.provider_, 0)),
      key_(std::exchange(o.key_, 0)),
      hash_(std::exchange(o.hash_, 0)) {}

Hash::~Hash() {
    if (hash_) CryptDestroyHash(hash_);
    if (key_) CryptDestroyKey(key_);
    if (provider_) CryptReleaseContext(provider_, 0);
}

void Hash::Add(const void* data, size_t size) {
    const BYTE* p = static_cast<const BYTE*>(data);
    while (size > 0) {
        const DWORD part = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        if (!CryptHashData(hash_, p, part, 0)) ThrowLastError();
        p += part;
        size -= part;
    }
}

Digest Hash::Finish() {
    Digest out{};
    DWORD size = static_cast<DWORD>(out.size());
    if (!CryptGetHashParam(hash_, HP_HASHVAL, out.data(), &size, 0)) ThrowLastError();
    if (size != out.size()) throw AppError("The hash has an unexpected size.");
    return out;
}

bool SameDigest(const Digest& a, const Digest& b) noexcept {
    uint8_t differ = 0;
    for (size_t i = 0; i < a.size(); ++i) differ |= static_cast<uint8_t>(a[i] ^ b[i]);
    return differ == 0;
}

std::vector<uint8_t> RandomBytes(size_t count) {
    HCRYPTPROV provider = AesProvider();
    std::vector<uint8_t> out(count);
    const BOOL ok = CryptGenRandom(provider, static_cast<DWORD>(count), out.data());
    const DWORD error = GetLastError();
    CryptReleaseContext(provider, 0);
    if (!ok) ThrowWin32(error);
    return out;
}

std::vector<uint8_t> ProtectForUser(const std::vector<uint8_t>& secret) {
    auto protect = Crypt32Function<ProtectFn>("CryptProtectData");
    DATA_BLOB in{static_cast<DWORD>(secret.size()), const_cast<BYTE*>(secret.data())}, out{};
    if (!protect(&in, L"Carvexo", nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out))
        ThrowLastError();
    return TakeBlob(out);
}

std::vector<uint8_t> UnprotectForUser(const std::vector<uint8_t>& sealed) {
    auto unprotect = Crypt32Function<UnprotectFn>("CryptUnprotectData");
    DATA_BLOB in{static_cast<DWORD>(sealed.size()), const_cast<BYTE*>(sealed.data())}, out{};
    if (!unprotect(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out))
        return {};
    return TakeBlob(out);
}

}  // namespace cx::crypto
