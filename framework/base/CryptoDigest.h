// MD5 and SHA-1 digests as lowercase hexadecimal text, and the process-wide provider that the
// framework opens at start.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/base/QeObject.h"

using ALG_ID = unsigned int;
using HCRYPTPROV = std::uintptr_t;

inline constexpr ALG_ID CALG_MD5 = 0x8003;
inline constexpr ALG_ID CALG_SHA1 = 0x8004;

// The provider needs nothing opened here; these keep the start and stop steps' shape and always
// succeed. Digests do not depend on them.
bool AcquireCryptContext();
bool ReleaseCryptContext();
// The framework's start and stop steps for the provider.
bool QeCryptoStart();
void QeCryptoStop();

class CryptoDigest : public QeObject {
public:
    CryptoDigest() = default;
    ~CryptoDigest() override = default;

    // Digests the bytes with CALG_MD5 or CALG_SHA1, dropping any earlier result first. False for
    // any other algorithm (the digest is then empty) and when the digest cannot be made.
    bool Compute(ALG_ID algorithm, const void* bytes, uint32_t length);
    // Two lowercase hexadecimal digits per byte of the digest: 32 for MD5, 40 for SHA-1; empty
    // without a digest. Returns out.
    std::wstring& ToHex(std::wstring& out) const;

    ALG_ID Algorithm() const { return m_algorithm; }
    // 16 for MD5, 20 for SHA-1, 0 without a digest.
    uint32_t DigestSize() const { return static_cast<uint32_t>(m_digest.size()); }
    const std::vector<uint8_t>& Digest() const { return m_digest; }

private:
    ALG_ID m_algorithm = CALG_MD5;
    std::vector<uint8_t> m_digest;
};
