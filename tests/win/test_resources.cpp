// The program's compiled resources: texts exactly as the program shows them (the UTF-8 .rc compiled with
// the right code page), command identifiers of the menus, accelerators, dialog templates, the toolbar
// table, the artwork's sizes and colour depths, and the manifest that selects common controls 6.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <shlwapi.h>

#include <cstring>

#include "gui_test_support.h"
#include "resource.h"

using sqztest::Wide;

namespace {

const void* Resource(int id, LPCSTR type, DWORD* size = nullptr) {
    HMODULE self = ::GetModuleHandleA(nullptr);
    HRSRC res = ::FindResourceA(self, MAKEINTRESOURCEA(id), type);
    if (!res) return nullptr;
    if (size) *size = ::SizeofResource(self, res);
    return ::LockResource(::LoadResource(self, res));
}

std::wstring LoadWide(UINT id) {
    const wchar_t* text = nullptr;
    int n = ::LoadStringW(::GetModuleHandleA(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    return n > 0 ? std::wstring(text, static_cast<size_t>(n)) : std::wstring();
}

struct Item {
    std::string text;
    UINT id;  // 0 for a separator, -1 for a popup
};

std::vector<Item> MenuItems(HMENU menu) {
    std::vector<Item> items;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        wchar_t text[128] = {};
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_STRING | MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE;
        info.dwTypeData = text;
        info.cch = 127;
        ::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
        char utf8[512] = {};
        ::WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof(utf8), nullptr, nullptr);
        items.push_back({utf8, info.hSubMenu ? static_cast<UINT>(-1) : (info.fType & MFT_SEPARATOR) ? 0 : info.wID});
    }
    return items;
}

bool operator==(const Item& a, const Item& b) { return a.text == b.text && a.id == b.id; }
std::ostream& operator<<(std::ostream& os, const Item& i) { return os << "'" << i.text << "' " << i.id; }

// The head of a DIALOGEX template: size, style, caption and font.
struct DialogHead {
    DWORD style = 0;
    int items = 0, cx = 0, cy = 0;
    std::wstring caption, font;
    int points = 0;
};

const WORD* SkipSzOrOrd(const WORD* p, std::wstring* text = nullptr) {
    if (*p == 0xFFFF) return p + 2;
    const WORD* start = p;
    while (*p) ++p;
    if (text) text->assign(reinterpret_cast<const wchar_t*>(start), static_cast<size_t>(p - start));
    return p + 1;
}

DialogHead ReadDialog(int id) {
    DialogHead head;
    const WORD* p = static_cast<const WORD*>(Resource(id, reinterpret_cast<LPCSTR>(RT_DIALOG)));
    if (!p || p[0] != 1 || p[1] != 0xFFFF) return head;  // DIALOGEX: version 1, signature FFFF
    const BYTE* b = reinterpret_cast<const BYTE*>(p);
    std::memcpy(&head.style, b + 12, 4);
    head.items = p[8];
    head.cx = static_cast<short>(p[11]);
    head.cy = static_cast<short>(p[12]);
    const WORD* q = SkipSzOrOrd(p + 13);  // menu
    q = SkipSzOrOrd(q);                   // class
    q = SkipSzOrOrd(q, &head.caption);
    if (head.style & DS_SETFONT) {
        head.points = q[0];
        SkipSzOrOrd(q + 3, &head.font);  // point size, weight, italic + charset
    }
    return head;
}

}  // namespace

TEST(Resources, StringsComeOutExactly) {
    EXPECT_EQ(LoadWide(IDR_MAINFRAME), Wide("Squozen\n\nSquoz\n\n\nSquozen.Document\nSquoz 文档"));
    for (UINT id : {ID_INDICATOR_TOTAL, ID_INDICATOR_SELECTED, ID_INDICATOR_BLANK}) EXPECT_EQ(LoadWide(id), L"   ");
    // The ANSI form in the program's code page.
    char ansi[128] = {};
    ::LoadStringA(::GetModuleHandleA(nullptr), IDR_MAINFRAME, ansi, sizeof(ansi));
    EXPECT_EQ(std::string(ansi), sqztest::Ansi("Squozen\n\nSquoz\n\n\nSquozen.Document\nSquoz 文档"));
}

