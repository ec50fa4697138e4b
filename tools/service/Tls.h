// The session listener's TLS identity: a certificate authority (made at start, or read from files)
// and a server certificate for 127.0.0.1 and localhost that it signs.
#pragma once

#include <string>

typedef struct ssl_ctx_st SSL_CTX;

namespace tevrik_service {

struct TlsIdentity {
    SSL_CTX* context = nullptr;  // server context, TLS 1.2 or later; owned by the caller
    std::string caPem;           // the CA certificate a client must trust
};

// With both file names empty a fresh CA is made; otherwise the CA certificate and key are read
// from those PEM files. Either way a fresh server key and certificate are made and signed.
bool MakeTlsIdentity(const std::string& caCertFile, const std::string& caKeyFile, TlsIdentity& out,
                     std::string& error);

void FreeTlsIdentity(TlsIdentity& identity);

// The text of OpenSSL's most recent errors, emptied from its queue.
std::string DrainSslErrors();

}  // namespace tevrik_service
