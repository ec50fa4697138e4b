// The shipped skin, read by the program's own reader, against one list of what the screens and
// controls read from it: every listed element is there and nothing else is, each value has the
// form its reader takes, the layout keeps to the 480x640 screen, and every picture it names is in
// the asset folder that the artwork generator makes, decoded by the program's own decoders.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "framework/base/QeMarkup.h"
#include "framework/image/QeImageDecoder.h"
#include "platform/system/file.h"

namespace {

// One line per section: its path and kind, then its elements, each followed by its kind (a name
// with a slash reaches into an element). Kinds: r rectangle, c colour, n number, i image, t text
// the code never sets, v text the code fills in, b button, x check box, e edit, l emoticon list,
// s table section (_Rect, _BackColor, _TableViewItemHeight), p part (_Rect, _BackColor), - nothing
// of its own. A "+" after a kind: the element has its own _Rect.
const wchar_t kList[] = LR"(
Login - _Rect r BackgroundSkin i+ CopyrightLabel t+
Login/Counter - IdText t+ IdSkin i+ IdEdit e+ AccountText t+ AccountSkin i+ AccountEdit e+ AccountButton b+ PasswordText t+ PasswordSkin i+ PasswordEdit e+ LoginAsOfflineCheckBox x+ LoginAsOfflineText t+ KeepIdPasswordCheckBox x+ KeepIdPasswordText t+ LoginButton b+
Login/Gate - IdText v+ LoginButton b+ LoginWithOtherIdButton b+
Login/Connecting - ProgressText t+ ProgressBar x+ CancelButton b+
StatusBar - _Rect r BackgroundSkin i+
StatusBar/Default - StatusIcon i+ Nick v+ MailIcon b+ PontaroIcon b+
StatusBar/Disclosure - BackButton b+ Title v+ BuddyAddButton b+ GroupAddButton b+
StatusBar/ChatPage - BackButton b+ PageIndicator/_Rect r PageIndicator/Prev i PageIndicator/Next i PageIndicator/Page x CloseButton b+
MenuBar - _Rect r BackgroundSkin i+ SipButton x+ SystemMenuButton b+ ChatNotifyImage i+ MemoNotifyImage i+
TabBar - _Rect r BuddyList x ChatList x MemoList x OptionList x NotifyIcon i+
BuddyList - _Rect r
BuddyList/SearchBar p BackgroundSkin i+ SearchIcon i+ RollbackIcon i+ SearchWord e+
BuddyList/View s SelectionBar i+ Line i+ GroupIcon i+ GroupIcon/ImageCoordCollapsed r GroupName v+ GroupName/TextColorSelected c BuddyIcon i+ BuddyName v+ BuddyNick v+ BuddyNick/TextColorSelected c BuddyNameOnly v+ DisclosureButton i+
BuddyProfile - _Rect r
BuddyProfile/View s SelectionBar i+ Line i+ LText v+ LText/TextColorSelected c RText v+ BuddyIcon i+ ChatIcon i+ MemoIcon i+ PontaroIcon/_Rect r DisclosureButton i+
BuddyProfile/ButtonBar p BlockButton b+ DeleteButton b+
BuddyAdd - _Rect r
BuddyAdd/View s SelectionBar i+ Line i+ LText v+ LText/TextColorSelected c RText v+ IdSkin i+ IdEdit e+ AccountSkin i+ AccountEdit e+ AccountButton b+ RequestMessage e+ DisclosureButton i+
BuddyAdd/ButtonBar p RequestButton b+
BuddySelect - _Rect r
BuddySelect/SearchBar p BackgroundSkin i+ SearchIcon i+ RollbackIcon i+ SearchWord e+
BuddySelect/View s SelectionBar i+ Line i+ GroupIcon i+ GroupIcon/ImageCoordCollapsed r GroupName v+ GroupName/TextColorSelected c CheckBoxUnchecked i+ CheckBoxChecked i+ BuddyIcon i+ BuddyNameOnly v+ BuddyName v+ BuddyNick v+ BuddyNick/TextColorSelected c
BuddyRequestList - _Rect r
BuddyRequestList/View s SelectionBar i+ Line i+ BuddyIcon i+ BuddyName v+ BuddyId v+ BuddyId/TextColorSelected c DisclosureButton i+ HelpText t
BuddyRequestInfo - _Rect r
BuddyRequestInfo/View s SelectionBar i+ Line i+ LText v+ LText/TextColorSelected c RText v+ DisclosureButton i+
BuddyRequestInfo/ButtonBar p AcceptButton b+ RejectButton b+
GroupAdd - _Rect r
GroupAdd/TitleBar p HelpText1 t+ HelpText2 t+
GroupAdd/View p BackgroundSkin i+ GroupName e+
GroupAdd/ButtonBar p AddButton b+
GroupSelect - _Rect r
GroupSelect/TitleBar p BuddyIcon i+ BuddyName v+ BuddyNick v+
GroupSelect/View s SelectionBar i+ Line i+ RadioBoxUnchecked i+ RadioBoxChecked i+ GroupName v+
ChatList - _Rect r
ChatList/TitleBar p BackgroundSkin i+ Icon i+ Text t+
ChatList/View s SelectionBar i+ Line i+ BuddyIcon i+ NewIcon i+ Title v+ Title/TextColorSelected c Date v+ Date/TextColorSelected c DisclosureButton i+ HelpText t
ChatInfo - _Rect r
ChatInfo/View s SelectionBar i+ Line i+ BuddyIcon i+ BuddyName v+ BuddyNick v+ BuddyNick/TextColorSelected c DisclosureButton i+
Chat - _Rect r
Chat/View p TSkin i+ BSkin i+ LSkin i+ RSkin i+ BuddyIcon i+ Title v+ InviteButton b+ Output e+ Output/TextColorSystem c Output/TextColorMe c Output/TextColorOther c Output/TextColorError c Date v+
Chat/InputBar p BackgroundSkin i+ Input e+ DisabledReason v+ EmoticonButton b+
MemoList - _Rect r
MemoList/TitleBar p BackgroundSkin i+ BoxText v+ BoxButton b+ WriteButton b+
MemoList/View s SelectionBar i+ Line i+ UnreadIcon i+ ReadIcon i+ Title v+ Title/TextColorSelected c Title/TextColorRead c From v+ From/TextColorSelected c Date v+ Date/TextColorSelected c More v+ More/TextColorSelected c
MemoRead - _Rect r
MemoRead/ButtonBar p ReplyButton b+ ReplyAllButton b+ ForwardButton b+ DeleteButton b+ SpamButton b+
MemoRead/View p TSkin i+ MTSkin i+ MBSkin i+ LSkin i+ RSkin i+ BSkin i+ FromText t+ From v+ ToText t+ To v+ Date v+ Content e+
MemoWrite - _Rect r
MemoWrite/View p BackgroundSkin i+ ReceiverButton b+ ReceiverSkin i+ ReceiverText v+ SendButton b+ Message e+
OptionList - _Rect r
OptionList/TitleBar p BackgroundSkin i+ Icon i+ Text t+
OptionList/View s SelectionBar i+ Line i+ LText v+ LText/TextColorSelected c RText v+ DisclosureButton i+
Option - _Rect r
Option/TitleBar p HelpText1 v+ HelpText2 v+
Option/View s SelectionBar i+ Line i+ RadioBoxUnchecked i+ RadioBoxChecked i+ CheckBoxUnchecked i+ CheckBoxChecked i+ StatusIcon i+ Text v+ TextWithStatusIcon/_Rect r
OptionNick - _Rect r TitleBar/_Rect r
OptionNick/View p BackgroundSkin i+ Nick e+
OptionServiceInfo - _Rect r
OptionServiceInfo/View p Logo i+ VersionText v+ LastUpdateInfoText t+ PlatformInfoText t+ ApplicationName t+ Line i+ JoruSupportText t+ SupportPhone t+ SupportMail t+ CopyrightText t+
MsgBox - _Rect r TSkin i MSkin i BSkin i Icon i+ Text e+ TextWithCheckBox/_Rect r CheckBox x+ CheckBoxText v+ OkButton b+ YesButton b+ NoButton b+
NotifyBox - _Rect r TSkin i MSkin i BSkin i Icon i+ TitleText v+ Text e+ TextWithCheckBox/_Rect r CheckBox x+ CheckBoxText v+ OkButton b+
UpgradeBox - _Rect r TSkin i MSkin i BSkin i Icon i+ Line i+ Text t+ ProgressBarSkin i+ ProgressBar i+ PercentText v+
Menu - _Rect r TSkin i MSkin i BSkin i _TableViewMargin n
MenuSystem - _BackColor c _TableViewItemHeight n SelectionBar i+ Line i+ Text v+ Text/TextColorSelected c
MenuAccount - _BackColor c _TableViewItemHeight n SelectionBar i+ Line i+ Text v+ Text/TextColorSelected c
MenuMemoBox - _BackColor c _TableViewItemHeight n SelectionBar i+ Line i+ Text v+ Text/TextColorSelected c
MenuEmoticon - _BackColor c _TableViewItemHeight n SelectionBar i+ Line i+ Icon/_Rect r Text v+ Text/TextColorSelected c
_StatusIconList - Online/Big r Online/Small r Away/Big r Away/Small r Busy/Big r Busy/Small r Offline/Big r Offline/Small r BlockedOnline/Big r BlockedOnline/Small r BlockedOffline/Big r BlockedOffline/Small r
_EmoticonList - RGB l RGBA l
)";

