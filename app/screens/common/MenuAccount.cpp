#include "app/screens/common/MenuAccount.h"

#include "messenger/model/Credentials.h"

ClassSkin MenuAccount::s_skin;

namespace {

// Row 0 is the domain the credentials' digest cuts; the others are neutral names under the
// reserved ".example" domain.
constexpr const wchar_t* kDomains[MenuAccount::kRowCount] = {
    kPortalDomain,     L"mail.example",   L"webmail.example", L"post.example",   L"inbox.example",
    L"letter.example", L"home.example",   L"office.example",  L"school.example", L"campus.example",
    L"family.example", L"city.example",   L"직접 입력",
};

}  // namespace

MenuAccount::MenuAccount() {
    LoadRows(s_skin, kSection, {});
    for (const wchar_t* domain : kDomains) AddRow(domain);
}

int MenuAccount::DrawMenuItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) {
    return DrawRow(surface, index, clip, inRow, nullptr, false);
}

int MenuAccount::Selection() {
    const int32_t row = ChosenRow();
    return row >= 0 && row < kTypeIn ? row : kTypeIn;
}

std::wstring MenuAccount::RowText(int row) { return kDomains[row >= 0 && row < kTypeIn ? row : kTypeIn]; }
