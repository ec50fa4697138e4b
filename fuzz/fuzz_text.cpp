// Text that arrives from outside: 8-bit text in UTF-8 or the ANSI code page, UTF-16LE bytes, and
// percent-escaped tokens. None of it may crash, and the conversions must be stable.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/base/QeStrings.h"
#include "platform/system/text.h"

namespace {
void Check(bool condition) {
    if (!condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    const std::wstring fromUtf8 = TextUtf8ToWide(bytes);
    const std::string utf8 = TextWideToUtf8(fromUtf8);
    Check(TextUtf8ToWide(utf8) == fromUtf8);
    if (fromUtf8.find(kReplacementCharacter) == std::wstring::npos) Check(utf8 == bytes);

    const std::wstring fromAnsi = TextAnsiToWide(bytes);
    const std::string ansi = TextWideToAnsi(fromAnsi);
    Check(ansi.size() <= 2 * fromAnsi.size());

    const std::wstring fromUtf16 = TextUtf16LeToWide(bytes);
    Check(TextUtf16LeToWide(TextWideToUtf16Le(fromUtf16)) == fromUtf16);

    std::wstring encoded, decoded;
    UrlDecode(decoded, fromUtf8);
    Check(decoded.size() <= fromUtf8.size());
    UrlEncode(encoded, fromUtf8);
    UrlDecode(decoded, encoded);
    Check(decoded == fromUtf8);

    std::vector<std::wstring> pieces;
    QeStrings::Split(pieces, fromUtf8, L";");
    std::wstring joined;
    for (size_t i = 0; i < pieces.size(); ++i) joined += (i ? L";" : L"") + pieces[i];
    Check(joined == fromUtf8);
    return 0;
}
