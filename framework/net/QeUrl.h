// A parsed URL: scheme, host, port and path. Only what the HTTP client needs: no user, query or
// fragment parts of their own (they stay in the path).
#pragma once

#include <cstdint>
#include <string>

class QeUrl {
public:
    QeUrl() = default;
    // "scheme://host:port/path"; the scheme and the port are optional (port 80 by default). The
    // path is kept without its leading "/" and with "%", SP, TAB, CR and LF percent-escaped.
    explicit QeUrl(const std::wstring& text);

    const std::wstring& Scheme() const { return m_scheme; }
    const std::wstring& Host() const { return m_host; }
    int32_t Port() const { return m_port; }
    const std::wstring& Path() const { return m_path; }

private:
    std::wstring m_scheme;
    std::wstring m_host;
    int32_t m_port = 80;
    std::wstring m_path;
};
