/* A small window program for the end-to-end harness's own check: a fixed
   200 x 432 client area with a menu, a bevelled block moved by the arrow
   keys, a message box on demand, a single-instance guard and one registry
   value written when it closes. "box" on the command line shows a message
   box during start-up. */
#include <windows.h>
#include <string.h>

#define SAMPLE_CLASS   "PellorinE2eSample"
#define SAMPLE_TITLE   "E2E Sample"
#define SAMPLE_MUTEX   "__Pellorin_E2e_Sample_Mutex__"
#define SAMPLE_KEY     "Software\\Tovrin-Works\\PellorinE2eSample"

#define ID_TOGGLE 100
#define ID_LOCKED 101
#define ID_BOX    102
#define ID_QUIT   103

static HWND mainWindow;
static int blockColumn = 3;
static int blockRow = 0;
static int toggled = 1;
static unsigned moveCount;

static HMENU BuildMenu(void)
{
    HMENU bar = CreateMenu();
    HMENU popup = CreatePopupMenu();
    if (bar == NULL || popup == NULL) return NULL;
    AppendMenuA(bar, MF_STRING, 65535, "");
    AppendMenuA(popup, MF_STRING | MF_CHECKED, ID_TOGGLE, "&Toggle\tT");
    AppendMenuA(popup, MF_SEPARATOR, 0, NULL);
    AppendMenuA(popup, MF_STRING | MF_GRAYED, ID_LOCKED, "&Locked");
    AppendMenuA(popup, MF_STRING, ID_BOX, "&Box...\tB");
    AppendMenuA(popup, MF_STRING, ID_QUIT, "&Quit\tEsc");
    AppendMenuA(bar, MF_POPUP, (UINT_PTR)popup, "&File");
    return bar;
}

static void DrawBlock(HDC dc, int x, int y)
{
    HPEN pen = CreatePen(PS_INSIDEFRAME, 0, RGB(102, 0, 0));
    HBRUSH brush = CreateSolidBrush(RGB(204, 0, 0));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    Rectangle(dc, x, y, x + 20, y + 20);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
}

static void Paint(HWND window)
{
    PAINTSTRUCT paint;
    RECT client;
    HDC dc = BeginPaint(window, &paint);
    if (dc == NULL) return;
    GetClientRect(window, &client);
    FillRect(dc, &client, (HBRUSH)GetStockObject(WHITE_BRUSH));
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    DrawTextA(dc, "Sample: Ready", -1, &client, 0);
    DrawBlock(dc, 20 * blockColumn, 32 + 20 * blockRow);
    EndPaint(window, &paint);
}

static void Move(HWND window, int columns, int rows)
{
    int column = blockColumn + columns;
    int row = blockRow + rows;
    if (column < 0 || column > 9 || row < 0 || row > 19) return;
    blockColumn = column;
    blockRow = row;
    ++moveCount;
    InvalidateRect(window, NULL, FALSE);
}

static void Toggle(HWND window)
{
    toggled = !toggled;
    CheckMenuItem(GetMenu(window), ID_TOGGLE, MF_BYCOMMAND | (toggled ? MF_CHECKED : MF_UNCHECKED));
}

static void ShowBox(HWND window)
{
    MessageBoxA(window, "Hello from the sample", "Sample box", MB_OK | MB_ICONINFORMATION);
}

static void SaveMoves(void)
{
    HKEY key;
    DWORD moves = moveCount;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SAMPLE_KEY, 0, NULL, 0, KEY_WRITE, NULL, &key, NULL) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, "Moves", 0, REG_DWORD, (const BYTE *)&moves, sizeof(moves));
    RegCloseKey(key);
}

static void OnKey(HWND window, WPARAM key)
{
    switch (key) {
    case VK_LEFT: Move(window, -1, 0); break;
    case VK_RIGHT: Move(window, 1, 0); break;
    case VK_UP: Move(window, 0, -1); break;
    case VK_DOWN: Move(window, 0, 1); break;
    case 'T': Toggle(window); break;
    case 'B': ShowBox(window); break;
    case VK_ESCAPE: DestroyWindow(window); break;
    default: break;
    }
}

static void OnCommand(HWND window, WORD id)
{
    switch (id) {
    case ID_TOGGLE: Toggle(window); break;
    case ID_BOX: ShowBox(window); break;
    case ID_QUIT: DestroyWindow(window); break;
    default: break;
    }
}

static LRESULT CALLBACK SampleWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        if (strstr(GetCommandLineA(), " box") != NULL) ShowBox(window);
        return 0;
    case WM_PAINT: Paint(window); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_KEYDOWN: OnKey(window, wParam); return 0;
    case WM_COMMAND: OnCommand(window, LOWORD(wParam)); return 0;
    case WM_DESTROY:
        SaveMoves();
        PostQuitMessage(0);
        return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    WNDCLASSEXA windowClass;
    RECT frame = {0, 0, 200, 432};
    HMENU menu;
    MSG message;
    CreateMutexA(NULL, TRUE, SAMPLE_MUTEX);
    if (GetLastError() == ERROR_ALREADY_EXISTS) return 0;
    memset(&windowClass, 0, sizeof(windowClass));
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = SampleWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(NULL, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    windowClass.lpszClassName = SAMPLE_CLASS;
    if (!RegisterClassExA(&windowClass)) return 0;
    menu = BuildMenu();
    if (menu == NULL) return 0;
    AdjustWindowRectEx(&frame, 0x00CA0000, TRUE, 0);
    mainWindow = CreateWindowExA(0, SAMPLE_CLASS, SAMPLE_TITLE, 0x00CA0000, CW_USEDEFAULT, CW_USEDEFAULT,
                               frame.right - frame.left, frame.bottom - frame.top, NULL, menu, instance, NULL);
    if (mainWindow == NULL) return 0;
    ShowWindow(mainWindow, SW_SHOWNORMAL);
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