TEST(Resources, MainMenuAndPopupsCarryTheirTextsAndCommands) {
    HMENU menu = ::LoadMenuA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    ASSERT_NE(menu, nullptr);
    const UINT kPopup = static_cast<UINT>(-1);
    EXPECT_EQ(MenuItems(menu),
              (std::vector<Item>{{"文件(&F)", kPopup}, {"动作", kPopup}, {"优化(&O)", kPopup}, {"帮助(&H)", kPopup}}));
    EXPECT_EQ(MenuItems(::GetSubMenu(menu, 0)),
              (std::vector<Item>{{"打开(&O)", 32771}, {"另存为（&A)", 32772}, {"", 0}, {"退出(&X)", 32773}}));
    EXPECT_EQ(MenuItems(::GetSubMenu(menu, 1)),
              (std::vector<Item>{{"测试(&T)", 32774}, {"优化(&O)", 32775}, {"", 0}, {"全部移除(&R)", 32800}}));
    EXPECT_EQ(MenuItems(::GetSubMenu(menu, 2)), (std::vector<Item>{{"优化设置(&O)", 32801}}));
    EXPECT_EQ(MenuItems(::GetSubMenu(menu, 3)), (std::vector<Item>{{"帮助内容(&H)", 32777},
                                                                   {"访问我们的主页(&V)", 32778},
                                                                   {"发送电子邮件给我们(&S)", 32779},
                                                                   {"", 0},
                                                                   {"关于 Zenvola SWF Optimizer(&A)", 57664}}));
    ::DestroyMenu(menu);

    HMENU popup = ::LoadMenuA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_LIST_POPUP));
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(MenuItems(popup), (std::vector<Item>{{"PopupSelected", kPopup}, {"PopupNoSelect", kPopup}}));
    EXPECT_EQ(MenuItems(::GetSubMenu(popup, 0)), (std::vector<Item>{{"查看(&V)", 32799},
                                                                    {"重命名(&R)", 32791},
                                                                    {"删除(&D)", 32792},
                                                                    {"另存为(&A)", 32793},
                                                                    {"属性(&P)", 32794}}));
    EXPECT_EQ(MenuItems(::GetSubMenu(popup, 1)),
              (std::vector<Item>{{"打开(&O)", 32795}, {"全部移除(&R)", 32796}, {"全部选择(&S)", 32798}}));
    ::DestroyMenu(popup);
}

TEST(Resources, AcceleratorsAreTheStandardSet) {
    HACCEL table = ::LoadAcceleratorsA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    ASSERT_NE(table, nullptr);
    ACCEL keys[32];
    int n = ::CopyAcceleratorTableA(table, keys, 32);
    std::vector<std::tuple<int, int, int>> got;
    for (int i = 0; i < n; ++i) got.emplace_back(keys[i].fVirt & ~FNOINVERT, keys[i].key, keys[i].cmd);
    const int C = FVIRTKEY | FCONTROL, S = FVIRTKEY | FSHIFT, A = FVIRTKEY | FALT, V = FVIRTKEY;
    std::vector<std::tuple<int, int, int>> expected = {
        {C, 'N', 57600},       {C, 'O', 57601},       {C, 'S', 57603},   {C, 'P', 57607},     {C, 'Z', 57643},
        {C, 'X', 57635},       {C, 'C', 57634},       {C, 'V', 57637},   {A, VK_BACK, 57643}, {S, VK_DELETE, 57635},
        {C, VK_INSERT, 57634}, {S, VK_INSERT, 57637}, {V, VK_F6, 57680}, {S, VK_F6, 57681}};
    EXPECT_EQ(got, expected);
    ::DestroyAcceleratorTable(table);
}

