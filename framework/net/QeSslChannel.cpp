#include "framework/net/QeSslChannel.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

#include <chrono>
#include <cstdint>

#include "framework/base/QeStrings.h"
#include "framework/base/QeTrace.h"

namespace {

ws::SOCKET SocketOf(BIO* bio) { return static_cast<ws::SOCKET>(reinterpret_cast<std::intptr_t>(BIO_get_data(bio))); }

int BioWrite(BIO* bio, const char* data, int length) {
    BIO_clear_retry_flags(bio);
    int n = ws::send(SocketOf(bio), data, length, 0);
    if (n < 0 && ws::WSAGetLastError() == ws::WSAEWOULDBLOCK) BIO_set_retry_write(bio);
    return n;
}

int BioRead(BIO* bio, char* buffer, int length) {
    BIO_clear_retry_flags(bio);
    int n = ws::recv(SocketOf(bio), buffer, length, 0);
    if (n < 0 && ws::WSAGetLastError() == ws::WSAEWOULDBLOCK) BIO_set_retry_read(bio);
    return n;
}

long BioControl(BIO*, int command, long, void*) { return command == BIO_CTRL_FLUSH ? 1 : 0; }

int BioCreate(BIO* bio) {
    BIO_set_init(bio, 1);
    return 1;
}

int BioDestroy(BIO*) { return 1; }  // the socket belongs to the peer

// A BIO over the ws:: socket calls, so that TLS traffic keeps the socket's event records right.
BIO_METHOD* SocketBioMethod() {
    static BIO_METHOD* method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "Tevrik socket");
        if (m) {
            BIO_meth_set_write(m, BioWrite);
            BIO_meth_set_read(m, BioRead);
            BIO_meth_set_ctrl(m, BioControl);
            BIO_meth_set_create(m, BioCreate);
            BIO_meth_set_destroy(m, BioDestroy);
        }
        return m;
    }();
    return method;
}

bool IsAddressText(const std::string& host) {
    for (char c : host)
        if (!((c >= '0' && c <= '9') || c == '.')) return false;
    return true;
}

std::string LastLibraryError() {
    unsigned long code = ERR_peek_last_error();
    if (code == 0) return "the connection ended";
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return text;
}

// What the channel's Write and Read set as the last error for an SSL_get_error reason. A closed
// socket without a Winsock error reads as a reset; a clean close of the other side as a shutdown.
int WinsockErrorOf(int reason) {
    switch (reason) {
        case SSL_ERROR_WANT_READ:
        case SSL_ERROR_WANT_WRITE:
            return ws::WSAEWOULDBLOCK;
        case SSL_ERROR_SYSCALL: {
            const int error = ws::WSAGetLastError();
            return error == 0 || error == ws::WSAEWOULDBLOCK ? ws::WSAECONNRESET : error;
        }
        case SSL_ERROR_ZERO_RETURN:
            return ws::WSAESHUTDOWN;
        default:
            return ws::WSAECONNABORTED;
    }
}

// Write and Read need an established channel and a buffer for n bytes; false sets the error.
bool CanTransfer(bool established, const void* bytes, int n) {
    if (!established) {
        ws::WSASetLastError(ws::WSAENOTCONN);
        return false;
    }
    if (n < 0 || (n > 0 && !bytes)) {
        ws::WSASetLastError(ws::WSAEFAULT);
        return false;
    }
    return true;
}

}  // namespace

QeSslChannel::QeSslChannel() = default;

QeSslChannel::~QeSslChannel() { Free(); }

void QeSslChannel::SetMode(int mode) {
    m_mode = mode;
    if (mode < 1 || mode > 3) return;
    // The library starts with the first secure connection, not with the program, and with only
    // what a client connection needs: the texts of its errors, some thousands, are loaded by the
    // library itself when an error is first turned into text.
    OPENSSL_init_ssl(0, nullptr);
    m_method = TLS_client_method();
}

void QeSslChannel::Free() {
    if (m_connection) SSL_free(m_connection);  // frees the BIO with it
    m_connection = nullptr;
    if (m_context) SSL_CTX_free(m_context);
    m_context = nullptr;
    m_established = false;
}

