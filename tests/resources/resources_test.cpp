// The program's resources as the program finds them: the resource object is
// linked into this exe, and everything is loaded from the exe's own module.
#include <windows.h>
#include <gtest/gtest.h>

#include <string.h>
#include <string>
#include <vector>

#include "resources/resource_ids.h"

static HINSTANCE Self()
{
    return GetModuleHandleA(NULL);
}

// ---- Menu 103 --------------------------------------------------------------

struct MenuRow {
    const char *text;   // NULL: separator
    UINT id;
    int checked;
};

static const MenuRow GameMenuRows[] = {
    /* text               id               checked */
    { "&New Game\tF2",    IDM_NEW_GAME,    0 },
    { NULL,               0,               0 },
    { "&Pause\tP",        IDM_PAUSE,       0 },
    { "&Music\tM",        IDM_MUSIC,       1 },
    { NULL,               0,               0 },
    { "&High Score...",   IDM_HIGH_SCORE,  0 },
    { "&Settings...",     IDM_SETTINGS,    0 },
    { NULL,               0,               0 },
    { "&Help\tF1",        IDM_HELP,        0 },
    { NULL,               0,               0 },
    { "&About...",        IDM_ABOUT,       0 },
    { NULL,               0,               0 },
    { "&Quit\tEsc",       IDM_QUIT,        0 },
};

struct MenuEntry {
    UINT type, state, id;
    HMENU submenu;
    std::string text;
};

static MenuEntry ReadMenuEntry(HMENU menu, UINT position)
{
    char text[64] = "";
    MENUITEMINFOA info;
    memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = sizeof text;
    MenuEntry entry = {0, 0, 0, NULL, ""};
    if (!GetMenuItemInfoA(menu, position, TRUE, &info))
        return entry;
    entry.type = info.fType;
    entry.state = info.fState;
    entry.id = info.wID;
    entry.submenu = info.hSubMenu;
    entry.text = (info.fType & MFT_SEPARATOR) ? "" : text;
    return entry;
}

TEST(MainMenu, BarHoldsAnEmptyNoCommandEntryThenTheGamePopup)
{
    HMENU menu = LoadMenuA(Self(), MAKEINTRESOURCEA(IDR_MAIN_MENU));
    ASSERT_TRUE(menu != NULL) << GetLastError();
    ASSERT_EQ(GetMenuItemCount(menu), 2);

    MenuEntry first = ReadMenuEntry(menu, 0);
    EXPECT_EQ(first.id, (UINT)IDM_NONE);
    EXPECT_EQ(first.text, "");
    EXPECT_TRUE(first.submenu == NULL);

    MenuEntry game = ReadMenuEntry(menu, 1);
    EXPECT_EQ(game.text, "&Game");
    EXPECT_TRUE(game.submenu != NULL);
    EXPECT_TRUE(DestroyMenu(menu));
}

TEST(MainMenu, GamePopupItemsInOrderWithMusicChecked)
{
    HMENU menu = LoadMenuA(Self(), MAKEINTRESOURCEA(IDR_MAIN_MENU));
    ASSERT_TRUE(menu != NULL) << GetLastError();
    HMENU game = GetSubMenu(menu, 1);
    ASSERT_TRUE(game != NULL);
    const int rows = (int)(sizeof GameMenuRows / sizeof GameMenuRows[0]);
    ASSERT_EQ(GetMenuItemCount(game), rows);
    for (int i = 0; i < rows; ++i) {
        const MenuRow &row = GameMenuRows[i];
        MenuEntry entry = ReadMenuEntry(game, (UINT)i);
        if (!row.text) {
            EXPECT_TRUE(entry.type & MFT_SEPARATOR) << "position " << i;
            continue;
        }
        EXPECT_FALSE(entry.type & MFT_SEPARATOR) << "position " << i;
        EXPECT_EQ(entry.text, row.text) << "position " << i;
        EXPECT_EQ(entry.id, row.id) << row.text;
        EXPECT_EQ((entry.state & MFS_CHECKED) != 0, row.checked != 0) << row.text;
        EXPECT_FALSE(entry.state & MFS_GRAYED) << row.text;
        EXPECT_TRUE(entry.submenu == NULL) << row.text;
    }
    EXPECT_TRUE(DestroyMenu(menu));
}

