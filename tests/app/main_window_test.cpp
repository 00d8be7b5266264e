// The main window's start-up and shutdown, with every subsystem replaced by a
// recording stand-in: the order of the calls, the keyboard that cannot be
// opened, and what the window's activation and key messages ask of the
// keyboard. The program's own entry point runs once, for the failing start.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "app/main_window_seams.h"
#include "app/render.h"
#include "app/timer_service.h"
#include "game/session.h"
#include "game/shell.h"
#include "input/keyboard.h"
#include "input/settings_store.h"
#include "music/music_player.h"
#include "scores/score_service.h"

static std::vector<std::string> trace;
static int keyboardOpens = 1;
static HWND keyboardWindow;
static GameSession session;

static void Record(const std::string &call) { trace.push_back(call); }

void InitSession(void) { Record("InitSession"); }
void InitSessionBoard(void) { Record("InitSessionBoard"); }
void ReadySession(void) { Record("ReadySession"); }
GameSession *GetSession(void) { return &session; }
void DispatchCommand(GameCommand command) { Record("Dispatch " + std::to_string(command)); }
void SetMusicOn(int on)
{
    Record("SetMusicOn " + std::to_string(on));
    session.musicOn = on;
}

void LoadSettings(void) { Record("LoadSettings"); }
int ReadMusicEnabled(void) { Record("ReadMusicEnabled"); return 1; }
int WriteMusicEnabled(int flag) { Record("WriteMusicEnabled " + std::to_string(flag)); return 1; }

void BeginTimerPeriod(void) { Record("BeginTimerPeriod"); }
void StopAllTimerSlots(void) { Record("StopAllTimerSlots"); }
void EndTimerPeriod(void) { Record("EndTimerPeriod"); }

int InitMusic(HWND) { Record("InitMusic"); return 1; }
void ReleaseMusic(void) { Record("ReleaseMusic"); }

int InitKeyboard(HINSTANCE, HWND window)
{
    Record("InitKeyboard");
    keyboardWindow = window;
    return keyboardOpens;
}
HANDLE GetKeyboardEvent(void) { return NULL; }
void ReadKeyboard(void) { Record("ReadKeyboard"); }
void ReleaseKeyboard(void) { Record("ReleaseKeyboard"); }
void ReacquireKeyboard(void) { Record("ReacquireKeyboard"); }
void RetryKeyboardAcquire(void) { Record("RetryKeyboardAcquire"); }

void OpenScoreService(void) { Record("OpenScoreService"); }
void CloseScoreService(void) { Record("CloseScoreService"); }

void LoadTileSheet(HWND) { Record("LoadTileSheet"); }
void PaintWindow(HWND, HDC) {}

// The calls that belong to start-up and shutdown, leaving out what the
// window's own activation asks of the keyboard meanwhile.
static std::vector<std::string> OrderedCalls()
{
    std::vector<std::string> calls;
    for (const std::string &call : trace)
        if (call != "ReacquireKeyboard" && call != "RetryKeyboardAcquire")
            calls.push_back(call);
    return calls;
}

static const std::vector<std::string> StartUpOrder = {
    "InitSession", "LoadSettings", "BeginTimerPeriod", "InitMusic", "ReadMusicEnabled", "SetMusicOn 1",
    "InitKeyboard", "OpenScoreService", "InitSessionBoard", "LoadTileSheet", "ReadySession",
};

// No tick may reach a handler once anything is released, so the slots stop first.
static const std::vector<std::string> ShutdownOrder = {
    "StopAllTimerSlots", "WriteMusicEnabled 1", "ReleaseMusic", "CloseScoreService", "ReleaseKeyboard",
    "EndTimerPeriod",
};

static int TakeQuitMessage(WPARAM *code)
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            *code = msg.wParam;
            return 1;
        }
        DispatchMessageA(&msg);
    }
    return 0;
}

static HINSTANCE Instance() { return GetModuleHandleA(NULL); }

class Lifecycle : public ::testing::Test {
protected:
    void SetUp() override
    {
        trace.clear();
        keyboardOpens = 1;
        keyboardWindow = NULL;
        session = GameSession();
        session.musicOn = 1;
    }
};

TEST_F(Lifecycle, StartUpAndShutdownRunInTheirOrder)
{
    ASSERT_TRUE(RegisterMainWindowClass(Instance()));
    HWND window = CreateMainWindow(Instance());
    ASSERT_NE(window, (HWND)NULL);
    EXPECT_EQ(OrderedCalls(), StartUpOrder);
    EXPECT_EQ(keyboardWindow, window);

    trace.clear();
    DestroyWindow(window);
    EXPECT_EQ(OrderedCalls(), ShutdownOrder);
    WPARAM code = 99;
    EXPECT_TRUE(TakeQuitMessage(&code)) << "the shutdown posts the quit message";
    EXPECT_EQ(code, 0u);
    UnregisterClassA(MainWindowClassName, Instance());
}