TEST(Resources, DialogTemplates) {
    const DWORD kModal = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    struct Expect {
        int id;
        DWORD style;
        int cx, cy;
        const char* caption;
    } kDialogs[] = {{IDD_ABOUTBOX, kModal, 242, 186, "关于 Zenvola SWF Optimizer"},
                    {IDD_SQUOZEN_FORM, WS_CHILD, 460, 223, ""},
                    {IDD_FILE_PROPERTIES, kModal, 224, 182, "属性"},
                    {IDD_OPTIONS, kModal, 223, 169, "选项"}};
    for (const Expect& e : kDialogs) {
        DialogHead d = ReadDialog(e.id);
        EXPECT_EQ(d.style & e.style, e.style) << e.id;
        EXPECT_EQ(d.cx, e.cx) << e.id;
        EXPECT_EQ(d.cy, e.cy) << e.id;
        EXPECT_EQ(d.caption, Wide(e.caption)) << e.id;
        EXPECT_EQ(d.font, Wide("宋体")) << e.id;
        EXPECT_EQ(d.points, 9) << e.id;
    }
    EXPECT_EQ(ReadDialog(IDD_SQUOZEN_FORM).items, 1);
    EXPECT_EQ(ReadDialog(IDD_OPTIONS).items, 9);

    // The form's one control: the file list.
    sqztest::HostWindow host({10, 10, 400, 300});
    HWND form = ::CreateDialogParamA(
        ::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SQUOZEN_FORM), host.m_hWnd,
        [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    ASSERT_NE(form, nullptr);
    HWND list = ::GetDlgItem(form, IDC_FILE_LIST);
    ASSERT_NE(list, nullptr);
    char cls[64] = {};
    ::GetClassNameA(list, cls, sizeof(cls));
    EXPECT_STREQ(cls, "SysListView32");
    DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(list, GWL_STYLE));
    EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_TYPEMASK),
              WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT);
    EXPECT_FALSE(style & LVS_SINGLESEL);  // several rows may be selected
    ::DestroyWindow(form);

    // The properties box: labels and read-only edits on their lines.
    HWND props = ::CreateDialogParamA(
        ::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_FILE_PROPERTIES), nullptr,
        [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    ASSERT_NE(props, nullptr);
    wchar_t text[64] = {};
    ::GetDlgItemTextW(props, IDC_PROPERTIES_OK, text, 64);
    EXPECT_EQ(std::wstring(text), Wide("确定(&O)"));
    const int kEdits[] = {IDC_PROP_FILENAME,  IDC_PROP_VERSION,    IDC_PROP_LENGTH, IDC_PROP_FRAMESIZE,
                          IDC_PROP_FRAMERATE, IDC_PROP_FRAMECOUNT, IDC_PROP_TIME};
    for (size_t i = 0; i < 7; ++i) {
        HWND edit = ::GetDlgItem(props, kEdits[i]);
        ASSERT_NE(edit, nullptr);
        EXPECT_TRUE(::GetWindowLongPtrA(edit, GWL_STYLE) & ES_READONLY);
        RECT r, du = {111, static_cast<LONG>(22 + 18 * i), 90, 12};
        ::MapDialogRect(props, &du);
        ::GetWindowRect(edit, &r);
        ::MapWindowPoints(nullptr, props, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.top, du.top) << kEdits[i];
        EXPECT_EQ(r.left, du.left) << kEdits[i];
    }
    ::DestroyWindow(props);
}