// ---- Dialog 111 ------------------------------------------------------------

// A name-or-ordinal field of a dialog template: 0 (none), 0xFFFF then an
// ordinal, or a zero-terminated UTF-16 string.
struct NameOrOrdinal {
    int isOrdinal;
    WORD ordinal;
    std::string name;
};

static const WORD *ReadNameOrOrdinal(const WORD *p, NameOrOrdinal *out)
{
    out->isOrdinal = 0;
    out->ordinal = 0;
    out->name.clear();
    if (*p == 0xFFFF) {
        out->isOrdinal = 1;
        out->ordinal = p[1];
        return p + 2;
    }
    while (*p)
        out->name += (char)(*p++ & 0xFF);
    return p + 1;
}

static const WORD *AlignToDword(const WORD *p, const void *base)
{
    size_t offset = (size_t)((const BYTE *)p - (const BYTE *)base);
    return (const WORD *)((const BYTE *)base + ((offset + 3) & ~(size_t)3));
}

struct TemplateControl {
    DWORD style;
    short x, y, cx, cy;
    WORD id;
    NameOrOrdinal windowClass, text;
};

struct DialogTemplate {
    DWORD style, exStyle;
    short x, y, cx, cy;
    NameOrOrdinal menu, windowClass;
    std::string title;
    WORD pointSize;
    std::string face;
    std::vector<TemplateControl> controls;
};

// Parses a plain DLGTEMPLATE (not the extended form) and its items.
static int ParseDialogTemplate(const void *data, DialogTemplate *out)
{
    const DLGTEMPLATE *head = (const DLGTEMPLATE *)data;
    if (((const WORD *)data)[1] == 0xFFFF)
        return 0;   // DLGTEMPLATEEX
    out->style = head->style;
    out->exStyle = head->dwExtendedStyle;
    out->x = head->x;
    out->y = head->y;
    out->cx = head->cx;
    out->cy = head->cy;
    const WORD *p = (const WORD *)(head + 1);
    p = ReadNameOrOrdinal(p, &out->menu);
    p = ReadNameOrOrdinal(p, &out->windowClass);
    NameOrOrdinal title;
    p = ReadNameOrOrdinal(p, &title);
    out->title = title.name;
    out->pointSize = 0;
    if (out->style & DS_SETFONT) {
        out->pointSize = *p++;
        NameOrOrdinal face;
        p = ReadNameOrOrdinal(p, &face);
        out->face = face.name;
    }
    for (int i = 0; i < head->cdit; ++i) {
        p = AlignToDword(p, data);
        const DLGITEMTEMPLATE *item = (const DLGITEMTEMPLATE *)p;
        TemplateControl control;
        control.style = item->style;
        control.x = item->x;
        control.y = item->y;
        control.cx = item->cx;
        control.cy = item->cy;
        control.id = item->id;
        p = (const WORD *)(item + 1);
        p = ReadNameOrOrdinal(p, &control.windowClass);
        p = ReadNameOrOrdinal(p, &control.text);
        WORD extra = *p++;
        p = (const WORD *)((const BYTE *)p + extra);
        out->controls.push_back(control);
    }
    return 1;
}

static const WORD ButtonAtom = 0x0080;
static const WORD StaticAtom = 0x0082;

static int IsClass(const NameOrOrdinal &cls, WORD atom, const char *name)
{
    if (cls.isOrdinal)
        return cls.ordinal == atom;
    return lstrcmpiA(cls.name.c_str(), name) == 0;
}

