// The framework's event-driven TCP connection, plain or over TLS.
//
// A derived class supplies the framing of the byte stream and the reactions to connection events.
// The peer makes every one of those calls on the thread that called Connect (the user-interface
// thread), one at a time, with complete messages only. An event thread waits on the socket and
// posts event codes to a hidden window; the loop of the user-interface thread hands them back.
//
// What the derived class may rely on:
// - OnConnect comes once per connection, after the TLS handshake when the mode is not 0. A TLS
//   handshake that fails or runs out of time brings OnError instead, and nothing is ever written
//   to or read from such a connection.
// - FrameLength sees all undelivered bytes from the front (at least 1) with `length` preset to 0;
//   it sets `length` to the size of the first complete message, or leaves 0 while that message is
//   incomplete. A length larger than `available` is taken as incomplete (and traced).
// - OnMessage gets exactly those bytes, as a pointer into the receive queue, valid during the call.
// - OnSent(bytes, n) follows each write the socket accepted; the n bytes are the front of the send
//   queue and are dropped after the call. Bytes handed to Send during OnSent queue behind them and
//   are written after they are dropped.
// - OnClose is the remote side's graceful close, after the messages that came before it; a close
//   with an error goes to OnError. OnError gets the Winsock error number of the event itself.
// - No callback but OnSent runs inside Send. A write that fails is reported through OnError from
//   the loop, after the caller of Send has returned, so a reaction that tears the connection's
//   world down (a reset) never frees what that caller still holds. The failed connection is not
//   written to again; its bytes stay queued until Close.
// - Close may be called from inside any of these calls, and Connect after it: the rest of the old
//   connection's work stops, and nothing of the old connection reaches the new one.
// - Undelivered received bytes are capped at kReceiveLimit; past it the receive queue is cleared
//   and OnError gets WSAEMSGSIZE.
// - Messages are delivered for at most the dispatch slice at a time; the rest follow, in order, on
//   a later turn of the loop, after the paints and input that waited meanwhile. A close or failure
//   of the connection comes after every message received before it.
#pragma once

#include <chrono>
#include <string>

#include "framework/base/QeByteBuffer.h"
#include "framework/base/QeThread.h"
#include "framework/net/QeSocket.h"
#include "framework/net/QeSocketAddress.h"
#include "framework/net/QeSslChannel.h"
#include "platform/win_types.h"
#include "platform/net/winsock.h"

class QeTcpPeer;

// The hidden window through which the event thread hands socket events to the owner's thread.
class QeTcpPeerWindow {
public:
    QeTcpPeerWindow() = default;
    virtual ~QeTcpPeerWindow();  // Destroy
    QeTcpPeerWindow(const QeTcpPeerWindow&) = delete;
    QeTcpPeerWindow& operator=(const QeTcpPeerWindow&) = delete;

    // Registers the window class "QeTcpPeerWindow" the first time, then makes a window on the
    // calling thread (one that already exists is destroyed first). False when either fails.
    bool Create(QeTcpPeer* owner);
    // Posts an event code with the error number that came with it; safe from any thread.
    bool Post(DWORD code, int error);
    // Posts a code that lets the input queued before it go first.
    bool PostBehindInput(DWORD code);
    // Destroys the window; codes not yet handled are dropped with it.
    void Destroy();

    QeTcpPeer* owner = nullptr;
    HWND window = nullptr;

private:
    static LRESULT Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

class QeTcpPeer : public QeThread {
public:
    // Event codes posted by the event thread.
    enum : DWORD {
        kConnected = 0,
        kConnectFailed = 1,
        kWritable = 2,
        kWriteFailed = 3,
        kReadable = 4,
        kReadFailed = 5,
        kClosed = 6,
        kClosedWithError = 7,
        kDeliverMore = 8,  // the peer's own: messages left over from the last slice
    };
    static constexpr size_t kReceiveLimit = 16 * 1024 * 1024;
    // Long enough for hundreds of messages, short enough that a burst never holds the loop.
    static constexpr std::chrono::microseconds kDispatchSlice{5000};

    QeTcpPeer();
    ~QeTcpPeer() override;  // Close

    // Starts connecting (a peer still open is closed first). True means the connect was started;
    // completion arrives as OnConnect or OnError. A false return leaves the peer closed.
    bool Connect(const QeSocketAddress& address, int mode);
    // Queues the bytes and makes one attempt to write the queue. False, with nothing queued, when
    // the peer is closed; otherwise true, and socket failures arrive through OnError on a later
    // turn of the loop.
    bool Send(const void* bytes, size_t n);
    // Stops the event thread and releases the window, socket and queued bytes. Harmless when closed.
    void Close();

    // Called on the owner's thread for each posted code; unknown codes are ignored.
    void OnSocketEvent(DWORD code, int error);
    // A test's slice instead of kDispatchSlice; zero delivers one message per turn.
    void SetDispatchSlice(std::chrono::microseconds slice) { m_slice = slice; }

    // The TLS channel, e.g. to shorten its handshake time-out.
    QeSslChannel& Channel() { return m_channel; }
    size_t QueuedForSending() const { return m_sendQueue.Size(); }
    // Received bytes not yet delivered (during delivery, the message being delivered counts too).
    size_t QueuedReceived() const { return m_receiveQueue.Size(); }
    bool IsOpen() const { return m_socket.handle != ws::INVALID_SOCKET; }
    HWND Window() const { return m_window.window; }

protected:
    DWORD Run() override;
    virtual void OnConnect() = 0;
    virtual void OnSent(const BYTE* bytes, DWORD n) = 0;
    virtual void FrameLength(const BYTE* bytes, DWORD available, DWORD& length) = 0;
    virtual void OnMessage(const BYTE* bytes, DWORD length) = 0;
    virtual void OnClose() = 0;
    virtual void OnError(int code) = 0;

private:
    bool Open(const QeSocketAddress& address);
    void OnConnected();
    void Flush();
    // Hands a write failure to the loop (once per connection): see the rules above.
    void PostWriteFailure(int error);
    void Receive();
    enum class Delivery { Done, Paused, Closed };
    // Delivers the complete messages at the front of the receive queue, for one slice. Paused: the
    // rest follow on kDeliverMore. Closed: a callback closed (or reconnected) the peer; stop.
    Delivery Deliver(unsigned generation);
    // The end of the connection (kClosed or a failure code): after the messages still to deliver.
    void End(DWORD code, int error);

    QeTcpPeerWindow m_window;
    QeSocket m_socket;
    ws::WSAEVENT m_stopEvent = nullptr;
    ws::WSAEVENT m_networkEvent = nullptr;
    QeByteBuffer m_sendQueue;
    QeByteBuffer m_receiveQueue;
    QeSslChannel m_channel;
    std::wstring m_host;
    bool m_connected = false;  // the connect completed (and the handshake succeeded)
    unsigned m_generation = 0;  // changes at every Close: work of an old connection stops
    bool m_inOnSent = false;    // OnSent is running: a Flush now only asks for another attempt
    bool m_flushAgain = false;  // a Send came in during OnSent
    bool m_writeFailed = false; // a write failed; its OnError is posted
    std::chrono::microseconds m_slice = kDispatchSlice;
    bool m_paused = false;        // complete messages wait for kDeliverMore
    bool m_morePosted = false;    // kDeliverMore is in the queue
    DWORD m_endCode = 0;          // an end that came while paused (0: none)
    int m_endError = 0;
};