TEST_F(Lifecycle, ActivationAndKeyMessagesAcquireTheKeyboardAgain)
{
    ASSERT_TRUE(RegisterMainWindowClass(Instance()));
    HWND window = CreateMainWindow(Instance());
    ASSERT_NE(window, (HWND)NULL);
    static const struct {
        UINT message;
        WPARAM wParam;
        const char *calls;
    } cases[] = {
        /* message        wParam                 calls recorded */
        { WM_ACTIVATE,    WA_ACTIVE,             "ReacquireKeyboard" },
        { WM_ACTIVATE,    WA_CLICKACTIVE,        "ReacquireKeyboard" },
        { WM_ACTIVATE,    WA_INACTIVE,           "" },
        { WM_KEYDOWN,     'A',                   "RetryKeyboardAcquire, Dispatch 13" },
        { WM_KEYDOWN,     VK_F2,                 "RetryKeyboardAcquire, Dispatch 6" },
        { WM_SYSKEYDOWN,  VK_MENU,               "RetryKeyboardAcquire" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.message) + " " + std::to_string(c.wParam));
        trace.clear();
        SendMessageA(window, c.message, c.wParam, c.message == WM_ACTIVATE ? 0 : 0x00010001);
        // The default activation may activate the window once more.
        std::string calls, last;
        for (const std::string &call : trace) {
            if (call != last)
                calls += (calls.empty() ? "" : ", ") + call;
            last = call;
        }
        EXPECT_EQ(calls, c.calls);
    }
    DestroyWindow(window);
    WPARAM code;
    TakeQuitMessage(&code);
    UnregisterClassA(MainWindowClassName, Instance());
}

struct BoxSeen {
    std::string text, caption;
    HWND owner;
    bool information;  // shows an icon: the only one asked for is the information icon
};

static BOOL CALLBACK FindOwnBox(HWND window, LPARAM found)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char name[16];
    if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
        GetClassNameA(window, name, sizeof name) > 0 && strcmp(name, "#32770") == 0) {
        *(HWND *)found = window;
        return FALSE;
    }
    return TRUE;
}

// Reads and closes every message box of this process until done is set.
static void TakeBoxes(std::vector<BoxSeen> *boxes, volatile LONG *done)
{
    DWORD start = GetTickCount();
    while (!*done && GetTickCount() - start < 20000) {
        HWND box = NULL;
        EnumWindows(FindOwnBox, (LPARAM)&box);
        if (box == NULL) {
            Sleep(10);
            continue;
        }
        char text[256] = "";
        BoxSeen seen;
        GetWindowTextA(box, text, sizeof text);
        seen.caption = text;
        text[0] = 0;
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        seen.text = text;
        seen.owner = GetWindow(box, GW_OWNER);
        seen.information = false;
        for (HWND child = GetWindow(box, GW_CHILD); child != NULL; child = GetWindow(child, GW_HWNDNEXT))
            if (IsWindowVisible(child) && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
                SendMessageA(child, STM_GETICON, 0, 0) != 0)
                seen.information = true;
        boxes->push_back(seen);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        while (IsWindow(box) && GetTickCount() - start < 20000)
            Sleep(10);
    }
}

// The whole program up to its exit code, once per process: the instance
// mutex stays taken.
TEST_F(Lifecycle, AKeyboardThatCannotBeOpenedEndsTheProgramWithOneMessage)
{
    keyboardOpens = 0;
    std::vector<BoxSeen> boxes;
    volatile LONG done = 0;
    std::thread taker(TakeBoxes, &boxes, &done);
    int exitCode = WinMain(Instance(), NULL, (LPSTR) "", SW_SHOWNORMAL);
    InterlockedExchange(&done, 1);
    taker.join();

    EXPECT_EQ(exitCode, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Direct input could not be initialised, Pellorin will be closed!");
    EXPECT_EQ(boxes[0].caption, "Error initialising the input system");
    EXPECT_EQ(boxes[0].owner, keyboardWindow);
    EXPECT_TRUE(boxes[0].information);
    EXPECT_FALSE(IsWindow(keyboardWindow)) << "the main window is gone";

    std::vector<std::string> expected(StartUpOrder.begin(), StartUpOrder.begin() + 7);
    expected.insert(expected.end(), ShutdownOrder.begin(), ShutdownOrder.end());
    EXPECT_EQ(OrderedCalls(), expected) << "MusicEnabled is written once, by the shutdown";
    WPARAM code = 99;
    TakeQuitMessage(&code);
}
