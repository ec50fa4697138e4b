#include "framework/base/CryptoDigest.h"

#include <openssl/evp.h>

#include "framework/base/QeStrings.h"

namespace {
HCRYPTPROV g_provider = 0;
}

bool AcquireCryptContext() {
    g_provider = 1;
    return true;
}

bool ReleaseCryptContext() {
    g_provider = 0;
    return true;
}

bool QeCryptoStart() { return AcquireCryptContext(); }

void QeCryptoStop() { ReleaseCryptContext(); }

bool CryptoDigest::Compute(ALG_ID algorithm, const void* bytes, uint32_t length) {
    // Every call starts afresh: nothing of an earlier digest survives a failure.
    m_algorithm = algorithm;
    m_digest.clear();
    const EVP_MD* md = algorithm == CALG_MD5 ? EVP_md5() : algorithm == CALG_SHA1 ? EVP_sha1() : nullptr;
    if (md == nullptr) return false;
    if (bytes == nullptr && length != 0) return false;
    static const unsigned char kNothing = 0;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(bytes != nullptr ? bytes : &kNothing, length, digest, &size, md, nullptr) != 1) return false;
    m_digest.assign(digest, digest + size);
    return true;
}

std::wstring& CryptoDigest::ToHex(std::wstring& out) const {
    out.clear();
    for (uint8_t byte : m_digest) out += HexByte(byte);
    return out;
}