TEST(Resources, ToolbarTableAndArtwork) {
    DWORD size = 0;
    const WORD* bar = static_cast<const WORD*>(Resource(IDR_MAINFRAME, MAKEINTRESOURCEA(RT_TOOLBAR_RESOURCE), &size));
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(size, 11u * sizeof(WORD));
    EXPECT_EQ(std::vector<WORD>(bar, bar + 11),
              (std::vector<WORD>{1, 56, 46, 7, 32782, 32783, 32784, 32789, 32785, 32786, 32790}));

    struct Expect {
        int id, width, height, bits;
    } kBitmaps[] = {{IDR_MAINFRAME, 7 * 56, 46, 4},
                    {IDB_TOOLBAR_IMAGES, 224, 32, 24},
                    {IDB_FILE_IMAGES, 64, 16, 8},
                    // the same drawings for screens at 150 % and 200 %
                    {IDB_TOOLBAR_IMAGES_48, 7 * 48, 48, 24},
                    {IDB_TOOLBAR_IMAGES_64, 7 * 64, 64, 24},
                    {IDB_FILE_IMAGES_24, 4 * 24, 24, 8},
                    {IDB_FILE_IMAGES_32, 4 * 32, 32, 8}};
    for (const Expect& e : kBitmaps) {
        const BITMAPINFOHEADER* info =
            static_cast<const BITMAPINFOHEADER*>(Resource(e.id, reinterpret_cast<LPCSTR>(RT_BITMAP)));
        ASSERT_NE(info, nullptr) << e.id;
        EXPECT_EQ(info->biWidth, e.width) << e.id;
        EXPECT_EQ(info->biHeight, e.height) << e.id;
        EXPECT_EQ(info->biBitCount, e.bits) << e.id;
    }

    // The toolbar images and the file images cut into their image lists, white transparent.
    HBITMAP strip = static_cast<HBITMAP>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_TOOLBAR_IMAGES),
                                                      IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION | LR_LOADMAP3DCOLORS));
    ASSERT_NE(strip, nullptr);
    HIMAGELIST images = ImageList_Create(32, 32, ILC_COLOR8 | ILC_MASK, 0, 7);
    EXPECT_EQ(ImageList_AddMasked(images, strip, RGB(255, 255, 255)), 0);
    EXPECT_EQ(ImageList_GetImageCount(images), 7);
    ImageList_Destroy(images);
    ::DeleteObject(strip);

    // Icon 128: a 32 x 32 image in 24-bit colour.
    const BYTE* group = static_cast<const BYTE*>(Resource(IDR_MAINFRAME, reinterpret_cast<LPCSTR>(RT_GROUP_ICON)));
    ASSERT_NE(group, nullptr);
    int count = reinterpret_cast<const WORD*>(group)[2];
    bool big = false;
    for (int i = 0; i < count; ++i) {
        const BYTE* entry = group + 6 + 14 * i;
        if (entry[0] == 32 && entry[1] == 32 && reinterpret_cast<const WORD*>(entry + 6)[0] == 24) big = true;
    }
    EXPECT_TRUE(big);
    EXPECT_NE(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON, 32, 32, 0),
              nullptr);
}

TEST(Resources, ManifestSelectsCommonControls6AndDpiAwareness) {
    DWORD size = 0;
    const char* manifest = static_cast<const char*>(Resource(1, reinterpret_cast<LPCSTR>(RT_MANIFEST), &size));
    ASSERT_NE(manifest, nullptr);
    std::string text(manifest, size);
    EXPECT_NE(text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(text.find("version=\"6.0.0.0\""), std::string::npos);
    // Aware of each monitor's DPI: the program draws itself for the monitor it is on.
    EXPECT_NE(text.find(">true/pm</dpiAware>"), std::string::npos);
    EXPECT_NE(text.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos);

    // The process runs with the version 6 controls.
    HMODULE comctl = ::GetModuleHandleA("comctl32.dll");
    ASSERT_NE(comctl, nullptr);
    char loaded[MAX_PATH] = {};
    ::GetModuleFileNameA(comctl, loaded, sizeof(loaded));
    using GetVersionFn = HRESULT(CALLBACK*)(DLLVERSIONINFO*);
    auto getVersion =
        reinterpret_cast<GetVersionFn>(reinterpret_cast<void*>(::GetProcAddress(comctl, "DllGetVersion")));
    ASSERT_NE(getVersion, nullptr);
    DLLVERSIONINFO version = {sizeof(version), 0, 0, 0, 0};
    ASSERT_EQ(getVersion(&version), S_OK);
    // The loaded library is the one of the version 6 assembly (some implementations report 5.8x from it).
    std::string path = loaded;
    for (char& c : path) c = static_cast<char>(::tolower(static_cast<unsigned char>(c)));
    EXPECT_TRUE(version.dwMajorVersion >= 6 || path.find("common-controls_6595b64144ccf1df_6.") != std::string::npos)
        << loaded << " reports " << version.dwMajorVersion;
}
