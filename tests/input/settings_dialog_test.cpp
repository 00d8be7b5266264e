// The Settings dialog and its key fields, driven as a person would: the
// dialog runs modally on the test's thread while a driver thread finds it and
// clicks and types with SendInput (mouse positions and key scan codes).
// The driver never calls GoogleTest; it records what it saw and what went
// wrong, and the test thread checks that once the dialog has closed.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string.h>
#include <functional>
#include <string>
#include <vector>

#include "input/key_capture.h"
#include "input/key_capture_seams.h"
#include "app/shell_handles.h"
#include "input/settings_dialog_seams.h"
#include "input/settings_store.h"
#include "music/music_player.h"
#include "resources/resource_ids.h"
#include "tests/input/settings_key.h"
#include "tests/support/dialog_driver.h"

// Recording fake of the music player: how often the track was restarted and
// which track the settings named at that moment.
static int restartCalls;
static uint32_t trackAtRestart;

void RestartMusic(void)
{
    restartCalls++;
    trackAtRestart = GetMusicIndex();
}

// The keys the tests press: key code (scan code, 0x100 for an extended key)
// and virtual key, both given to SendInput as a keyboard driver gives them.
enum {
    KeyEsc = 0x01,
    KeyTab = 0x0F,
    KeyQ = 0x10,
    KeyW = 0x11,
    KeyEnter = 0x1C,
    KeyLeftCtrl = 0x1D,
    KeyA = 0x1E,
    KeyS = 0x1F,
    KeyD = 0x20,
    KeyLeftShift = 0x2A,
    KeyAlt = 0x38,
    KeySpace = 0x39,
    KeyF10 = 0x44,
    KeyPadEnter = 0x11C,
    KeyRightCtrl = 0x11D,
    KeyHome = 0x147,
    KeyUp = 0x148,
    KeyPageUp = 0x149,
    KeyLeft = 0x14B,
    KeyRight = 0x14D,
    KeyEnd = 0x14F,
    KeyDown = 0x150,
    KeyPageDown = 0x151
};

static const struct {
    uint16_t code;
    BYTE virtualKey;
} KeyTable[] = {
    /* code          virtual key */
    { KeyEsc,        VK_ESCAPE },
    { KeyTab,        VK_TAB },
    { KeyQ,          'Q' },
    { KeyW,          'W' },
    { KeyEnter,      VK_RETURN },
    { KeyLeftCtrl,   VK_CONTROL },
    { KeyA,          'A' },
    { KeyS,          'S' },
    { KeyD,          'D' },
    { KeyLeftShift,  VK_SHIFT },
    { KeyAlt,        VK_MENU },
    { KeySpace,      VK_SPACE },
    { KeyF10,        VK_F10 },
    { KeyPadEnter,   VK_RETURN },
    { KeyRightCtrl,  VK_CONTROL },
    { KeyHome,       VK_HOME },
    { KeyUp,         VK_UP },
    { KeyPageUp,     VK_PRIOR },
    { KeyLeft,       VK_LEFT },
    { KeyRight,      VK_RIGHT },
    { KeyEnd,        VK_END },
    { KeyDown,       VK_DOWN },
    { KeyPageDown,   VK_NEXT },
};

static BYTE VirtualKeyOf(uint16_t code)
{
    for (const auto &key : KeyTable)
        if (key.code == code)
            return key.virtualKey;
    return 0;
}

static std::string FullName(uint16_t code)
{
    char name[KeyNameSize] = "";
    GetKeyNameTextA((LONG)code << 16, name, sizeof name);
    return name;
}

static std::string ShownName(uint16_t code)
{
    char name[KeyNameSize];
    KeyNameText(code, name, sizeof name);
    return name;
}

// ---- The driver thread's view of the dialog -------------------------------

static void Note(Drive &run, bool ok, const std::string &what)
{
    if (!ok)
        Fail(run, what);
}

static HWND Item(Drive &run, int id)
{
    return GetDlgItem(run.dialog, id);
}

