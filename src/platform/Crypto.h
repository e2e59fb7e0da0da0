#pragma once
// SHA-256, HMAC-SHA256 and random bytes from the system's CryptoAPI (advapi32,
// the enhanced RSA and AES provider), and the per-user protection of a secret
// (DPAPI). Failures throw AppError.
#include <windows.h>
#include <wincrypt.h>

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace cx::crypto {

using Digest = std::array<uint8_t, 32>;

// A SHA-256 or, keyed, an HMAC-SHA256 of what is added, in the order added.
class Hash {
public:
    static Hash Sha256();
    static Hash HmacSha256(const std::vector<uint8_t>& key);
    Hash(Hash&& other) noexcept;
    Hash& operator=(Hash&&) = delete;
    ~Hash();

    void Add(const void* data, size_t size);
    void Add(std::string_view bytes) { Add(bytes.data(), bytes.size()); }
    Digest Finish();

private:
    Hash() = default;
    HCRYPTPROV provider_ = 0;
    HCRYPTKEY key_ = 0;
    HCRYPTHASH hash_ = 0;
};

// True when both are the same, in a time that does not tell where they part.
bool SameDigest(const Digest& a, const Digest& b) noexcept;

std::vector<uint8_t> RandomBytes(size_t count);

// The secret sealed for the current user of this machine (CryptProtectData),
// and opened again; empty when it cannot be opened (another user's, damaged).
std::vector<uint8_t> ProtectForUser(const std::vector<uint8_t>& secret);
std::vector<uint8_t> UnprotectForUser(const std::vector<uint8_t>& sealed);

}  // namespace cx::crypto
