// Emoticons as the loaded skin lists them: the children of "Tevrik" / "_EmoticonList" / "RGB", in
// document order. The emoticon menu lists "_EmoticonList" / "RGBA" and hands over positions in
// that list, so the skin keeps the two lists parallel, entry for entry.
#pragma once

#include <cstddef>
#include <string>

#include "framework/base/QeSingleton.h"
#include "framework/controls/EmoticonImage.h"

class QeMarkupElement;

class EmoticonCatalog : public QeSingleton<EmoticonCatalog> {
public:
    // The skin document to read (not owned), looked up afresh on every call; null forgets it.
    // Traces when the menu's list and the catalogue's differ in length.
    void SetSkin(const QeMarkupElement* skinDocument);

    // The emoticon at that position; an empty image outside the list or without a skin.
    EmoticonImage EmoticonByIndex(size_t index) const;
    // The first emoticon whose code equals the text exactly; an empty image when none does.
    EmoticonImage EmoticonByText(const std::wstring& text) const;
    size_t Count() const;
    // True when the menu's list ("RGBA") and the catalogue's ("RGB") have as many entries.
    bool ListsAgree() const;

private:
    const QeMarkupElement* List(const wchar_t* name) const;

    const QeMarkupElement* m_skin = nullptr;
};