TEST(AboutDialog, TemplateHasModalFrameCaptionFontAndSize)
{
    HRSRC found = FindResourceA(Self(), MAKEINTRESOURCEA(IDD_ABOUT), MAKEINTRESOURCEA(5) /* RT_DIALOG */);
    ASSERT_TRUE(found != NULL);
    HGLOBAL loaded = LoadResource(Self(), found);
    ASSERT_TRUE(loaded != NULL);
    const void *data = LockResource(loaded);
    ASSERT_TRUE(data != NULL);
    DialogTemplate dialog;
    ASSERT_TRUE(ParseDialogTemplate(data, &dialog));

    EXPECT_EQ(dialog.style, 0x80C000C0u);   // WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT
    EXPECT_EQ(dialog.style & WS_SYSMENU, 0u);
    EXPECT_EQ(dialog.exStyle, 0u);
    EXPECT_EQ(dialog.cx, 186);
    EXPECT_EQ(dialog.cy, 68);
    EXPECT_FALSE(dialog.menu.isOrdinal || !dialog.menu.name.empty());
    EXPECT_FALSE(dialog.windowClass.isOrdinal || !dialog.windowClass.name.empty());
    EXPECT_EQ(dialog.title, "About Pellorin");
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.face, "MS Sans Serif");
}

TEST(AboutDialog, TemplateControls)
{
    struct Expected {
        WORD atom;
        const char *className;
        WORD id;
        short x, y, cx, cy;
        DWORD typeMask, type;
    };
    static const Expected Controls[4] = {
        /* atom        class     id      x   y   cx   cy  typeMask      type */
        { ButtonAtom, "Button", IDOK,   67, 47,  50, 14, BS_TYPEMASK, BS_DEFPUSHBUTTON },
        { StaticAtom, "Static", 0xFFFF, 16, 15,  20, 20, SS_TYPEMASK, SS_ICON },
        { StaticAtom, "Static", 0xFFFF, 48, 13, 125,  8, SS_TYPEMASK, SS_LEFT },
        { StaticAtom, "Static", 0xFFFF, 48, 29, 125,  8, SS_TYPEMASK, SS_LEFT },
    };
    HRSRC found = FindResourceA(Self(), MAKEINTRESOURCEA(IDD_ABOUT), MAKEINTRESOURCEA(5) /* RT_DIALOG */);
    ASSERT_TRUE(found != NULL);
    const void *data = LockResource(LoadResource(Self(), found));
    ASSERT_TRUE(data != NULL);
    DialogTemplate dialog;
    ASSERT_TRUE(ParseDialogTemplate(data, &dialog));
    ASSERT_EQ(dialog.controls.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        const Expected &e = Controls[i];
        const TemplateControl &c = dialog.controls[i];
        EXPECT_TRUE(IsClass(c.windowClass, e.atom, e.className)) << "control " << i;
        EXPECT_EQ(c.id, e.id) << "control " << i;
        EXPECT_EQ(c.x, e.x) << "control " << i;
        EXPECT_EQ(c.y, e.y) << "control " << i;
        EXPECT_EQ(c.cx, e.cx) << "control " << i;
        EXPECT_EQ(c.cy, e.cy) << "control " << i;
        EXPECT_EQ(c.style & e.typeMask, e.type) << "control " << i;
        EXPECT_EQ(c.style & (WS_CHILD | WS_VISIBLE), (DWORD)(WS_CHILD | WS_VISIBLE)) << "control " << i;
    }
    EXPECT_EQ(dialog.controls[0].text.name, "OK");
    EXPECT_TRUE(dialog.controls[1].text.isOrdinal);
    EXPECT_EQ(dialog.controls[1].text.ordinal, IDI_PELLORIN);
    EXPECT_EQ(dialog.controls[2].text.name.compare(0, 8, "Pellorin"), 0) << dialog.controls[2].text.name;
    EXPECT_GT(dialog.controls[2].text.name.size(), 8u);
    EXPECT_FALSE(dialog.controls[3].text.name.empty());
}

static INT_PTR CALLBACK IgnoreAll(HWND, UINT, WPARAM, LPARAM)
{
    return 0;
}

