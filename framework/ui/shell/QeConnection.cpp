#include "framework/ui/shell/QeConnection.h"

#include "platform/system/device.h"

QeConnection::~QeConnection() { Release(); }

bool QeConnection::Establish(DWORD timeoutMs) {
    CONNMGR_CONNECTIONINFO info{};
    info.cbSize = sizeof(info);
    info.dwParams = CONNMGR_PARAM_GUIDDESTNET;
    info.dwFlags = 0;
    info.dwPriority = CONNMGR_PRIORITY_USERINTERACTIVE;
    info.guidDestNet = IID_DestNetInternet;
    HANDLE connection = nullptr;
    DWORD status = 0;
    if (ConnMgrEstablishConnectionSync(&info, &connection, timeoutMs, &status) < 0) return false;
    m_handle = connection;
    return true;
}

bool QeConnection::Release() {
    if (m_handle == nullptr) return true;
    if (ConnMgrReleaseConnection(m_handle, 1) < 0) return false;
    m_handle = nullptr;
    return true;
}
