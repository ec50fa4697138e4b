// The HTTP client's response side on arbitrary bytes, delivered in blocks of a size the input
// chooses: the head's end is found wherever the blocks split it, the status line and every header
// the client reads are parsed without reading past the bytes received, and the cookies and
// redirect target derived from them are well formed.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "framework/base/QeStrings.h"
#include "framework/net/QeHttpResponse.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

void ReadHeaders(const QeHttpResponse& response) {
    const std::string length = response.HeaderA("Content-Length");
    const std::string location = response.HeaderA("Location");
    const std::string cookie = response.HeaderA("Set-Cookie");
    for (const std::string* value : {&length, &location, &cookie}) {
        Check(value->size() <= response.Raw().Size());
        if (!value->empty()) {
            Check(value->front() != ' ' && value->front() != '\t' && value->back() != '\r' && value->back() != '\n');
        }
    }

    std::vector<QeHttpCookie> cookies;
    QeHttpParseCookies(QeStrings::AnsiToWide(cookie), cookies);
    for (const QeHttpCookie& c : cookies) {
        Check(!c.name.empty() && !c.value.empty());
        Check(c.name.find(L'=') == std::wstring::npos);
        Check(c.name.size() <= 1023 && c.value.size() <= 1023);
    }

    QeUrl target;
    if (QeHttpRedirectUrl(QeUrl(L"http://here:8080/p"), QeStrings::AnsiToWide(location), target)) {
        Check(target.Path().empty() || target.Path()[0] != L'/' || location.compare(0, 2, "//") == 0 ||
              location.find("://") != std::string::npos);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const size_t block = 1 + data[0] % 64;
    ++data;
    --size;

    QeHttpResponse response;
    size_t fed = 0;
    bool sawHead = false;
    while (fed < size) {
        const size_t n = std::min(block, size - fed);
        // An exact-size copy, so reading past the received bytes shows up under the sanitizer.
        std::unique_ptr<uint8_t[]> piece(new uint8_t[n]);
        std::memcpy(piece.get(), data + fed, n);
        Check(response.Append(piece.get(), static_cast<uint32_t>(n)));
        fed += n;
        if (!sawHead && response.HasHead()) {
            sawHead = true;
            ReadHeaders(response);  // the client reads Content-Length as soon as the head is there
        }
    }

    const std::string_view all(reinterpret_cast<const char*>(data), size);
    const size_t end = all.find("\r\n\r\n");
    Check(response.HasHead() == (end != std::string_view::npos));
    if (response.HasHead()) {
        Check(response.BodyLength() == size - (end + 4));
        Check(response.Body() == response.Raw().Data() + end + 4);
    } else {
        Check(response.Body() == nullptr && response.BodyLength() == 0 && response.Status() == 0);
    }
    Check(response.Raw().Size() == size);
    if (size > 0) Check(std::memcmp(response.Raw().Data(), data, size) == 0);
    (void)response.Status();
    ReadHeaders(response);
    return 0;
}