// The keys each kind of element may hold: name, form (a value form or an element kind), needed.
struct Key {
    const wchar_t* name;
    wchar_t form;
    bool needed;
};
const std::map<wchar_t, std::vector<Key>> kKeys = {
    {L'i', {{L"File", L'f', true}, {L"ImageCoord", L'r', false}, {L"TargetSize", L'z', false},
            {L"DrawMethod", L'm', true}, {L"ColorKey", L'c', false}, {L"ConstantAlpha", L'n', false}}},
    {L'o', {{L"File", L'f', true}, {L"ImageCoord", L'r', true}, {L"DrawMethod", L'm', true},
            {L"ColorKey", L'c', false}, {L"Text", L'/', true}}},
    {L't', {{L"FontSize", L'n', false}, {L"BackMode", L'k', false}, {L"BackColor", L'c', false},
            {L"TextColor", L'c', false}, {L"TextFormats", L'F', false}, {L"FontEffects", L'E', false},
            {L"Text", L'S', true}}},
    {L'v', {{L"FontSize", L'n', false}, {L"BackMode", L'k', false}, {L"BackColor", L'c', false},
            {L"TextColor", L'c', false}, {L"TextFormats", L'F', false}, {L"FontEffects", L'E', false},
            {L"Text", L'*', false}}},
    {L'b', {{L"DefaultImage", L'i', true}, {L"ClickedImage", L'i', false}, {L"DefaultLabel", L't', false},
            {L"ClickedLabel", L't', false}, {L"DefaultLabelOffset", L'z', false}, {L"ClickedLabelOffset", L'z', false}}},
    {L'x', {{L"DefaultImage", L'i', true}, {L"CheckedImage", L'i', true}}},
    {L'e', {{L"FontSize", L'n', false}, {L"BackColor", L'c', true}, {L"TextColor", L'c', false},
            {L"FontEffects", L'E', false}, {L"Styles", L'Y', false}, {L"Aligns", L'A', false},
            {L"MaxInput", L'n', false}, {L"Text", L'*', false}, {L"TextGuide", L't', false},
            {L"XIndicator", L'g', false}, {L"YIndicator", L'g', false}}},
    {L'g', {{L"Enabled", L'B', false}, {L"Thick", L'n', false}, {L"Margin", L'n', false}}},
    {L's', {{L"_Rect", L'r', true}, {L"_BackColor", L'c', true}, {L"_TableViewItemHeight", L'n', true}}},
    {L'p', {{L"_Rect", L'r', true}, {L"_BackColor", L'c', true}}},
    {L'l', {}},
    {L'-', {}},
};

