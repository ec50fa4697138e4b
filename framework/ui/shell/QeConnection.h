// The connection manager: brings up the Internet connection and lets it go.
#pragma once

#include "framework/base/QeSingleton.h"
#include "platform/win_types.h"

class QeConnection : public QeSingleton<QeConnection> {
public:
    ~QeConnection() override;  // releases

    // Asks for the Internet connection, waiting at most the time-out; the handle is kept on
    // success.
    bool Establish(DWORD timeoutMs);
    // Lets the connection go: true without one; a refusal keeps the handle.
    bool Release();

    HANDLE Handle() const { return m_handle; }

private:
    HANDLE m_handle = nullptr;
};