// Built by the dialog manager, the icon static finds icon 101 in the module.
TEST(AboutDialog, CreatedDialogShowsTheProgramIcon)
{
    HWND dialog = CreateDialogParamA(Self(), MAKEINTRESOURCEA(IDD_ABOUT), NULL, IgnoreAll, 0);
    ASSERT_TRUE(dialog != NULL) << GetLastError();
    char caption[64] = "";
    GetWindowTextA(dialog, caption, sizeof caption);
    EXPECT_STREQ(caption, "About Pellorin");
    int icons = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && GetDlgCtrlID(child) == 0xFFFF) {
            char cls[16] = "";
            GetClassNameA(child, cls, sizeof cls);
            if (lstrcmpiA(cls, "Static") != 0)
                continue;
            ++icons;
            EXPECT_TRUE(SendMessageA(child, STM_GETICON, 0, 0) != 0);
        }
    }
    EXPECT_EQ(icons, 1);
    EXPECT_TRUE(DestroyWindow(dialog));
}

// ---- Bitmap 110 ------------------------------------------------------------

struct GreyPoint {
    int x, y, grey;
};

// Top-down sheet coordinates; the tile for mask m starts at (20 (m % 16), 20 (m / 16)).
static const GreyPoint SheetPoints[] = {
    /*  x    y   grey */
    {   0,   0,  255 },   // mask 0: plain white
    {  10,  10,  255 },
    {  20,   0,  204 },   // mask 1: corner pixel, then the diagonal
    {  21,   1,  235 },
    {  22,   2,  252 },
    {  49,   0,  132 },   // mask 2: middle of the top edge, inward
    {  50,   1,  173 },
    {  49,   2,  205 },
    {  50,   3,  226 },
    {  49,   4,  238 },
    {  50,   5,  247 },
    {  49,   6,  253 },
    {  49,   7,  255 },
    {  40,   0,  184 },   // mask 2: the ends of the edge
    {  59,   1,  210 },
    {  40,   2,  231 },
    {  59,   3,  244 },
    {  40,   4,  252 },
    { 160,   9,  132 },   // mask 8: middle of the left edge
    { 166,  10,  253 },
    { 159, 179,  204 },   // mask 135 = 128 + 7: bottom-right corner of tile (7, 8)
    { 300, 300,   70 },   // mask 255: corners and edge middles
    { 319, 319,   70 },
    { 309, 300,  125 },
    { 319, 310,  125 },
    { 310, 310,  255 },
};

TEST(TileSheet, LoadsAs320SquareWithTheShadowGreys)
{
    HBITMAP sheet = (HBITMAP)LoadImageA(Self(), MAKEINTRESOURCEA(IDB_TILE_SHEET), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
    ASSERT_TRUE(sheet != NULL) << GetLastError();
    BITMAP info;
    ASSERT_EQ(GetObjectA(sheet, sizeof info, &info), (int)sizeof info);
    EXPECT_EQ(info.bmWidth, 320);
    EXPECT_EQ(info.bmHeight, 320);

    BITMAPINFO dibInfo;
    memset(&dibInfo, 0, sizeof dibInfo);
    dibInfo.bmiHeader.biSize = sizeof dibInfo.bmiHeader;
    dibInfo.bmiHeader.biWidth = 320;
    dibInfo.bmiHeader.biHeight = -320;   // top-down
    dibInfo.bmiHeader.biPlanes = 1;
    dibInfo.bmiHeader.biBitCount = 24;
    dibInfo.bmiHeader.biCompression = BI_RGB;
    void *bits = NULL;
    HBITMAP dib = CreateDIBSection(NULL, &dibInfo, DIB_RGB_COLORS, &bits, NULL, 0);
    ASSERT_TRUE(dib != NULL && bits != NULL);
    HDC source = CreateCompatibleDC(NULL);
    HDC target = CreateCompatibleDC(NULL);
    ASSERT_TRUE(source != NULL && target != NULL);
    HGDIOBJ oldSource = SelectObject(source, sheet);
    HGDIOBJ oldTarget = SelectObject(target, dib);
    EXPECT_TRUE(BitBlt(target, 0, 0, 320, 320, source, 0, 0, SRCCOPY));
    GdiFlush();

    const BYTE *pixels = (const BYTE *)bits;
    const int stride = 320 * 3;   // already a multiple of 4
    int nonGrey = 0;
    for (int y = 0; y < 320; ++y)
        for (int x = 0; x < 320; ++x) {
            const BYTE *p = pixels + y * stride + 3 * x;
            nonGrey += !(p[0] == p[1] && p[1] == p[2]);
        }
    EXPECT_EQ(nonGrey, 0);
    for (const GreyPoint &point : SheetPoints) {
        const BYTE *p = pixels + point.y * stride + 3 * point.x;
        EXPECT_EQ((int)p[1], point.grey) << "at " << point.x << "," << point.y;
    }

    SelectObject(source, oldSource);
    SelectObject(target, oldTarget);
    DeleteDC(source);
    DeleteDC(target);
    DeleteObject(dib);
    DeleteObject(sheet);
}

// ---- Icon 101 and the manifest ---------------------------------------------

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colourCount, reserved;
    WORD planes, bitCount;
    DWORD bytesInRes;
    WORD id;
};
struct GroupIconDir {
    WORD reserved, type, count;
    GroupIconEntry entries[1];
};
#pragma pack(pop)