std::wregex Words(const std::wstring& words) { return std::wregex(L"(" + words + L")( (" + words + L"))*"); }

// The whole text each value form takes.
const std::map<wchar_t, std::wregex> kForms = {
    {L'r', std::wregex(L"\\d+, \\d+, \\d+, \\d+")},
    {L'z', std::wregex(L"-?\\d+, -?\\d+")},
    {L'c', std::wregex(L"#[0-9a-f]{6}")},
    {L'n', std::wregex(L"\\d+")},
    {L'B', std::wregex(L"True|False")},
    {L'f', std::wregex(L"[a-z0-9_]+\\.(png|bmp|gif|jpg)")},
    {L'm', std::wregex(L"BitBlt|TransparentBlt|AlphaBlend|AlphaBlendPerPixel")},
    {L'k', std::wregex(L"Opaque|Transparent")},
    {L'F', Words(L"Left|HCenter|Right|Top|VCenter|Bottom|EndEllipsis")},
    {L'E', Words(L"Bold|Italic|Underline|StrikeOut")},
    {L'Y', Words(L"ReadOnly|NumberOnly|Password|SingleLine")},
    {L'A', Words(L"Left|HCenter|Right|Top|VCenter|Bottom")},
    {L'S', std::wregex(L".+")},
    {L'*', std::wregex(L".*")},
    {L'/', std::wregex(L"/[^/]+/")},
};

