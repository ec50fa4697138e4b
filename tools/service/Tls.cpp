#include "tools/service/Tls.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <memory>

namespace tevrik_service {

namespace {

struct Free {
    void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
    void operator()(X509* p) const { X509_free(p); }
    void operator()(BIO* p) const { BIO_free(p); }
    void operator()(FILE* p) const { std::fclose(p); }
};
template <class T> using Owned = std::unique_ptr<T, Free>;

bool AddExtension(X509* cert, X509* issuer, int nid, const char* value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    if (!ext) return false;
    bool ok = X509_add_ext(cert, ext, -1) == 1;
    X509_EXTENSION_free(ext);
    return ok;
}

// A certificate for the key, named cn, valid from a day ago for ten years, signed by issuer's key
// (or by its own key when issuer is null).
Owned<X509> MakeCertificate(EVP_PKEY* key, const char* cn, X509* issuer, EVP_PKEY* issuerKey,
                            bool authority) {
    Owned<X509> cert(X509_new());
    if (!cert) return nullptr;
    unsigned char serial[16];
    if (RAND_bytes(serial, sizeof serial) != 1) return nullptr;
    serial[0] &= 0x7f;
    BIGNUM* bn = BN_bin2bn(serial, sizeof serial, nullptr);
    bool ok = bn && BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(cert.get())) != nullptr;
    BN_free(bn);
    ok = ok && X509_set_version(cert.get(), 2) == 1;
    ok = ok && X509_gmtime_adj(X509_getm_notBefore(cert.get()), -24L * 3600) != nullptr;
    ok = ok && X509_gmtime_adj(X509_getm_notAfter(cert.get()), 10L * 365 * 24 * 3600) != nullptr;
    ok = ok && X509_set_pubkey(cert.get(), key) == 1;
    X509_NAME* name = X509_get_subject_name(cert.get());
    ok = ok && X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                                          reinterpret_cast<const unsigned char*>("Tevrik local service"),
                                          -1, -1, 0) == 1;
    ok = ok && X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                          reinterpret_cast<const unsigned char*>(cn), -1, -1, 0) == 1;
    X509* signer = issuer ? issuer : cert.get();
    ok = ok && X509_set_issuer_name(cert.get(), X509_get_subject_name(signer)) == 1;
    if (authority) {
        ok = ok && AddExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:TRUE");
        ok = ok && AddExtension(cert.get(), signer, NID_key_usage, "critical,keyCertSign,cRLSign");
        ok = ok && AddExtension(cert.get(), signer, NID_subject_key_identifier, "hash");
    } else {
        ok = ok && AddExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:FALSE");
        ok = ok && AddExtension(cert.get(), signer, NID_key_usage,
                                "critical,digitalSignature,keyEncipherment");
        ok = ok && AddExtension(cert.get(), signer, NID_ext_key_usage, "serverAuth");
        ok = ok && AddExtension(cert.get(), signer, NID_subject_alt_name,
                                "IP:127.0.0.1,DNS:localhost");
        ok = ok && AddExtension(cert.get(), signer, NID_subject_key_identifier, "hash");
        ok = ok && AddExtension(cert.get(), signer, NID_authority_key_identifier, "keyid:always");
    }
    ok = ok && X509_sign(cert.get(), issuerKey ? issuerKey : key, EVP_sha256()) > 0;
    if (!ok) return nullptr;
    return cert;
}

std::string ToPem(X509* cert) {
    Owned<BIO> bio(BIO_new(BIO_s_mem()));
    if (!bio || PEM_write_bio_X509(bio.get(), cert) != 1) return {};
    char* data = nullptr;
    long size = BIO_get_mem_data(bio.get(), &data);
    return size > 0 ? std::string(data, static_cast<size_t>(size)) : std::string();
}

}  // namespace

std::string DrainSslErrors() {
    std::string text;
    unsigned long code;
    while ((code = ERR_get_error()) != 0) {
        char buffer[256];
        ERR_error_string_n(code, buffer, sizeof buffer);
        if (!text.empty()) text += "; ";
        text += buffer;
    }
    return text;
}

bool MakeTlsIdentity(const std::string& caCertFile, const std::string& caKeyFile, TlsIdentity& out,
                     std::string& error) {
    Owned<EVP_PKEY> caKey;
    Owned<X509> caCert;
    if (caCertFile.empty() != caKeyFile.empty()) {
        error = "the CA certificate and the CA key are given together or not at all";
        return false;
    }
    if (!caCertFile.empty()) {
        Owned<FILE> certFile(std::fopen(caCertFile.c_str(), "rb"));
        Owned<FILE> keyFile(std::fopen(caKeyFile.c_str(), "rb"));
        if (!certFile || !keyFile) {
            error = "cannot open the CA certificate or key file";
            return false;
        }
        caCert.reset(PEM_read_X509(certFile.get(), nullptr, nullptr, nullptr));
        caKey.reset(PEM_read_PrivateKey(keyFile.get(), nullptr, nullptr, nullptr));
        if (!caCert || !caKey || X509_check_private_key(caCert.get(), caKey.get()) != 1) {
            error = "the CA files do not hold a matching PEM certificate and key: " + DrainSslErrors();
            return false;
        }
    } else {
        caKey.reset(EVP_EC_gen("P-256"));
        if (caKey) caCert = MakeCertificate(caKey.get(), "Tevrik local CA", nullptr, nullptr, true);
        if (!caCert) {
            error = "cannot make the CA certificate: " + DrainSslErrors();
            return false;
        }
    }
    Owned<EVP_PKEY> key(EVP_EC_gen("P-256"));
    Owned<X509> cert;
    if (key) cert = MakeCertificate(key.get(), "localhost", caCert.get(), caKey.get(), false);
    if (!cert) {
        error = "cannot make the server certificate: " + DrainSslErrors();
        return false;
    }
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    bool ok = ctx && SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION) == 1 &&
              SSL_CTX_use_certificate(ctx, cert.get()) == 1 &&
              SSL_CTX_use_PrivateKey(ctx, key.get()) == 1 &&
              SSL_CTX_add1_chain_cert(ctx, caCert.get()) == 1 && SSL_CTX_check_private_key(ctx) == 1;
    if (!ok) {
        error = "cannot set up the TLS context: " + DrainSslErrors();
        SSL_CTX_free(ctx);
        return false;
    }
    SSL_CTX_set_mode(ctx, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    out.context = ctx;
    out.caPem = ToPem(caCert.get());
    return true;
}

void FreeTlsIdentity(TlsIdentity& identity) {
    SSL_CTX_free(identity.context);
    identity.context = nullptr;
}

}  // namespace tevrik_service