TEST(ProgramIcon, OneImageOf32x32In16Colours)
{
    HRSRC found = FindResourceA(Self(), MAKEINTRESOURCEA(IDI_PELLORIN), MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */);
    ASSERT_TRUE(found != NULL);
    const GroupIconDir *group = (const GroupIconDir *)LockResource(LoadResource(Self(), found));
    ASSERT_TRUE(group != NULL);
    EXPECT_EQ(group->type, 1);
    ASSERT_EQ(group->count, 1);
    EXPECT_EQ(group->entries[0].width, 32);
    EXPECT_EQ(group->entries[0].height, 32);
    EXPECT_EQ(group->entries[0].colourCount, 16);
    EXPECT_EQ(group->entries[0].bitCount, 4);
}

TEST(ProgramIcon, LoadsAtLargeAndSmallSizes)
{
    HICON large = (HICON)LoadImageA(Self(), MAKEINTRESOURCEA(IDI_PELLORIN), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR);
    ASSERT_TRUE(large != NULL) << GetLastError();
    ICONINFO info;
    ASSERT_TRUE(GetIconInfo(large, &info));
    EXPECT_TRUE(info.fIcon);
    BITMAP colour;
    ASSERT_TRUE(info.hbmColor != NULL);
    ASSERT_EQ(GetObjectA(info.hbmColor, sizeof colour, &colour), (int)sizeof colour);
    EXPECT_EQ(colour.bmWidth, 32);
    EXPECT_EQ(colour.bmHeight, 32);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(large);

    // The window class loads it again at the small-icon size.
    HICON small = (HICON)LoadImageA(Self(), MAKEINTRESOURCEA(IDI_PELLORIN), IMAGE_ICON,
                                    GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR);
    EXPECT_TRUE(small != NULL);
    if (small)
        DestroyIcon(small);
}

TEST(Manifest, AsksForCommonControls6AndStaysDpiUnaware)
{
    HRSRC found = FindResourceA(Self(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24) /* RT_MANIFEST */);
    ASSERT_TRUE(found != NULL);
    DWORD size = SizeofResource(Self(), found);
    const char *text = (const char *)LockResource(LoadResource(Self(), found));
    ASSERT_TRUE(text != NULL);
    std::string manifest(text, size);
    size_t controls = manifest.find("Microsoft.Windows.Common-Controls");
    ASSERT_NE(controls, std::string::npos);
    EXPECT_NE(manifest.find("version=\"6.0.0.0\"", controls), std::string::npos);
    EXPECT_NE(manifest.find(">false</dpiAware>"), std::string::npos);
}