static std::string Text(HWND window)
{
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

static std::string ItemText(Drive &run, int id)
{
    return Text(Item(run, id));
}

static GUITHREADINFO DialogThreadInfo(Drive &run)
{
    GUITHREADINFO info;
    memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    GetGUIThreadInfo(run.modalThread, &info);
    return info;
}

static HWND Focus(Drive &run)
{
    return DialogThreadInfo(run).hwndFocus;
}

static HWND Capture(Drive &run)
{
    return DialogThreadInfo(run).hwndCapture;
}

static int Slider(Drive &run, int id)
{
    return (int)SendMessageA(Item(run, id), TBM_GETPOS, 0, 0);
}

static HFONT FontOf(HWND window)
{
    return (HFONT)SendMessageA(window, WM_GETFONT, 0, 0);
}

static int FieldState(Drive &run, int id)
{
    return (int)(INT_PTR)GetPropA(Item(run, id), "_ActiveStatic_IsActive_");
}

static POINT Centre(HWND window)
{
    RECT area;
    GetWindowRect(window, &area);
    POINT centre = { (area.left + area.right) / 2, (area.top + area.bottom) / 2 };
    return centre;
}

// Every event carries the position, so a click lands where it was aimed even
// if the pointer was moved meanwhile.
static void SendMouse(DWORD flags, POINT at)
{
    INPUT input;
    memset(&input, 0, sizeof input);
    input.type = INPUT_MOUSE;
    input.mi.dx = (at.x * 65536 + 32768) / GetSystemMetrics(SM_CXSCREEN);
    input.mi.dy = (at.y * 65536 + 32768) / GetSystemMetrics(SM_CYSCREEN);
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
}

static void PointAt(Drive &run, POINT at)
{
    SendMouse(0, at);
    Await(run, [&] {
        POINT now;
        GetCursorPos(&now);
        return now.x == at.x && now.y == at.y;
    }, "the pointer to arrive");
}

static void PointAtWindow(Drive &run, HWND window)
{
    PointAt(run, Centre(window));
}

static bool Hovered(HWND field)
{
    return GetPropA(field, "_ActiveStatic_Hover_") != NULL;
}

// The field has seen the pointer leave, so every mouse message that came
// before has been handled too.
static void AwaitPointerGone(Drive &run, HWND field)
{
    Await(run, [&] { return !Hovered(field); }, "the field to see the pointer leave");
}

static void Click(Drive &run, HWND window, DWORD down = MOUSEEVENTF_LEFTDOWN, DWORD up = MOUSEEVENTF_LEFTUP)
{
    PointAtWindow(run, window);
    SendMouse(down, Centre(window));
    SendMouse(up, Centre(window));
}

static void ClickItem(Drive &run, int id)
{
    Click(run, Item(run, id));
}

static void KeyEvent(uint16_t code, DWORD up)
{
    INPUT input;
    memset(&input, 0, sizeof input);
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = VirtualKeyOf(code);
    input.ki.wScan = (WORD)(code & 0xFF);
    input.ki.dwFlags = up | ((code & 0x100) ? KEYEVENTF_EXTENDEDKEY : 0);
    SendInput(1, &input, sizeof input);
}

// code: scan code with 0x100 for an extended key, as in the key map.
static void PressKey(uint16_t code)
{
    KeyEvent(code, 0);
    KeyEvent(code, KEYEVENTF_KEYUP);
}

static void TypeText(const std::string &text)
{
    for (char c : text) {
        INPUT input[2];
        memset(input, 0, sizeof input);
        for (int i = 0; i < 2; i++) {
            input[i].type = INPUT_KEYBOARD;
            input[i].ki.wScan = (WORD)(unsigned char)c;
            input[i].ki.dwFlags = KEYEVENTF_UNICODE | (i ? KEYEVENTF_KEYUP : 0);
        }
        SendInput(2, input, sizeof input[0]);
    }
}

// Clicks a key field and waits until it asks for a key; true once it does.
static bool StartWaiting(Drive &run, int field)
{
    ClickItem(run, field);
    return Await(run, [&] { return ItemText(run, field) == "Press a key"; }, "field " + std::to_string(field) + " to wait");
}

// Clicks a key field, waits until it asks for a key, presses the key and
// waits until the field names it.
static void CaptureKey(Drive &run, int field, uint16_t code)
{
    if (!StartWaiting(run, field))
        return;
    PressKey(code);
    Await(run, [&] { return ItemText(run, field) == ShownName(code); },
          "field " + std::to_string(field) + " to take key " + std::to_string(code));
}

// Runs the dialog on this thread while script drives it from another one,
// once the dialog is shown and in front.
static int RunDialog(Drive &run, const std::function<void(Drive &)> &script)
{
    int result = 0;
    RunDriven(
        run,
        [&](Drive &r) {
            r.dialog = WaitForDialog("Settings");
            if (r.dialog == NULL) {
                Fail(r, "timed out waiting for the Settings dialog");
                return;
            }
            SetForegroundWindow(r.dialog);
            if (Await(r, [&] { return GetForegroundWindow() == r.dialog; }, "the dialog in front"))
                script(r);
        },
        [&] { result = RunSettingsDialog(); });
    return result;
}

// ---- Registry -------------------------------------------------------------

static void Store(const char *name, DWORD type, const void *data, DWORD size)
{
    StoreSettingsValue(name, type, data, size);
}

static void StoreNumber(const char *name, DWORD number)
{
    Store(name, REG_DWORD, &number, sizeof number);
}

static void StoreKeys(const uint16_t (&keys)[KeyMapSize])
{
    Store("KeyMapping", REG_BINARY, keys, sizeof keys);
}

static void StoreServer(const char *server)
{
    Store("GameServer", REG_SZ, server, (DWORD)strlen(server) + 1);
}

struct StoredValue {
    bool present;
    DWORD type;
    std::vector<unsigned char> bytes;
};

static StoredValue Stored(const char *name)
{
    StoredValue value = { false, 0, {} };
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return value;
    unsigned char data[512];
    DWORD size = sizeof data;
    if (RegQueryValueExA(key, name, NULL, &value.type, data, &size) == ERROR_SUCCESS) {
        value.present = true;
        value.bytes.assign(data, data + size);
    }
    RegCloseKey(key);
    return value;
}

static const DWORD NotStored = 0xDEADBEEF;

static DWORD StoredNumber(const char *name)
{
    StoredValue value = Stored(name);
    DWORD number = NotStored;
    if (value.present && value.type == REG_DWORD && value.bytes.size() == 4)
        memcpy(&number, value.bytes.data(), 4);
    return number;
}

static int ValueCount()
{
    return SettingsValueCount();
}

static std::vector<unsigned char> KeyBytes(const uint16_t (&keys)[KeyMapSize])
{
    const unsigned char *bytes = (const unsigned char *)keys;
    return std::vector<unsigned char>(bytes, bytes + sizeof keys);
}

// ---- Fixture ----------------------------------------------------------------

// The main window stand-in that owns the dialog. It lives for the whole run:
// without a window manager Wine spends two seconds on every window it hides.
static HWND TestOwner()
{
    static HWND owner;
    if (owner)
        return owner;
    WNDCLASSA windowClass;
    memset(&windowClass, 0, sizeof windowClass);
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = "SettingsDialogTestOwner";
    RegisterClassA(&windowClass);
    owner = CreateWindowExA(0, "SettingsDialogTestOwner", "Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                            0, 0, 200, 150, NULL, NULL, GetModuleHandleA(NULL), NULL);
    return owner;
}

class SettingsDialog : public ::testing::Test {
protected:
    HWND owner = NULL;

    void SetUp() override
    {
        DeleteSettingsKey();
        restartCalls = 0;
        trackAtRestart = 0xFFFFFFFF;
        owner = TestOwner();
        ASSERT_NE(owner, (HWND)NULL);
        SetShellHandles(owner, GetModuleHandleA(NULL));
    }

    void Load() { LoadSettings(); }
};

// ---- Opening ----------------------------------------------------------------

TEST_F(SettingsDialog, OpensShowingTheStoredSettings)
{
    // Entry 3 holds no key (a short KeyMapping leaves 0): its field is empty.
    const uint16_t keys[KeyMapSize] = { KeyA, KeyD, KeyW, 0, KeyRightCtrl };
    StoreServer("scores.example.net/league");
    StoreNumber("MusicIndex", 1);
    StoreKeys(keys);
    StoreNumber("KeyRepeatDelay", 250);
    StoreNumber("KeyRepeatRate", 35);
    Load();

    struct Seen {
        HWND owner;
        int focusId;
        std::string server, names[KeyMapSize], delayLabel, rateLabel, sliderClass;
        UINT track0, track1;
        int fieldState[KeyMapSize];
        int delay, rate, min, max, line, page;
    } seen = {};
    Drive run;
    int result = RunDialog(run, [&](Drive &r) {
        seen.owner = GetWindow(r.dialog, GW_OWNER);
        seen.focusId = GetDlgCtrlID(Focus(r));
        seen.server = ItemText(r, IDC_GAME_SERVER);
        seen.track0 = IsDlgButtonChecked(r.dialog, IDC_TRACK0);
        seen.track1 = IsDlgButtonChecked(r.dialog, IDC_TRACK1);
        for (int n = 0; n < KeyMapSize; n++) {
            seen.names[n] = ItemText(r, IDC_KEY_FIELD_BASE + n);
            seen.fieldState[n] = FieldState(r, IDC_KEY_FIELD_BASE + n);
        }
        char name[64] = "";
        GetClassNameA(Item(r, IDC_DELAY_SLIDER), name, sizeof name);
        seen.sliderClass = name;
        seen.delay = Slider(r, IDC_DELAY_SLIDER);
        seen.rate = Slider(r, IDC_RATE_SLIDER);
        seen.min = (int)SendMessageA(Item(r, IDC_RATE_SLIDER), TBM_GETRANGEMIN, 0, 0);
        seen.max = (int)SendMessageA(Item(r, IDC_RATE_SLIDER), TBM_GETRANGEMAX, 0, 0);
        seen.line = (int)SendMessageA(Item(r, IDC_DELAY_SLIDER), TBM_GETLINESIZE, 0, 0);
        seen.page = (int)SendMessageA(Item(r, IDC_DELAY_SLIDER), TBM_GETPAGESIZE, 0, 0);
        seen.delayLabel = ItemText(r, IDC_DELAY_LABEL);
        seen.rateLabel = ItemText(r, IDC_RATE_LABEL);
        PressKey(KeyEsc);  // the server field has the focus: Esc cancels
    });
    ASSERT_TRUE(run.problems.empty()) << Problems(run);
    EXPECT_EQ(result, 2);

    EXPECT_EQ(seen.owner, owner);
    EXPECT_EQ(seen.focusId, IDC_GAME_SERVER);
    EXPECT_EQ(seen.server, "scores.example.net/league");
    EXPECT_EQ(seen.track0, (UINT)BST_UNCHECKED);
    EXPECT_EQ(seen.track1, (UINT)BST_CHECKED);
    for (int n = 0; n < KeyMapSize; n++) {
        // The full layout name, uncut, without the hexadecimal fallback.
        EXPECT_EQ(seen.names[n], FullName(keys[n])) << "field " << n;
        EXPECT_EQ(seen.fieldState[n], 1) << "field " << n;
    }
    EXPECT_EQ(seen.names[3], "");
    EXPECT_NE(seen.names[0], "");
    EXPECT_STRCASEEQ(seen.sliderClass.c_str(), TRACKBAR_CLASSA);
    EXPECT_EQ(seen.delay, 250);
    EXPECT_EQ(seen.rate, 35);
    EXPECT_EQ(seen.min, 10);
    EXPECT_EQ(seen.max, 500);
    EXPECT_EQ(seen.line, 5);
    EXPECT_EQ(seen.page, 50);
    EXPECT_EQ(seen.delayLabel, "250");
    EXPECT_EQ(seen.rateLabel, "35");
    EXPECT_EQ(ValueCount(), 5) << "cancel stores nothing";
}

// ---- Key fields -------------------------------------------------------------

TEST_F(SettingsDialog, TakingAKeyHeldByAnotherFieldSwapsTheTwo)
{
    Load();  // first run: the Left arrow moves left, Space drops
    struct Seen {
        int waitingFlag, waitingFocusId, flagAfter, focusIdAfter;
        std::string dropText;
        uint16_t pending[KeyMapSize];
    } seen = {};
    Drive run;
    int result = RunDialog(run, [&](Drive &r) {
        if (!StartWaiting(r, IDC_KEY_MOVE_LEFT))
            return;
        seen.waitingFlag = CaptureInProgress();
        seen.waitingFocusId = GetDlgCtrlID(Focus(r));
        // A second field clicked while one waits does nothing: Space still goes to Move Left.
        ClickItem(r, IDC_KEY_DROP);
        PressKey(KeySpace);
        if (!Await(r, [&] { return ItemText(r, IDC_KEY_MOVE_LEFT) == ShownName(KeySpace); }, "Move Left to take Space"))
            return;
        seen.dropText = ItemText(r, IDC_KEY_DROP);
        seen.flagAfter = CaptureInProgress();
        seen.focusIdAfter = GetDlgCtrlID(Focus(r));
        memcpy(seen.pending, GetPendingKeyMap(), sizeof seen.pending);
        ClickItem(r, IDOK);
    });
    ASSERT_TRUE(run.problems.empty()) << Problems(run);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(seen.waitingFlag, 1);
    EXPECT_EQ(seen.waitingFocusId, IDC_KEY_MOVE_LEFT);
    EXPECT_EQ(seen.dropText, ShownName(KeyLeft));
    EXPECT_EQ(seen.flagAfter, 0);
    EXPECT_NE(seen.focusIdAfter, IDC_KEY_MOVE_LEFT);

    const uint16_t swapped[KeyMapSize] = { KeySpace, KeyRight, KeyUp, KeyDown, KeyLeft };
    EXPECT_EQ(std::vector<uint16_t>(seen.pending, seen.pending + KeyMapSize),
              std::vector<uint16_t>(swapped, swapped + KeyMapSize));
    const std::vector<unsigned char> bytes = { 0x39, 0x00, 0x4D, 0x01, 0x48, 0x01, 0x50, 0x01, 0x4B, 0x01 };
    StoredValue mapping = Stored("KeyMapping");
    EXPECT_EQ(mapping.type, (DWORD)REG_BINARY);
    EXPECT_EQ(mapping.bytes, bytes);
    EXPECT_EQ(memcmp(GetSettings()->keyMap, swapped, sizeof swapped), 0);
}

TEST_F(SettingsDialog, AFieldIsBoldUnderThePointerAndWhileItWaits)
{
    Load();
    struct Seen {
        HFONT normal, bold, idle, hovered, left, waitingAway, taken;
        HWND hoverCapture;
        LONG normalWeight, boldWeight, normalHeight, boldHeight;
    } seen = {};
    Drive run;
    RunDialog(run, [&](Drive &r) {
        HWND field = Item(r, IDC_KEY_MOVE_RIGHT);
        HWND elsewhere = Item(r, IDC_GAME_SERVER);
        seen.normal = (HFONT)GetPropA(field, "_ActiveStatic_Original_Font_");
        seen.bold = (HFONT)GetPropA(field, "_ActiveStatic_Bold_Font_");
        LOGFONTA font;
        GetObjectA(seen.normal, sizeof font, &font);
        seen.normalWeight = font.lfWeight;
        seen.normalHeight = font.lfHeight;
        GetObjectA(seen.bold, sizeof font, &font);
        seen.boldWeight = font.lfWeight;
        seen.boldHeight = font.lfHeight;
        seen.idle = FontOf(field);

        PointAtWindow(r, field);
        Await(r, [&] { return FontOf(field) == seen.bold; }, "bold under the pointer");
        seen.hovered = FontOf(field);
        seen.hoverCapture = Capture(r);
        PointAtWindow(r, elsewhere);
        Await(r, [&] { return FontOf(field) == seen.normal; }, "normal once the pointer left");
        seen.left = FontOf(field);

        ClickItem(r, IDC_KEY_MOVE_RIGHT);
        Await(r, [&] { return Text(field) == "Press a key"; }, "the field to wait");
        PointAtWindow(r, elsewhere);
        AwaitPointerGone(r, field);
        seen.waitingAway = FontOf(field);
        PressKey(KeyQ);
        Await(r, [&] { return Text(field) == ShownName(KeyQ); }, "the field to take Q");
        seen.taken = FontOf(field);
        PressKey(KeyEsc);
    });
    ASSERT_TRUE(run.problems.empty()) << Problems(run);
    EXPECT_NE(seen.normal, (HFONT)NULL);
    EXPECT_NE(seen.bold, seen.normal);
    EXPECT_EQ(seen.boldWeight, FW_BOLD);
    EXPECT_LT(seen.normalWeight, FW_BOLD);
    EXPECT_EQ(seen.boldHeight, seen.normalHeight);
    EXPECT_EQ(seen.idle, seen.normal);
    EXPECT_EQ(seen.hovered, seen.bold);
    EXPECT_EQ(seen.hoverCapture, (HWND)NULL) << "the hover holds no mouse capture";
    EXPECT_EQ(seen.left, seen.normal);
    EXPECT_EQ(seen.waitingAway, seen.bold);
    EXPECT_EQ(seen.taken, seen.normal);
}

// Something cancels the mouse modes while the pointer is over a field (as
// the system does when another window takes over), then the pointer goes
// straight to another control and clicks there: the click belongs to that
// control, and the field, left behind, turns normal again.
TEST_F(SettingsDialog, AFieldLosesItsHoverEvenWhenTheMouseModesWereCancelled)
{
    Load();
    struct Seen {
        UINT track1;
        std::string fieldText;
        HFONT font, normal;
        int flag;
    } seen = {};
    Drive run;
    int result = RunDialog(run, [&](Drive &r) {
        HWND field = Item(r, IDC_KEY_ROTATE_CCW);
        seen.normal = (HFONT)GetPropA(field, "_ActiveStatic_Original_Font_");
        PointAtWindow(r, field);
        if (!Await(r, [&] { return FontOf(field) != seen.normal; }, "bold under the pointer"))
            return;
        SendMessageA(field, WM_CANCELMODE, 0, 0);
        POINT radio = Centre(Item(r, IDC_TRACK1));
        SendMouse(MOUSEEVENTF_LEFTDOWN, radio);
        SendMouse(MOUSEEVENTF_LEFTUP, radio);
        Await(r, [&] { return IsDlgButtonChecked(r.dialog, IDC_TRACK1) == BST_CHECKED; }, "track 1 chosen");
        AwaitPointerGone(r, field);
        Await(r, [&] { return FontOf(field) == seen.normal; }, "the field normal again");
        seen.track1 = IsDlgButtonChecked(r.dialog, IDC_TRACK1);
        seen.fieldText = Text(field);
        seen.font = FontOf(field);
        seen.flag = CaptureInProgress();
        ClickItem(r, IDCANCEL);
    });
    ASSERT_TRUE(run.problems.empty()) << Problems(run);
    EXPECT_EQ(result, 2);
    EXPECT_EQ(seen.track1, (UINT)BST_CHECKED);
    EXPECT_EQ(seen.fieldText, FullName(KeyUp)) << "the field did not take the click";
    EXPECT_EQ(seen.flag, 0);
    EXPECT_EQ(seen.font, seen.normal);
}

TEST_F(SettingsDialog, WhileAFieldWaitsDialogKeysAreTakenAsGameKeys)
{
    Load();
    static const struct {
        int field;
        uint16_t key;
    } presses[] = {
        /* field               key */
        { IDC_KEY_MOVE_RIGHT,  KeyEnter },
        { IDC_KEY_MOVE_DOWN,   KeyEsc },
        { IDC_KEY_ROTATE_CCW,  KeyTab },
        { IDC_KEY_DROP,        KeyPadEnter },
        { IDC_KEY_MOVE_LEFT,   KeyRightCtrl },
        { IDC_KEY_MOVE_RIGHT,  KeyLeftCtrl },
        { IDC_KEY_MOVE_DOWN,   KeyF10 },
        { IDC_KEY_ROTATE_CCW,  KeyAlt },
    };
    uint16_t pending[KeyMapSize] = {};
    Drive run;
    int result = RunDialog(run, [&](Drive &r) {
        for (const auto &press : presses) {
            CaptureKey(r, press.field, press.key);
            Note(r, IsWindowVisible(r.dialog) != 0, "the dialog closed on key " + std::to_string(press.key));
        }
        memcpy(pending, GetPendingKeyMap(), sizeof pending);
        ClickItem(r, IDCANCEL);
    });
    ASSERT_TRUE(run.problems.empty()) << Problems(run);
    EXPECT_EQ(result, 2);
    // Left and right Ctrl, main and keypad Enter are different keys.
    const uint16_t taken[KeyMapSize] = { KeyRightCtrl, KeyLeftCtrl, KeyAlt, KeyF10, KeyPadEnter };
    EXPECT_EQ(std::vector<uint16_t>(pending, pending + KeyMapSize), std::vector<uint16_t>(taken, taken + KeyMapSize));
}

TEST_F(SettingsDialog, FocusLeavingAWaitingFieldKeepsItsKey)
{
    Load();
    struct Seen {
        std::string text;
        int flag;
    } seen = {};
    Drive run;
    int result = RunDialog(run, [&](Drive &r) {
        if (!StartWaiting(r, IDC_KEY_MOVE_RIGHT))
            return;
        ClickItem(r, IDC_GAME_SERVER);
        Await(r, [&] { return GetDlgCtrlID(Focus(r)) == IDC_GAME_SERVER; }, "the server field to take the focus");
        seen.text = ItemText(r, IDC_KEY_MOVE_RIGHT);
        seen.flag = CaptureInProgress();
        CaptureKey(r, IDC_KEY_DROP, KeyQ);  // another field can wait now
        ClickItem(r, IDOK);
    });
    ASSERT_TRUE(run.problems.empty()) << Problems(run);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(seen.text, ShownName(KeyRight));
    EXPECT_EQ(seen.flag, 0);
    const uint16_t keys[KeyMapSize] = { KeyLeft, KeyRight, KeyUp, KeyDown, KeyQ };
    EXPECT_EQ(memcmp(GetSettings()->keyMap, keys, sizeof keys), 0);
}

// The dialog losing and regaining activation while a field waits: the wait
// ends, the dialog hands the focus back to that (now idle) field, and a
// click on another field must still make exactly one field wait.
TEST_F(SettingsDialog, OnlyTheWaitingFieldEndsTheWaitWhenItLosesTheFocus)
{
    Load();
    HWND other = CreateWindowExA(0, "SettingsDialogTestOwner", "Another program", WS_POPUP | WS_VISIBLE,
                                 700, 500, 100, 100, NULL, NULL, GetModuleHandleA(NULL), NULL);
    ASSERT_NE(other, (HWND)NULL);
    struct Seen {
        int focusIdBack, flagWhileMoveDownWaits;
        std::string moveDownText, dropText;
    } seen = {};
    Drive run;
    int result = RunDialog(run, [&](Drive &r) {
        if (!StartWaiting(r, IDC_KEY_MOVE_LEFT))
            return;
        SetForegroundWindow(other);
        Await(r, [&] { return ItemText(r, IDC_KEY_MOVE_LEFT) == ShownName(KeyLeft); }, "the wait to end");
        SetForegroundWindow(r.dialog);
        Await(r, [&] { return GetForegroundWindow() == r.dialog && Focus(r) != NULL; }, "the dialog in front again");
        seen.focusIdBack = GetDlgCtrlID(Focus(r));
        StartWaiting(r, IDC_KEY_MOVE_DOWN);
        seen.flagWhileMoveDownWaits = CaptureInProgress();
        ClickItem(r, IDC_KEY_DROP);
        PressKey(KeyQ);
        Await(r, [&] { return ItemText(r, IDC_KEY_MOVE_DOWN) == ShownName(KeyQ); }, "Move Down to take Q");
        seen.dropText = ItemText(r, IDC_KEY_DROP);
        ClickItem(r, IDCANCEL);
    });
    DestroyWindow(other);
    EXPECT_EQ(result, 2);
    EXPECT_EQ(seen.focusIdBack, IDC_KEY_MOVE_LEFT);
    EXPECT_EQ(seen.flagWhileMoveDownWaits, 1);
    EXPECT_EQ(seen.dropText, FullName(KeySpace)) << "Drop did not start waiting";
    EXPECT_TRUE(run.problems.empty()) << Problems(run);
}

// Back in front after a wait ended by switching away, the dialog gives the
// focus to the field, now idle: the dialog keys work there at once.
TEST_F(SettingsDialog, AnIdleFieldWithTheFocusLeavesTheDialogKeysToTheDialog)
{
    Load();
    HWND other = CreateWindowExA(0, "SettingsDialogTestOwner", "Another program", WS_POPUP | WS_VISIBLE,
                                 700, 500, 100, 100, NULL, NULL, GetModuleHandleA(NULL), NULL);
    ASSERT_NE(other, (HWND)NULL);
    static const struct {
        uint16_t key;
        bool closes;
        int result;
    } cases[] = {
        /* key       closes  result */
        { KeyEsc,    true,   2 },
        { KeyEnter,  true,   1 },
        { KeyTab,    false,  2 },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.key);
        int focusIdBack = 0;
        Drive run;
        int result = RunDialog(run, [&](Drive &r) {
            HWND field = Item(r, IDC_KEY_MOVE_LEFT);
            if (!StartWaiting(r, IDC_KEY_MOVE_LEFT))
                return;
            SetForegroundWindow(other);
            Await(r, [&] { return Text(field) == ShownName(KeyLeft); }, "the wait to end");
            SetForegroundWindow(r.dialog);
            Await(r, [&] { return GetForegroundWindow() == r.dialog && Focus(r) == field; },
                  "the focus back on the field");
            focusIdBack = GetDlgCtrlID(Focus(r));
            PressKey(c.key);
            if (!c.closes) {
                Await(r, [&] { return Focus(r) != field && Focus(r) != NULL; }, "Tab to move the focus on");
                Note(r, FieldState(r, IDC_KEY_MOVE_LEFT) == 1, "the field started waiting");
                PressKey(KeyEsc);
            }
        });
        EXPECT_EQ(focusIdBack, IDC_KEY_MOVE_LEFT);
        EXPECT_TRUE(run.problems.empty()) << Problems(run);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(memcmp(GetPendingKeyMap(), GetSettings()->keyMap, KeyMapSize * sizeof(uint16_t)), 0)
            << "no key was taken";
    }
    DestroyWindow(other);
}

TEST_F(SettingsDialog, ClosingTheDialogWhileAFieldWaitsEndsTheWait)
{
    Load();
    HFONT bold[KeyMapSize] = {};
    int waiting = 0;
    Drive first;
    int result = RunDialog(first, [&](Drive &r) {
        for (int n = 0; n < KeyMapSize; n++)
            bold[n] = (HFONT)GetPropA(Item(r, IDC_KEY_FIELD_BASE + n), "_ActiveStatic_Bold_Font_");
        StartWaiting(r, IDC_KEY_MOVE_LEFT);
        waiting = CaptureInProgress();
        PostMessageA(r.dialog, WM_SYSCOMMAND, SC_CLOSE, 0);  // the caption's close box
    });
    ASSERT_TRUE(first.problems.empty()) << Problems(first);
    EXPECT_EQ(result, 2);
    EXPECT_EQ(waiting, 1);
    EXPECT_EQ(CaptureInProgress(), 0);
    for (int n = 0; n < KeyMapSize; n++) {
        EXPECT_NE(bold[n], (HFONT)NULL);
        EXPECT_EQ(GetObjectType(bold[n]), 0u) << "bold font of field " << n << " deleted";
    }

    Drive second;
    result = RunDialog(second, [&](Drive &r) {
        CaptureKey(r, IDC_KEY_MOVE_LEFT, KeyQ);
        ClickItem(r, IDCANCEL);
    });
    ASSERT_TRUE(second.problems.empty()) << Problems(second);
    EXPECT_EQ(result, 2);
}

TEST_F(SettingsDialog, RightAndDoubleClicksOnAFieldDoNothing)
{
    Load();
    struct Seen {
        bool menuShown;
        std::string moveLeftText;
        DWORD selection;
    } seen = {};
    Drive run;
    RunDialog(run, [&](Drive &r) {
        Click(r, Item(r, IDC_KEY_MOVE_LEFT), MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
        // Once the field has seen the pointer leave, the click has been
        // handled; a menu opened by it would be showing.
        PointAtWindow(r, Item(r, IDC_GAME_SERVER));
        AwaitPointerGone(r, Item(r, IDC_KEY_MOVE_LEFT));
        HWND menu = FindWindowA("#32768", NULL);
        seen.menuShown = menu != NULL && IsWindowVisible(menu);
        if (seen.menuShown) {
            PressKey(KeyEsc);
            return;
        }
        StartWaiting(r, IDC_KEY_DROP);
        seen.moveLeftText = ItemText(r, IDC_KEY_MOVE_LEFT);
        PressKey(KeyQ);
        Await(r, [&] { return ItemText(r, IDC_KEY_DROP) == ShownName(KeyQ); }, "Drop to take Q");

        HWND field = Item(r, IDC_KEY_MOVE_RIGHT);
        PointAtWindow(r, field);
        POINT at = Centre(field);
        SendMouse(MOUSEEVENTF_LEFTDOWN, at);
        SendMouse(MOUSEEVENTF_LEFTUP, at);
        SendMouse(MOUSEEVENTF_LEFTDOWN, at);
        SendMouse(MOUSEEVENTF_LEFTUP, at);
        Await(r, [&] { return Text(field) == "Press a key"; }, "Move Right to wait");
        PointAtWindow(r, Item(r, IDC_GAME_SERVER));
        AwaitPointerGone(r, field);  // the double click has been handled by then
        seen.selection = (DWORD)SendMessageA(field, EM_GETSEL, 0, 0);
        PressKey(KeyW);
        Await(r, [&] { return Text(field) == ShownName(KeyW); }, "Move Right to take W");
        ClickItem(r, IDCANCEL);
    });
    EXPECT_FALSE(seen.menuShown) << "a context menu opened";
    ASSERT_TRUE(run.problems.empty()) << Problems(run);
    EXPECT_EQ(seen.moveLeftText, FullName(KeyLeft));
    EXPECT_EQ(LOWORD(seen.selection), HIWORD(seen.selection)) << "no text selected";
}

TEST(KeyNameText, CutsAtTheFirstParenthesisAndFallsBackToTheCode)
{
    static const struct {
        const char *fullName;
        uint16_t code;
        const char *shown;
    } cases[] = {
        /* full name        code    shown */
        { "Space",          0x039,  "Space" },
        { "Num 4 (Left)",   0x04B,  "Num 4 " },
        { "Pause(Break)",   0x045,  "Pause" },
        { "a(b(c",          0x001,  "a" },
        { "(Left)",         0x14B,  "0x14B" },
        { "",               0x1FF,  "0x1FF" },
        { "",               0x000,  "0x0" },
    };
    for (const auto &c : cases) {
        char text[KeyNameSize];
        ShortKeyName(c.fullName, c.code, text, sizeof text);
        EXPECT_STREQ(text, c.shown) << c.fullName;
    }
    char small[4];
    ShortKeyName("Space", 0x39, small, sizeof small);
    EXPECT_STREQ(small, "Spa");

    // On the keyboard layout: a named key keeps its name, a code without one shows as hex.
    EXPECT_NE(FullName(KeySpace), "");
    EXPECT_EQ(ShownName(KeySpace), FullName(KeySpace));
    EXPECT_EQ(FullName(0), "");
    EXPECT_EQ(ShownName(0), "0x0");
}

// ---- OK, Cancel and Restore Defaults ---------------------------------------

TEST_F(SettingsDialog, CancelAfterChangesStoresNothing)
{
    Load();
    const Settings before = *GetSettings();
    Drive run;
    int result = RunDialog(run, [&](Drive &r) {
        CaptureKey(r, IDC_KEY_MOVE_LEFT, KeySpace);
        ClickItem(r, IDC_TRACK1);
        Await(r, [&] { return IsDlgButtonChecked(r.dialog, IDC_TRACK1) == BST_CHECKED; }, "track 1 chosen");
        PressKey(KeyPageUp);  // the radio has the focus; nothing happens
        ClickItem(r, IDC_GAME_SERVER);
        TypeText("x");
        Await(r, [&] { return ItemText(r, IDC_GAME_SERVER).find('x') != std::string::npos; }, "the server text to change");
        ClickItem(r, IDC_RESTORE_DEFAULTS);
        Await(r, [&] { return ItemText(r, IDC_GAME_SERVER) == DefaultGameServer; }, "the defaults");
        CaptureKey(r, IDC_KEY_DROP, KeyQ);
        ClickItem(r, IDCANCEL);
    });
    ASSERT_TRUE(run.problems.empty()) << Problems(run);
    EXPECT_EQ(result, 2);
    EXPECT_EQ(ValueCount(), 0);
    EXPECT_EQ(restartCalls, 0);
    const Settings *after = GetSettings();
    EXPECT_STREQ(after->gameServer, before.gameServer);
    EXPECT_EQ(after->musicIndex, before.musicIndex);
    EXPECT_EQ(memcmp(after->keyMap, before.keyMap, sizeof before.keyMap), 0);
    EXPECT_EQ(after->keyRepeatDelay, before.keyRepeatDelay);
    EXPECT_EQ(after->keyRepeatRate, before.keyRepeatRate);
}

TEST_F(SettingsDialog, RestoreDefaultsThenOkStoresTheDefaults)
{
    const uint16_t keys[KeyMapSize] = { KeyA, KeyD, KeyW, KeyS, KeyRightCtrl };
    StoreServer("far.example.org/ladder");
    StoreNumber("MusicIndex", 1);
    StoreKeys(keys);
    StoreNumber("KeyRepeatDelay", 300);
    StoreNumber("KeyRepeatRate", 200);
    Load();

    uint16_t defaults[KeyMapSize];
    for (int n = 0; n < KeyMapSize; n++)
        defaults[n] = DefaultKeyCode(n);
    struct Seen {
        std::string server, names[KeyMapSize], delayLabel, rateLabel;
        UINT track0;
        int delay, rate;
    } seen = {};
    Drive run;
    int result = RunDialog(run, [&](Drive &r) {
        ClickItem(r, IDC_RESTORE_DEFAULTS);
        Await(r, [&] { return ItemText(r, IDC_DELAY_LABEL) == "120" && ItemText(r, IDC_RATE_LABEL) == "50"; },
              "the labels to show the default timing");
        seen.server = ItemText(r, IDC_GAME_SERVER);
        seen.track0 = IsDlgButtonChecked(r.dialog, IDC_TRACK0);
        for (int n = 0; n < KeyMapSize; n++)
            seen.names[n] = ItemText(r, IDC_KEY_FIELD_BASE + n);
        seen.delay = Slider(r, IDC_DELAY_SLIDER);
        seen.rate = Slider(r, IDC_RATE_SLIDER);
        Note(r, ValueCount() == 5, "Restore Defaults stored something");
        ClickItem(r, IDOK);
    });
    ASSERT_TRUE(run.problems.empty()) << Problems(run);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(seen.server, DefaultGameServer);
    EXPECT_EQ(seen.track0, (UINT)BST_CHECKED);
    for (int n = 0; n < KeyMapSize; n++)
        EXPECT_EQ(seen.names[n], FullName(defaults[n])) << "field " << n;
    EXPECT_EQ(seen.delay, 120);
    EXPECT_EQ(seen.rate, 50);

    StoredValue server = Stored("GameServer");
    EXPECT_EQ(server.type, (DWORD)REG_SZ);
    EXPECT_EQ(std::string(server.bytes.begin(), server.bytes.end()), std::string(DefaultGameServer, strlen(DefaultGameServer) + 1));
    EXPECT_EQ(StoredNumber("MusicIndex"), 0u);
    EXPECT_EQ(Stored("KeyMapping").bytes, KeyBytes(defaults));
    EXPECT_EQ(StoredNumber("KeyRepeatDelay"), 120u);
    EXPECT_EQ(StoredNumber("KeyRepeatRate"), 50u);
    EXPECT_EQ(restartCalls, 1);
    EXPECT_EQ(trackAtRestart, 0u);

    const Settings *settings = GetSettings();
    EXPECT_STREQ(settings->gameServer, DefaultGameServer);
    EXPECT_EQ(settings->musicIndex, 0u);
    EXPECT_EQ(memcmp(settings->keyMap, defaults, sizeof defaults), 0);
    EXPECT_EQ(settings->keyRepeatDelay, 120u);
    EXPECT_EQ(settings->keyRepeatRate, 50u);
}

TEST_F(SettingsDialog, TrackbarKeysStepByFiveAndPagesByFifty)
{
    Load();  // delay 120, rate 50
    static const struct {
        uint16_t key;
        int delay;
    } steps[] = {
        /* key          delay after */
        { KeyRight,     125 },
        { KeyRight,     130 },
        { KeyLeft,      125 },
        { KeyDown,      130 },
        { KeyUp,        125 },
        { KeyPageDown,  175 },
        { KeyPageUp,    125 },
        { KeyEnd,       500 },
        { KeyPageDown,  500 },
        { KeyHome,      10 },
        { KeyLeft,      10 },
        { KeyPageDown,  60 },
    };
    Drive run;
    int result = RunDialog(run, [&](Drive &r) {
        HWND delay = Item(r, IDC_DELAY_SLIDER);
        for (int tabs = 0; tabs < 4 && Focus(r) != delay; tabs++) {
            HWND before = Focus(r);
            PressKey(KeyTab);
            Await(r, [&] { return Focus(r) != before; }, "Tab to move the focus");
        }
        if (!Await(r, [&] { return Focus(r) == delay; }, "the delay trackbar to have the focus"))
            return;
        for (const auto &step : steps) {
            PressKey(step.key);
            std::string label = std::to_string(step.delay);
            Await(r, [&] { return Slider(r, IDC_DELAY_SLIDER) == step.delay && ItemText(r, IDC_DELAY_LABEL) == label; },
                  "delay " + label + " after key " + std::to_string(step.key));
        }
        PressKey(KeyTab);
        Await(r, [&] { return Focus(r) == Item(r, IDC_RATE_SLIDER); }, "the rate trackbar to have the focus");
        PressKey(KeyLeft);
        Await(r, [&] { return Slider(r, IDC_RATE_SLIDER) == 45 && ItemText(r, IDC_RATE_LABEL) == "45"; }, "rate 45");
        PressKey(KeyPageUp);
        Await(r, [&] { return Slider(r, IDC_RATE_SLIDER) == 10 && ItemText(r, IDC_RATE_LABEL) == "10"; }, "rate 10");
        Note(r, ItemText(r, IDC_DELAY_LABEL) == "60", "the delay label kept its value");
        PressKey(KeyEnter);  // OK is the default button
    });
    ASSERT_TRUE(run.problems.empty()) << Problems(run);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(StoredNumber("KeyRepeatDelay"), 60u);
    EXPECT_EQ(StoredNumber("KeyRepeatRate"), 10u);
    EXPECT_EQ(GetKeyRepeatDelay(), 60u);
    EXPECT_EQ(GetKeyRepeatRate(), 10u);
}

TEST_F(SettingsDialog, AServerTextLongerThan63CharactersIsStoredCut)
{
    Load();
    std::string typed = "scores.example.org/";
    while (typed.size() < 70)
        typed += (char)('a' + typed.size() % 26);
    Drive run;
    int result = RunDialog(run, [&](Drive &r) {
        // The server field has the focus: select its text and type over it.
        PressKey(KeyEnd);
        KeyEvent(KeyLeftShift, 0);
        PressKey(KeyHome);
        KeyEvent(KeyLeftShift, KEYEVENTF_KEYUP);
        TypeText(typed);
        Await(r, [&] { return ItemText(r, IDC_GAME_SERVER) == typed; }, "the typed text");
        PressKey(KeyEnter);
    });
    ASSERT_TRUE(run.problems.empty()) << Problems(run);
    EXPECT_EQ(result, 1);
    const std::string kept = typed.substr(0, 63);
    EXPECT_EQ(std::string(GetGameServer()), kept);
    StoredValue server = Stored("GameServer");
    EXPECT_EQ(server.type, (DWORD)REG_SZ);
    EXPECT_EQ(std::string(server.bytes.begin(), server.bytes.end()), kept + '\0');
}

TEST_F(SettingsDialog, TheTrackIsStoredAndRestartedOnlyWhenItChanged)
{
    static const struct {
        DWORD stored;
        int click;
        DWORD storedAfter;
        uint32_t track;
        int restarts;
    } cases[] = {
        /* stored     click        stored after  track  restarts */
        { NotStored,  0,           NotStored,    0,     0 },
        { NotStored,  IDC_TRACK0,  NotStored,    0,     0 },
        { NotStored,  IDC_TRACK1,  1,            1,     1 },
        { 1,          IDC_TRACK0,  0,            0,     1 },
        { 7,          IDC_TRACK0,  7,            0,     0 },  // loads as track 0: unchanged, not stored
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("stored " + std::to_string(c.stored) + ", click " + std::to_string(c.click));
        DeleteSettingsKey();
        restartCalls = 0;
        trackAtRestart = 0xFFFFFFFF;
        if (c.stored != NotStored)
            StoreNumber("MusicIndex", c.stored);
        Load();
        Drive run;
        int result = RunDialog(run, [&](Drive &r) {
            if (c.click) {
                ClickItem(r, c.click);
                Await(r, [&] { return IsDlgButtonChecked(r.dialog, c.click) == BST_CHECKED; }, "the track chosen");
            }
            ClickItem(r, IDOK);
        });
        ASSERT_TRUE(run.problems.empty()) << Problems(run);
        EXPECT_EQ(result, 1);
        EXPECT_EQ(StoredNumber("MusicIndex"), c.storedAfter);
        EXPECT_EQ(GetMusicIndex(), c.track);
        EXPECT_EQ(restartCalls, c.restarts);
        if (c.restarts) {
            EXPECT_EQ(trackAtRestart, c.track) << "the new track is in the settings when the music restarts";
        }
        // The other values are stored on every OK, changed or not.
        EXPECT_TRUE(Stored("GameServer").present);
        EXPECT_TRUE(Stored("KeyMapping").present);
        EXPECT_EQ(StoredNumber("KeyRepeatDelay"), 120u);
        EXPECT_EQ(StoredNumber("KeyRepeatRate"), 50u);
    }
}

// ---- Colours ----------------------------------------------------------------

static int CountPixels(HWND window, COLORREF colour)
{
    RECT area;
    GetClientRect(window, &area);
    HDC dc = GetDC(window);
    if (!dc)
        return -1;
    int count = 0;
    for (int y = area.top; y < area.bottom; y++)
        for (int x = area.left; x < area.right; x++)
            if (GetPixel(dc, x, y) == colour)
                count++;
    ReleaseDC(window, dc);
    return count;
}

TEST_F(SettingsDialog, KeyFieldsAreDrawnInBlue)
{
    Load();
    const COLORREF blue = RGB(0, 0, 255), black = RGB(0, 0, 0), marker = RGB(1, 2, 3);
    struct Seen {
        HBRUSH fieldBrush;
        COLORREF fieldText, labelText;
        int fieldMode, labelMode, fieldBlue, fieldBlack, labelBlack;
    } seen = {};
    Drive run;
    RunDialog(run, [&](Drive &r) {
        HDC dc = CreateCompatibleDC(NULL);
        SetTextColor(dc, marker);
        SetBkMode(dc, OPAQUE);
        seen.fieldBrush = (HBRUSH)SendMessageA(r.dialog, WM_CTLCOLORSTATIC, (WPARAM)dc, (LPARAM)Item(r, IDC_KEY_DROP));
        seen.fieldText = GetTextColor(dc);
        seen.fieldMode = GetBkMode(dc);
        SetTextColor(dc, marker);
        SetBkMode(dc, OPAQUE);
        SendMessageA(r.dialog, WM_CTLCOLORSTATIC, (WPARAM)dc, (LPARAM)Item(r, IDC_RATE_LABEL));
        seen.labelText = GetTextColor(dc);
        seen.labelMode = GetBkMode(dc);
        DeleteDC(dc);

        HWND field = Item(r, IDC_KEY_MOVE_LEFT);
        HWND label = FindWindowExA(r.dialog, NULL, "Static", "Move Left");
        Await(r, [&] { return CountPixels(field, blue) > 0 && CountPixels(label, black) > 0; }, "the texts drawn");
        seen.fieldBlue = CountPixels(field, blue);
        seen.fieldBlack = CountPixels(field, black);
        seen.labelBlack = CountPixels(label, black);
        PressKey(KeyEsc);
    });
    ASSERT_TRUE(run.problems.empty()) << Problems(run);
    EXPECT_EQ(seen.fieldBrush, GetSysColorBrush(COLOR_BTNFACE));
    EXPECT_EQ(seen.fieldText, blue);
    EXPECT_EQ(seen.fieldMode, TRANSPARENT);
    // Any other control keeps the default colours.
    EXPECT_EQ(seen.labelText, GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(seen.labelMode, OPAQUE);
    EXPECT_GT(seen.fieldBlue, 0);
    EXPECT_EQ(seen.fieldBlack, 0);
    EXPECT_GT(seen.labelBlack, 0);
}