const wchar_t* const kPopups[] = {L"MsgBox", L"NotifyBox", L"UpgradeBox", L"Menu"};

bool InPopup(const std::wstring& path) {
    for (const wchar_t* box : kPopups) {
        if (path.rfind(std::wstring(L"Tevrik/") + box, 0) == 0) return true;
    }
    return false;
}

LONG Width(const RECT& r) { return r.right - r.left; }
LONG Height(const RECT& r) { return r.bottom - r.top; }

class SkinFile {
public:
    SkinFile() {
        std::wistringstream lines(kList);
        std::wstring line;
        while (std::getline(lines, line)) {
            std::wistringstream words(line);
            std::wstring section, kind, name;
            if (!(words >> section >> kind)) continue;
            Add(L"Tevrik/" + section, kind);
            while (words >> name >> kind) Add(L"Tevrik/" + section + L"/" + name, kind);
        }
    }

    // Walks the element by its kind; area is the rectangle its own rectangle must lie in.
    void Check(const QeMarkupElement& element, const std::wstring& path, const std::wstring& kind, RECT area) {
        std::vector<Key> keys = kKeys.at(kind[0]);
        if (kind.find(L'+') != std::wstring::npos) keys.push_back({L"_Rect", L'r', true});
        if (const QeMarkupElement* rect = element.FindChild(L"_Rect")) {
            const RECT r = ParseRect(rect);
            EXPECT_TRUE(r.right <= Width(area) && r.bottom <= Height(area)) << path << L" lies outside its parent";
            area = RECT{0, 0, Width(r), Height(r)};
        }
        for (const auto& child : element.Children()) {
            if (child->Name().empty()) continue;
            const std::wstring at = path + L"/" + child->Name();
            const Key* key = nullptr;
            for (const Key& k : keys) key = child->Name() == k.name ? &k : key;
            if (m_list.count(at) != 0) {
                m_seen.insert(at);
                Item(*child, at, m_list.at(at), area);
            } else if (key != nullptr) {
                Item(*child, at, std::wstring(1, key->form), area);
            } else if (kind[0] == L'l') {
                Item(*child, at, L"o", area);
            } else if (m_containers.count(at) != 0) {
                Check(*child, at, L"-", area);
            } else {
                ADD_FAILURE() << "not read by the program: " << at;
            }
        }
        for (const Key& k : keys) EXPECT_TRUE(!k.needed || element.FindChild(k.name) != nullptr) << path << L" lacks " << k.name;
        if (kind[0] == L'i' || kind[0] == L'o') {
            m_images.push_back({path, &element});
            if (kind[0] == L'i') m_places[path] = area;
            const QeMarkupElement* method = element.FindChild(L"DrawMethod");
            const bool keyed = method != nullptr && method->Text() == L"TransparentBlt";
            EXPECT_TRUE(!keyed || element.FindChild(L"ColorKey") != nullptr) << path << L" is keyed without a ColorKey";
        }
        if (kind[0] == L'o') {
            const RECT r = ParseRect(element.FindChild(L"ImageCoord"));
            EXPECT_TRUE(Width(r) == 20 && Height(r) == 20) << path << L" is not 20x20";
        }
    }