bool QeSslChannel::Handshake(ws::SOCKET socket, const std::wstring& host) {
    Free();
    if (m_mode < 1 || m_mode > 3 || !m_method) {
        QeTrace(L"[QE+] QeSslChannel::Handshake, no TLS mode is set.\n");
        ws::WSASetLastError(ws::WSAEINVAL);
        return false;
    }
    std::string name = QeStrings::WideToAnsi(host);
    if (name.empty()) {
        QeTrace(L"[QE+] QeSslChannel::Handshake, no host to check the certificate against.\n");
        ws::WSASetLastError(ws::WSAEINVAL);
        return false;
    }

    ERR_clear_error();
    m_context = SSL_CTX_new(m_method);
    if (m_context) {
        SSL_CTX_set_min_proto_version(m_context, TLS1_2_VERSION);
        SSL_CTX_set_default_verify_paths(m_context);
        SSL_CTX_set_verify(m_context, SSL_VERIFY_PEER, nullptr);
    }
    BIO* bio = m_context ? BIO_new(SocketBioMethod()) : nullptr;
    if (bio) {
        m_connection = SSL_new(m_context);
        if (!m_connection) BIO_free(bio);
    }
    if (!m_connection) {
        QeTrace(L"[QE+] QeSslChannel::Handshake, the TLS objects could not be made: %s.\n", LastLibraryError().c_str());
        Free();
        ws::WSASetLastError(ws::WSAENOBUFS);
        return false;
    }
    // The send queue grows between retries, so a retried write may come from a longer, moved buffer.
    SSL_set_mode(m_connection, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    // Frames carry their own lengths; a server that drops the connection without close_notify
    // still gets its last frames delivered, followed by an ordinary close.
    SSL_set_options(m_connection, SSL_OP_IGNORE_UNEXPECTED_EOF);
    BIO_set_data(bio, reinterpret_cast<void*>(static_cast<std::intptr_t>(socket)));
    SSL_set_bio(m_connection, bio, bio);

    bool named;
    if (IsAddressText(name)) {
        named = X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(m_connection), name.c_str()) == 1;
    } else {
        named = SSL_set1_host(m_connection, name.c_str()) == 1 &&
                SSL_set_tlsext_host_name(m_connection, name.c_str()) == 1;
    }
    if (!named) {
        QeTrace(L"[QE+] QeSslChannel::Handshake, \"%ls\" is not a host a certificate can name.\n", host.c_str());
        Free();
        ws::WSASetLastError(ws::WSAEINVAL);
        return false;
    }

    // Real time, not the frame clock: this waits for a real socket, also while a test clock runs.
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    for (;;) {
        ERR_clear_error();
        int result = SSL_connect(m_connection);
        if (result == 1) {
            m_established = true;
            return true;
        }
        short wanted;
        switch (SSL_get_error(m_connection, result)) {
            case SSL_ERROR_WANT_READ:
                wanted = POLLRDNORM;
                break;
            case SSL_ERROR_WANT_WRITE:
                wanted = POLLWRNORM;
                break;
            default: {
                long verified = SSL_get_verify_result(m_connection);
                if (verified != X509_V_OK) {
                    QeTrace(L"[QE+] QeSslChannel::Handshake, the server's certificate was refused: %s.\n",
                            X509_verify_cert_error_string(verified));
                } else {
                    QeTrace(L"[QE+] QeSslChannel::Handshake, the handshake failed: %s.\n", LastLibraryError().c_str());
                }
                Free();
                ws::WSASetLastError(ws::WSAECONNABORTED);
                return false;
            }
        }
        auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        if (spent >= static_cast<long long>(m_timeout)) {
            QeTrace(L"[QE+] QeSslChannel::Handshake, no answer within %u ms.\n", static_cast<unsigned>(m_timeout));
            Free();
            ws::WSASetLastError(ws::WSAETIMEDOUT);
            return false;
        }
        ws::WSAPOLLFD entry{socket, wanted, 0};
        if (ws::WSAPoll(&entry, 1, static_cast<INT>(static_cast<long long>(m_timeout) - spent)) ==
            ws::SOCKET_ERROR) {
            int error = ws::WSAGetLastError();
            Free();
            ws::WSASetLastError(error);
            return false;
        }
    }
}

int QeSslChannel::Write(const void* bytes, int n) {
    if (!CanTransfer(m_established, bytes, n)) return -1;
    const char* p = static_cast<const char*>(bytes);
    int total = 0;
    // With partial writes each SSL_write takes at most one record; going on until the socket would
    // block gives the peer's single attempt the whole room the socket has.
    while (total < n) {
        ERR_clear_error();
        ws::WSASetLastError(0);
        int result = SSL_write(m_connection, p + total, n - total);
        if (result > 0) {
            total += result;
            continue;
        }
        if (total > 0) return total;  // whatever stopped this write shows again on the next one
        ws::WSASetLastError(WinsockErrorOf(SSL_get_error(m_connection, result)));
        return -1;
    }
    return total;
}

int QeSslChannel::Read(void* buffer, int n) {
    if (!CanTransfer(m_established, buffer, n)) return -1;
    if (n == 0) return 0;
    ERR_clear_error();
    ws::WSASetLastError(0);
    int result = SSL_read(m_connection, buffer, n);
    if (result > 0) return result;
    const int reason = SSL_get_error(m_connection, result);
    // The other side closed cleanly: the end of the stream, as recv gives it.
    if (reason == SSL_ERROR_ZERO_RETURN) return 0;
    ws::WSASetLastError(WinsockErrorOf(reason));
    return -1;
}
