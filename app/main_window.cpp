// The main window: 200 x 432 client pixels, fixed size, with the game menu.
// Its creation starts every subsystem in a fixed order and its destruction
// releases them again.
#include "main_window.h"
#include "main_window_seams.h"

#include "app/command_maps.h"
#include "app/render.h"
#include "app/shell_handles.h"
#include "app/timer_service.h"
#include "game/session.h"
#include "game/shell.h"
#include "input/keyboard.h"
#include "input/settings_store.h"
#include "music/music_player.h"
#include "resources/resource_ids.h"
#include "scores/score_service.h"

const char MainWindowClassName[] = "PellorinWndClass";
static const char MainWindowTitle[] = "Pellorin";
static const DWORD MainWindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// Indexed by MenuMark.
static const UINT MenuMarkIds[] = {
    IDM_PAUSE,
    IDM_MUSIC,
};

static LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

int RegisterMainWindowClass(HINSTANCE instance)
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_PELLORIN));
    windowClass.hIconSm = (HICON)LoadImageA(instance, MAKEINTRESOURCEA(IDI_PELLORIN), IMAGE_ICON,
                                            GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                            LR_DEFAULTCOLOR);
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    windowClass.lpszClassName = MainWindowClassName;
    return RegisterClassExA(&windowClass) != 0;
}

HWND CreateMainWindow(HINSTANCE instance)
{
    RECT frame = { 0, 0, ClientWidth, ClientHeight };
    AdjustWindowRectEx(&frame, MainWindowStyle, TRUE, 0);
    HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDR_MAIN_MENU));
    HWND window = CreateWindowExA(0, MainWindowClassName, MainWindowTitle, MainWindowStyle,
                                  CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                                  frame.bottom - frame.top, NULL, menu, instance, NULL);
    if (!window) {
        if (menu)
            DestroyMenu(menu);
        return NULL;
    }
    // A menu bar that wraps, or a theme with odd metrics, must not shrink the board.
    RECT client;
    GetClientRect(window, &client);
    if (client.right != ClientWidth || client.bottom != ClientHeight) {
        RECT outer;
        GetWindowRect(window, &outer);
        SetWindowPos(window, NULL, 0, 0, (outer.right - outer.left) + ClientWidth - client.right,
                     (outer.bottom - outer.top) + ClientHeight - client.bottom,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return window;
}

static void StartMusic(HWND window)
{
    if (InitMusic(window)) {
        SetMusicOn(ReadMusicEnabled());
        return;
    }
    SetMusicOn(0);
    SetMenuMarkEnabled(MusicMark, 0);
    MessageBoxA(window, "The music system could not be initialized and will be disabled!",
                "Error enabling music", MB_OK | MB_ICONINFORMATION);
}

// Returns 0 when the program cannot go on; the window is then gone.
static int StartUp(HWND window, HINSTANCE instance)
{
    SetShellHandles(window, instance);
    InitSession();
    LoadSettings();
    BeginTimerPeriod();
    StartMusic(window);
    if (!InitKeyboard(instance, window)) {
        MessageBoxA(window, "Direct input could not be initialised, Pellorin will be closed!",
                    "Error initialising the input system", MB_OK | MB_ICONINFORMATION);
        DestroyWindow(window);
        return 0;
    }
    OpenScoreService();
    InitSessionBoard();
    LoadTileSheet(window);
    ReadySession();
    return 1;
}

static void ShutDown(void)
{
    // No tick may reach a handler once anything below is released.
    StopAllTimerSlots();
    WriteMusicEnabled(GetSession()->musicOn);
    ReleaseMusic();
    CloseScoreService();
    ReleaseKeyboard();
    EndTimerPeriod();
    SetShellHandles(NULL, NULL);
    PostQuitMessage(0);
}

static void Paint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (dc)
        PaintWindow(window, dc);
    EndPaint(window, &paint);
}

// A key message is the one sign of the keyboard that still comes when the
// device has lost its acquisition for good.
static void OnKeyDown(WPARAM key)
{
    RetryKeyboardAcquire();
    DispatchCommand(KeyToCommand(key));
}

static LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return StartUp(window, ((CREATESTRUCTA *)lParam)->hInstance) ? 0 : -1;
    case WM_DESTROY:
        ShutDown();
        return 0;
    case WM_PAINT:
        Paint(window);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE)
            ReacquireKeyboard();
        break;
    case WM_KEYDOWN:
        OnKeyDown(wParam);
        return 0;
    case WM_SYSKEYDOWN:
        RetryKeyboardAcquire();
        break;
    case WM_COMMAND:
        DispatchCommand(MenuIdToCommand(wParam));
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void RequestRepaint(void)
{
    HWND window = GetMainWindow();
    if (window)
        InvalidateRgn(window, NULL, FALSE);
}

void SetMenuMarkChecked(MenuMark mark, int checked)
{
    HWND window = GetMainWindow();
    if (window)
        CheckMenuItem(GetMenu(window), MenuMarkIds[mark], MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void SetMenuMarkEnabled(MenuMark mark, int enabled)
{
    HWND window = GetMainWindow();
    if (window)
        EnableMenuItem(GetMenu(window), MenuMarkIds[mark], MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void DestroyMainWindow(void)
{
    HWND window = GetMainWindow();
    if (window)
        DestroyWindow(window);
}