    // Listed paths that the skin does not hold.
    std::vector<std::wstring> Missing() const {
        std::vector<std::wstring> missing;
        for (const auto& [path, kind] : m_list) {
            if (m_seen.count(path) == 0) missing.push_back(path);
        }
        return missing;
    }

    // Every picture named: in the folder in exact case, decoded, each ImageCoord inside it, a
    // see-through one never stretched, and no opaque magenta inside a popup except in its frames and
    // where a colour key drops it.
    void CheckPictures(const std::filesystem::path& folder) {
        std::set<std::wstring> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) names.insert(PathFromNative(entry.path().filename().string()));
        for (const auto& [path, element] : m_images) {
            const QeMarkupElement* file = element->FindChild(L"File");
            if (file == nullptr) continue;
            const QeDecodedImage* image = Picture(folder, names, file->Text());
            if (image == nullptr) {
                ADD_FAILURE() << path << L": " << file->Text() << L" is missing or does not decode";
                continue;
            }
            const RECT whole{0, 0, image->Width(), image->Height()};
            RECT shown = whole;
            bool inside = true;
            for (const auto& child : element->Children()) {
                if (child->Name().rfind(L"ImageCoord", 0) != 0) continue;
                const RECT r = ParseRect(child.get());
                inside = inside && r.right <= whole.right && r.bottom <= whole.bottom;
                EXPECT_TRUE(inside) << path << L"/" << child->Name() << L" lies outside " << file->Text();
                if (child->Name() == L"ImageCoord") shown = r;
            }
            // A see-through picture (rounded corners) is drawn at its own size, as a stretch would
            // scale its corners; the progress bar and the page strip draw theirs as cells.
            const QeMarkupElement* drawn = element->FindChild(L"DrawMethod");
            const bool cells = path.find(L"/ProgressBar/") != std::wstring::npos || path.find(L"/PageIndicator/") != std::wstring::npos;
            if (m_places.count(path) != 0 && !cells && drawn != nullptr && drawn->Text() == L"AlphaBlendPerPixel") {
                const RECT& at = m_places.at(path);
                EXPECT_TRUE(Width(shown) == Width(at) && Height(shown) == Height(at)) << path << L" is stretched";
            }
            const std::wstring name = element->Name();
            const QeMarkupElement* method = element->FindChild(L"DrawMethod");
            if (inside && InPopup(path) && name != L"TSkin" && name != L"MSkin" && name != L"BSkin" &&
                (method == nullptr || method->Text() != L"TransparentBlt")) {
                EXPECT_FALSE(HasMagenta(*image, shown)) << path << L" brings #ff00ff into a popup";
            }
        }
    }

