#include "framework/net/QeUrl.h"

#include "framework/base/QeStrings.h"
#include "platform/system/crt.h"

QeUrl::QeUrl(const std::wstring& text) {
    size_t start = 0;
    const size_t schemeEnd = text.find(L"://");
    if (schemeEnd != std::wstring::npos) {
        m_scheme = text.substr(0, schemeEnd);
        start = schemeEnd + 3;
    }
    const size_t slash = text.find(L'/', start);
    if (slash != std::wstring::npos) {
        m_host = text.substr(start, slash - start);
        UrlEncode(m_path, text.substr(slash + 1));
    } else {
        m_host = text.substr(start);
    }
    const size_t colon = m_host.find(L':');
    if (colon != std::wstring::npos) {
        m_port = _wtol(m_host.c_str() + colon + 1);
        m_host.resize(colon);
    }
}
