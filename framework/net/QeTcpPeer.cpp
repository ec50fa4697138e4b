#include "framework/net/QeTcpPeer.h"

#include <algorithm>
#include <climits>
#include <mutex>

#include "framework/base/QeTrace.h"
#include "platform/windows/window.h"

namespace {

const wchar_t kWindowClass[] = L"QeTcpPeerWindow";

// The posted message carries the code in the low 32 bits of lParam and the event's error number in
// the high 32 bits.
LPARAM Pack(DWORD code, int error) {
    return static_cast<LPARAM>((static_cast<std::uint64_t>(static_cast<std::uint32_t>(error)) << 32) | code);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// QeTcpPeerWindow

QeTcpPeerWindow::~QeTcpPeerWindow() { Destroy(); }

LRESULT QeTcpPeerWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NULL) {
        auto* self = reinterpret_cast<QeTcpPeerWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        auto* peer = reinterpret_cast<QeTcpPeer*>(wParam);
        if (self && peer && self->owner == peer) {
            auto bits = static_cast<std::uint64_t>(lParam);
            peer->OnSocketEvent(static_cast<DWORD>(bits & 0xFFFFFFFFu), static_cast<int>(bits >> 32));
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool QeTcpPeerWindow::Create(QeTcpPeer* peer) {
    static std::mutex registration;
    static bool registered = false;
    {
        std::lock_guard<std::mutex> guard(registration);
        if (!registered) {
            WNDCLASSW wc{};
            wc.lpfnWndProc = &QeTcpPeerWindow::Procedure;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = kWindowClass;
            if (RegisterClassW(&wc) == 0) return false;
            registered = true;
        }
    }
    Destroy();
    owner = peer;
    window = CreateWindowExW(0, kWindowClass, kWindowClass, 0, 0, 0, 0, 0, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    if (!window) return false;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return true;
}

bool QeTcpPeerWindow::Post(DWORD code, int error) {
    return PostMessageW(window, WM_NULL, reinterpret_cast<WPARAM>(owner), Pack(code, error)) != FALSE;
}

bool QeTcpPeerWindow::PostBehindInput(DWORD code) {
    return PostMessageBehindInputW(window, WM_NULL, reinterpret_cast<WPARAM>(owner), Pack(code, 0)) != FALSE;
}

void QeTcpPeerWindow::Destroy() {
    if (window) DestroyWindow(window);
    window = nullptr;
}

// ---------------------------------------------------------------------------------------------
// QeTcpPeer

QeTcpPeer::QeTcpPeer() = default;

QeTcpPeer::~QeTcpPeer() {
    Close();
    m_channel.Free();
}

bool QeTcpPeer::Connect(const QeSocketAddress& address, int mode) {
    Close();
    m_channel.SetMode(mode);
    m_host = address.host;
    return Open(address);
}

bool QeTcpPeer::Open(const QeSocketAddress& address) {
    // A step that fails undoes the earlier ones, so a false return leaves the peer closed.
    bool opened = m_window.Create(this) && m_socket.Create() && m_socket.SetNonBlocking() &&
                  (m_stopEvent = ws::WSACreateEvent()) != nullptr &&
                  (m_networkEvent = ws::WSACreateEvent()) != nullptr &&
                  ws::WSAEventSelect(m_socket.handle, m_networkEvent,
                                     ws::FD_READ | ws::FD_WRITE | ws::FD_CONNECT | ws::FD_CLOSE) !=
                      ws::SOCKET_ERROR &&
                  Start() && m_socket.Connect(address);
    if (!opened) Close();
    return opened;
}

void QeTcpPeer::Close() {
    ++m_generation;
    if (running == 1) {
        ws::WSASetEvent(m_stopEvent);
        Join();
    }
    if (m_stopEvent) ws::WSACloseEvent(m_stopEvent);
    if (m_networkEvent) ws::WSACloseEvent(m_networkEvent);
    m_stopEvent = m_networkEvent = nullptr;
    m_window.Destroy();
    m_socket.Close();
    m_sendQueue.Clear();
    m_receiveQueue.Clear();
    // The TLS session belonged to the socket just closed.
    m_channel.Free();
    m_connected = false;
    m_writeFailed = false;
    m_paused = m_morePosted = false;
    m_endCode = 0;
}

bool QeTcpPeer::Send(const void* bytes, size_t n) {
    if (!IsOpen()) return false;
    if (n > 0 && !m_sendQueue.Append(bytes, n)) return false;
    Flush();
    return true;
}

DWORD QeTcpPeer::Run() {
    const ws::WSAEVENT events[2] = {m_stopEvent, m_networkEvent};
    for (;;) {
        DWORD woke = ws::WSAWaitForMultipleEvents(2, events, FALSE, ws::WSA_INFINITE, FALSE);
        if (woke == ws::WSA_WAIT_EVENT_0) return 0;
        ws::WSANETWORKEVENTS happened{};
        if (woke != ws::WSA_WAIT_EVENT_0 + 1 ||
            ws::WSAEnumNetworkEvents(m_socket.handle, m_networkEvent, &happened) == ws::SOCKET_ERROR) {
            // The thread cannot go on watching: say so instead of going silent.
            int error = ws::WSAGetLastError();
            m_window.Post(kClosedWithError, error != 0 ? error : ws::WSAENETDOWN);
            return 0;
        }
        struct Kind {
            long mask;
            int bit;
            DWORD code;
        };
        static constexpr Kind kOrder[] = {
            {ws::FD_CONNECT, ws::FD_CONNECT_BIT, kConnected},
            {ws::FD_WRITE, ws::FD_WRITE_BIT, kWritable},
            {ws::FD_READ, ws::FD_READ_BIT, kReadable},
            {ws::FD_CLOSE, ws::FD_CLOSE_BIT, kClosed},
        };
        for (const Kind& kind : kOrder) {
            if (!(happened.lNetworkEvents & kind.mask)) continue;
            int error = happened.iErrorCode[kind.bit];
            m_window.Post(error == 0 ? kind.code : kind.code + 1, error);
        }
    }
}

void QeTcpPeer::OnSocketEvent(DWORD code, int error) {
    switch (code) {
        case kConnected:
            OnConnected();
            break;
        case kWritable:
            Flush();
            break;
        case kReadable:
            Receive();
            break;
        case kDeliverMore:
            m_morePosted = false;
            Receive();
            break;
        case kConnectFailed:
            OnError(error);
            break;
        case kClosed:
        case kWriteFailed:
        case kReadFailed:
        case kClosedWithError:
            End(code, error);
            break;
        default:
            break;
    }
}

void QeTcpPeer::OnConnected() {
    if (m_channel.Mode() != 0) {
        // Blocks this thread for the handshake, up to the channel's time-out.
        if (!m_channel.Handshake(m_socket.handle, m_host)) {
            OnError(ws::WSAGetLastError());
            return;
        }
    }
    m_connected = true;
    OnConnect();
}

void QeTcpPeer::Flush() {
    // A Send from inside OnSent only queues: the bytes OnSent reports still lead the queue, and
    // writing the queue now would put them on the wire twice. The attempt follows once they are
    // dropped.
    if (m_inOnSent) {
        m_flushAgain = true;
        return;
    }
    do {
        m_flushAgain = false;
        // Bytes queued before the connection is ready wait for it; a failed one takes none.
        if (!m_connected || m_writeFailed || m_sendQueue.Size() == 0) return;
        int size = static_cast<int>(std::min<size_t>(m_sendQueue.Size(), INT_MAX));
        int n = m_channel.Mode() != 0 ? m_channel.Write(m_sendQueue.Data(), size)
                                      : m_socket.Send(m_sendQueue.Data(), size);
        if (n < 0) {
            int error = ws::WSAGetLastError();
            if (error != ws::WSAEWOULDBLOCK) PostWriteFailure(error);
            return;
        }
        if (n == 0) return;
        unsigned generation = m_generation;
        m_inOnSent = true;
        OnSent(m_sendQueue.Data(), static_cast<DWORD>(n));
        m_inOnSent = false;
        if (generation != m_generation) return;  // closed by OnSent: the queue is not ours any more
        m_sendQueue.Consume(static_cast<size_t>(n));
    } while (m_flushAgain);
}

void QeTcpPeer::PostWriteFailure(int error) {
    if (m_writeFailed) return;
    m_writeFailed = true;
    // The event comes back through the window like the event thread's, and is dropped with the
    // window when the connection is closed before the loop gets to it.
    if (!m_window.Post(kWriteFailed, error)) {
        QeTrace(L"[QE+] QeTcpPeer::Flush, the write failure %d could not be posted; the connection waits for "
                L"its close event.\n",
                error);
    }
}

void QeTcpPeer::End(DWORD code, int error) {
    // The messages that arrived before the end are delivered first: a server that says why it ends
    // the connection and then drops it must be heard. The first end is the one reported.
    if (m_paused || m_endCode != 0) {
        if (m_endCode == 0) {
            m_endCode = code;
            m_endError = error;
        }
        if (m_paused) return;
        code = m_endCode;
        error = m_endError;
        m_endCode = 0;
    }
    if (code == kClosed) {
        OnClose();
    } else {
        OnError(error);
    }
}

void QeTcpPeer::Receive() {
    if (!m_connected) return;
    const unsigned generation = m_generation;
    BYTE buffer[4096];
    for (;;) {
        bool full = false;
        int failure = 0;
        for (;;) {
            if (m_receiveQueue.Size() >= kReceiveLimit) {
                // Deliver what is complete before reading on; the socket still holds the rest.
                full = true;
                break;
            }
            int n = m_channel.Mode() != 0 ? m_channel.Read(buffer, sizeof buffer)
                                          : m_socket.Recv(buffer, sizeof buffer);
            if (n > 0) {
                m_receiveQueue.Append(buffer, static_cast<size_t>(n));
                continue;
            }
            if (n == 0) break;
            int error = ws::WSAGetLastError();
            if (error != ws::WSAEWOULDBLOCK) failure = error;
            break;
        }
        const Delivery delivery = Deliver(generation);
        if (delivery == Delivery::Closed) return;
        if (failure != 0) End(kReadFailed, failure);  // held back while messages wait
        if (delivery == Delivery::Paused || failure != 0) return;
        if (!full) {
            // Everything received is delivered: an end held back meanwhile comes now.
            if (m_endCode != 0) End(m_endCode, m_endError);
            return;
        }
        if (m_receiveQueue.Size() >= kReceiveLimit) {
            m_receiveQueue.Clear();
            OnError(ws::WSAEMSGSIZE);
            return;
        }
    }
}

QeTcpPeer::Delivery QeTcpPeer::Deliver(unsigned generation) {
    // Delivered bytes are dropped once at the end, not after every message, so a queue full of
    // small messages is not moved again for each one.
    const auto start = std::chrono::steady_clock::now();
    size_t delivered = 0;
    Delivery result = Delivery::Done;
    while (delivered < m_receiveQueue.Size()) {
        const BYTE* front = m_receiveQueue.Data() + delivered;
        DWORD available = static_cast<DWORD>(m_receiveQueue.Size() - delivered);
        DWORD length = 0;
        FrameLength(front, available, length);
        if (generation != m_generation) {
            result = Delivery::Closed;
            break;
        }
        if (length == 0) break;
        if (length > available) {
            QeTrace(L"[QE+] QeTcpPeer::Receive, a frame of %u bytes was reported with only %u bytes received; "
                    L"taken as incomplete.\n",
                    static_cast<unsigned>(length), static_cast<unsigned>(available));
            break;
        }
        OnMessage(front, length);
        if (generation != m_generation) {  // closed, or closed and connected again
            result = Delivery::Closed;
            break;
        }
        delivered += length;
        if (delivered < m_receiveQueue.Size() && std::chrono::steady_clock::now() - start >= m_slice) {
            // The rest waits for the paints and input queued meanwhile. Should the post fail, the
            // loop is held rather than a message lost.
            if (m_morePosted || (m_morePosted = m_window.PostBehindInput(kDeliverMore))) {
                result = Delivery::Paused;
                break;
            }
        }
    }
    if (result == Delivery::Closed) return result;
    m_receiveQueue.Consume(delivered);
    m_paused = result == Delivery::Paused;
    return result;
}