private:
    void Add(const std::wstring& path, const std::wstring& kind) {
        m_list[path] = kind;
        for (size_t slash = path.find(L'/', 7); slash != std::wstring::npos; slash = path.find(L'/', slash + 1)) {
            m_containers.insert(path.substr(0, slash));
        }
    }

    void Item(const QeMarkupElement& element, const std::wstring& path, const std::wstring& kind, RECT area) {
        if (kForms.count(kind[0]) == 0) return Check(element, path, kind, area);
        EXPECT_TRUE(std::regex_match(element.Text(), kForms.at(kind[0]))) << path << L" = \"" << element.Text() << L"\"";
        const bool key = kind[0] != L'c' || !InPopup(path) || element.Name() == L"ColorKey";
        EXPECT_TRUE(key || element.Text() != L"#ff00ff") << path << L" is the popups' colour key";
        if (element.Children().size() > 0) ADD_FAILURE() << path << L" holds elements";
    }

    const QeDecodedImage* Picture(const std::filesystem::path& folder, const std::set<std::wstring>& names, const std::wstring& name) {
        if (names.count(name) == 0) return nullptr;
        auto& image = m_pictures[name];
        if (image == nullptr) {
            image = std::make_unique<QeDecodedImage>();
            LoadImageFile(*image, PathFromNative((folder / PathToNative(name)).string()), kImageOther);
        }
        return image->Frames().empty() ? nullptr : image.get();
    }

    static bool HasMagenta(const QeDecodedImage& image, const RECT& r) {
        const QeDib& dib = *image.Frames().front();
        const int bits = dib.Header().biBitCount;
        if (bits != 8 && bits != 24 && bits != 32) return false;
        for (LONG y = r.top; y < r.bottom; ++y) {
            const uint8_t* row = dib.Row(bits == 32 ? y : dib.Height() - 1 - y);
            for (LONG x = r.left; x < r.right; ++x) {
                const uint8_t* p = bits == 32 ? row + 4 * x : bits == 24 ? row + 3 * x : dib.Palette() + 4 * row[x];
                if (p[0] == 0xFF && p[1] == 0 && p[2] == 0xFF && (bits != 32 || p[3] == 0xFF)) return true;
            }
        }
        return false;
    }

    std::map<std::wstring, std::wstring> m_list;
    std::set<std::wstring> m_containers;
    std::set<std::wstring> m_seen;
    std::vector<std::pair<std::wstring, const QeMarkupElement*>> m_images;
    std::map<std::wstring, RECT> m_places;  // the box each picture element is drawn over
    std::map<std::wstring, std::unique_ptr<QeDecodedImage>> m_pictures;
};

