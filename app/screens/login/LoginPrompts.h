// What the login screen asks of the program's shared boxes and menus: the consent prompt, the
// domain menu and the soft input panel. Kept in one place so that the screen reads the same
// whichever box answers.
#pragma once

#include <functional>
#include <string>

namespace LoginPrompts {

inline constexpr wchar_t kConsentText[] =
    L"무선 네트워크에 접속합니다.\n\n가입하신 요금제에 따라 별도 과금이 될 수 있습니다.";
inline constexpr wchar_t kConsentCheckText[] = L"이 창을 다시 보지 않음";

// The consent prompt; result 2 Yes, 3 No, 0 closed without an answer (another box replaced it),
// with the state of its check box.
void AskConsent(std::function<void(int result, bool dontAskAgain)> onAnswer);
// A Yes/No question; result 2 Yes, 3 No.
void Confirm(const std::wstring& text, std::function<void(int result)> onResult);
void Alert(const std::wstring& text);
// The domain menu; the chosen row and its domain.
void ChooseDomain(std::function<void(int row, const std::wstring& domain)> onChosen);
// The service's own domain, row 0 of the domain menu.
std::wstring OwnDomain();
// 1 alphanumeric input.
void ShowSip(int mode);
void HideSip();

}  // namespace LoginPrompts