TEST(SkinFileTest, HoldsWhatTheProgramReadsInTheFormsItReads) {
    QeMarkupDocument document;
    ASSERT_TRUE(document.Load(PathFromNative(TEVRIK_SKIN_FILE)));
    const QeMarkupElement* root = document.FindChild(L"Tevrik");
    ASSERT_NE(root, nullptr);
    SkinFile skin;
    skin.Check(*root, L"Tevrik", L"-", RECT{0, 0, 480, 588});
    for (const std::wstring& path : skin.Missing()) ADD_FAILURE() << "missing: " << path;

    const auto at = [&](const std::wstring& path) {
        const QeMarkupElement* element = root;
        std::wistringstream steps(path);
        for (std::wstring step; element != nullptr && std::getline(steps, step, L'/');) element = element->FindChild(step);
        return element;
    };
    const auto rect = [&](const std::wstring& path) { return ParseRect(at(path)); };
    const auto text = [&](const std::wstring& path) { return at(path) != nullptr ? at(path)->Text() : L"(none)"; };

    // The frame: the bars, the login screen under the menu bar, and pages of one size for transitions.
    EXPECT_EQ(text(L"StatusBar/_Rect"), L"0, 0, 480, 48");
    EXPECT_EQ(text(L"MenuBar/_Rect"), L"0, 540, 480, 48");
    EXPECT_EQ(text(L"Login/_Rect"), L"0, 0, 480, 540");
    EXPECT_EQ(text(L"TabBar/_Rect"), L"0, 440, 480, 52");
    for (const wchar_t* page : {L"BuddyList", L"BuddyProfile", L"BuddyAdd", L"BuddySelect", L"BuddyRequestList",
                                L"BuddyRequestInfo", L"GroupAdd", L"GroupSelect", L"ChatList", L"ChatInfo", L"MemoList",
                                L"MemoRead", L"MemoWrite", L"OptionList", L"Option", L"OptionNick", L"OptionServiceInfo", L"Chat"}) {
        EXPECT_EQ(text(std::wstring(page) + L"/_Rect"), L"0, 48, 480, 492") << page;
    }
    // Popups centred in the 640-pixel root stay within the 588 visible rows; frames are as wide as the box.
    for (const wchar_t* box : kPopups) {
        const RECT r = rect(std::wstring(box) + L"/_Rect");
        EXPECT_TRUE(Width(r) <= 480 && Height(r) <= 536) << box;
        for (const wchar_t* frame : {L"/TSkin/ImageCoord", L"/BSkin/ImageCoord"}) EXPECT_EQ(Width(rect(box + std::wstring(frame))), Width(r)) << box << frame;
    }
    EXPECT_LE(13 * ParseInt(at(L"MenuAccount/_TableViewItemHeight")) + 2 * ParseInt(at(L"Menu/_TableViewMargin")), Height(rect(L"Menu/_Rect")));

    // Geometry the code fixes.
    const RECT indicator = rect(L"StatusBar/ChatPage/PageIndicator/_Rect");
    EXPECT_TRUE(Width(indicator) >= 310 && Height(indicator) >= 22);
    const RECT progress = rect(L"Login/Connecting/ProgressBar/_Rect");
    EXPECT_TRUE(Width(progress) >= 240 && Height(progress) >= 24);
    const RECT bar = rect(L"UpgradeBox/ProgressBar/_Rect"), cut = rect(L"UpgradeBox/ProgressBar/ImageCoord");
    EXPECT_TRUE(Width(bar) == Width(cut) && Height(bar) == Height(cut));
    const RECT icon = rect(L"MenuEmoticon/Icon/_Rect");
    EXPECT_TRUE(Width(icon) == 20 && Height(icon) == 20);
    EXPECT_EQ(rect(L"Chat/View/Date/_Rect").top, rect(L"Chat/View/BSkin/_Rect").top + 9);
    EXPECT_GT(rect(L"Login/Counter/PasswordSkin/_Rect").bottom, 400 - 52) << "an input panel at y 400 must move the login screen";
    // Taps left of x minus y of these rectangles act on the row, right of it on the icon.
    const auto threshold = [&](const std::wstring& path) {
        const RECT r = rect(path + L"/_Rect");
        return r.left - r.top;
    };
    for (const wchar_t* list : {L"BuddyList/View/DisclosureButton", L"ChatList/View/DisclosureButton"}) {
        EXPECT_TRUE(threshold(list) > 0 && threshold(list) < 472) << list;
    }
    const LONG chat = threshold(L"BuddyProfile/View/ChatIcon"), memo = threshold(L"BuddyProfile/View/MemoIcon");
    EXPECT_TRUE(0 < chat && chat < memo && memo < threshold(L"BuddyProfile/View/PontaroIcon"));
    // The texts that show whole messages read only, wrap, and scroll; the login fields.
    for (const wchar_t* edit : {L"MsgBox/Text", L"NotifyBox/Text", L"Chat/View/Output", L"MemoRead/View/Content"}) {
        EXPECT_EQ(text(std::wstring(edit) + L"/Styles"), L"ReadOnly") << edit;
        EXPECT_EQ(text(std::wstring(edit) + L"/YIndicator/Enabled"), L"True") << edit;
    }
    EXPECT_EQ(text(L"Login/Counter/PasswordEdit/Styles"), L"Password SingleLine");
    EXPECT_EQ(text(L"Login/Counter/AccountEdit/Styles"), L"ReadOnly SingleLine");

    // The menu's list and the catalogue's list hold the same codes in the same order.
    const QeMarkupElement* rgb = at(L"_EmoticonList/RGB");
    const QeMarkupElement* rgba = at(L"_EmoticonList/RGBA");
    ASSERT_TRUE(rgb != nullptr && rgba != nullptr);
    ASSERT_EQ(rgb->Children().size(), rgba->Children().size());
    for (size_t i = 0; i < rgb->Children().size(); ++i) {
        const QeMarkupElement* a = rgb->Children()[i]->FindChild(L"Text");
        const QeMarkupElement* b = rgba->Children()[i]->FindChild(L"Text");
        EXPECT_TRUE(a != nullptr && b != nullptr && a->Text() == b->Text()) << "emoticon " << i;
    }

#ifdef TEVRIK_ASSETS_DIR
    skin.CheckPictures(std::filesystem::path(TEVRIK_ASSETS_DIR) / "Image");
#else
    GTEST_SKIP() << "the pictures are not checked: this build makes no asset folder";
#endif
}

}  // namespace
